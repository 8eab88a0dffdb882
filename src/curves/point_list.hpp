#pragma once
// Spline and Polyline: curves through a list of any number of points. Both
// are built from an optional list (none means no points) or from their
// pickled state, and show their point count.
#include <string>

#include "curves/curve_class.hpp"

namespace vx::curves {

template <class Cls>
struct PointListClass {
    using C = typename Cls::Value;

    static C construct(bind::OrNone<std::vector<curvel::Vec3>> points, bind::PickleState state) {
        if (state.bytes) return decode_state<C>(*state.bytes);
        C curve;
        if (points.value) curve.points = std::move(*points.value);
        return curve;
    }
    static std::string repr(const C& c) {
        return std::string(Cls::name) + "(points=" + std::to_string(c.points.size()) + ")";
    }
};

}  // namespace vx::curves
