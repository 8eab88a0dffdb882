// Polyline: straight segments between consecutive points, each an equal share
// of the parameter.
#include "curves/point_list.hpp"
#include "shapes/line_segment.hpp"

namespace vx {
namespace {

using L = curves::PointListClass<PyPolyline>;
using D = bind::Declare<PyPolyline>;

// One segment per pair of consecutive points, sharing nothing with the polyline.
std::vector<curvel::LineSegment> segments(const curvel::Polyline& p) {
    std::vector<curvel::LineSegment> out;
    for (std::size_t i = 0; i + 1 < p.points.size(); ++i) out.push_back({p.points[i], p.points[i + 1]});
    return out;
}

const bind::MethodTable own = {
    D::constructor<"Polyline(points=None, *, __pickle_state__=None)", &L::construct>(),
    D::slot<"__repr__($self)", &L::repr>(),
    D::method<"segments($self)", &segments>(),
};

}  // namespace

const bind::ClassDef& PyPolyline::def() { return curves::curve_class_def<PyPolyline>(own); }

}  // namespace vx
