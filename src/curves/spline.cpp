// Spline: the uniform Catmull-Rom spline through its points.
#include "curves/point_list.hpp"

namespace vx {
namespace {

using L = curves::PointListClass<PySpline>;
using D = bind::Declare<PySpline>;

const bind::MethodTable own = {
    D::constructor<"Spline(points=None, *, __pickle_state__=None)", &L::construct>(),
    D::slot<"__repr__($self)", &L::repr>(),
};

}  // namespace

const bind::ClassDef& PySpline::def() { return curves::curve_class_def<PySpline>(own); }

}  // namespace vx
