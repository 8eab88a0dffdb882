// Polyline: straight segments between consecutive points, each an equal share
// of the parameter.
#include "curves/point_list.hpp"

namespace vx {
namespace {

using L = curves::PointListClass<PyPolyline>;
using D = bind::Declare<PyPolyline>;

const bind::MethodTable own = {
    D::constructor<"Polyline(points=None, *, __pickle_state__=None)", &L::construct>(),
    D::slot<"__repr__($self)", &L::repr>(),
};

}  // namespace

const bind::ClassDef& PyPolyline::def() { return curves::curve_class_def<PyPolyline>(own); }

}  // namespace vx
