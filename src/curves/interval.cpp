// Interval: a closed range of curve parameters [min, max], in single
// precision. Nothing relates the bounds: reversed, infinite and NaN bounds are
// stored as given, and every method answers for them without failing.
#include <cmath>
#include <string>

#include "curves/exact_or.hpp"
#include "shapes/single_precision.hpp"
#include "curves/state.hpp"
#include "curves/classes.hpp"
#include "vxformats/number_text.hpp"

namespace vx {
namespace {

using curvel::Interval;

Interval construct(bind::OrNone<float> min, bind::OrNone<float> max, bind::PickleState state) {
    return curves::state_or_fields<Interval>(
        state, "Interval requires min, max arguments", [](float lo, float hi) { return Interval{lo, hi}; }, min,
        max);
}

Interval unit() { return {0.0f, 1.0f}; }
Interval all() {
    constexpr float inf = std::numeric_limits<float>::infinity();
    return {-inf, inf};
}

float get_min(const Interval& i) { return i.min; }
float get_max(const Interval& i) { return i.max; }
float span(const Interval& i) { return i.max - i.min; }
float lerp(const Interval& i, float s) { return i.min + (i.max - i.min) * s; }
// The plain comparisons, in this order, whatever the bounds: reversed bounds
// give min below min, else max above max; a NaN bound never compares, and a
// NaN t passes through.
float clamp(const Interval& i, float t) {
    if (t < i.min) return i.min;
    if (t > i.max) return i.max;
    return t;
}
bool contains(const Interval& i, float t) { return i.min <= t && i.max >= t; }
bool is_finite(const Interval& i) { return std::isfinite(i.min) && std::isfinite(i.max); }

Interval from_attributes(PyObject* o) {
    const float min = curves::attribute<float, "min">(o);
    return {min, curves::attribute<float, "max">(o)};
}
bool abs_diff_eq(const Interval& i, curves::ExactOr<PyInterval, &from_attributes> rhs, float max_abs_diff) {
    return std::fabs(i.min - rhs.value.min) <= max_abs_diff && std::fabs(i.max - rhs.value.max) <= max_abs_diff;
}

bind::Ref getnewargs_ex(const Interval& i) { return curves::getnewargs_ex(i); }

std::string repr(const Interval& i) {
    std::string s = "Interval(min=";
    vxformats::append_plain(s, i.min);
    s += ", max=";
    vxformats::append_plain(s, i.max);
    return s + ")";
}

using D = bind::Declare<PyInterval>;
const bind::MethodTable frame = {
    D::constructor<"Interval(min=None, max=None, *, __pickle_state__=None)", &construct>(),
    D::slot<"__repr__($self)", &repr>(),
    D::static_method<"unit()", &unit>(),
    D::static_method<"all()", &all>(),
    D::getter<"min", &get_min>(),
    D::getter<"max", &get_max>(),
    D::method<"span($self)", &span>(),
    D::method<"clamp($self, t)", &clamp>(),
    D::method<"lerp($self, s)", &lerp>(),
    D::method<"contains($self, t)", &contains>(),
    D::method<"is_finite($self)", &is_finite>(),
    D::method<"__getnewargs_ex__($self)", &getnewargs_ex>(),
    D::method<"abs_diff_eq($self, rhs, max_abs_diff)", &abs_diff_eq>(),
};

}  // namespace

const bind::ClassDef& PyInterval::def() {
    static const bind::ClassDef d{.blocks = {&frame}, .fields = std::vector<const char*>{"min", "max"}};
    return d;
}

}  // namespace vx
