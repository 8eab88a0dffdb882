// Nearest: the answer of a nearest-point search, the parameter t, the curve
// point there and its squared distance from the query, in single precision.
#include <cmath>
#include <string>

#include "curves/classes.hpp"
#include "curves/exact_or.hpp"
#include "shapes/single_precision.hpp"
#include "curves/state.hpp"
#include "vxformats/number_text.hpp"

namespace vx {
namespace {

using curvel::Nearest;
using curvel::Vec3;

Nearest construct(bind::OrNone<float> t, bind::OrNone<Vec3> point, bind::OrNone<float> dist_sq,
                  bind::PickleState state) {
    return curves::state_or_fields<Nearest>(
        state, "Nearest requires t, point, dist_sq arguments",
        [](float t, Vec3 p, float d) { return Nearest{t, p, d}; }, t, point, dist_sq);
}

float get_t(const Nearest& n) { return n.t; }
Vec3 get_point(const Nearest& n) { return n.point; }
float get_dist_sq(const Nearest& n) { return n.dist_sq; }
// In double precision, unlike a curve's distance(query).
double distance(const Nearest& n) { return std::sqrt(static_cast<double>(n.dist_sq)); }

Nearest from_attributes(PyObject* o) {
    const float t = curves::attribute<float, "t">(o);
    const Vec3 point = curves::attribute<Vec3, "point">(o);
    return {t, point, curves::attribute<float, "dist_sq">(o)};
}
bool abs_diff_eq(const Nearest& n, curves::ExactOr<PyNearest, &from_attributes> rhs, float max_abs_diff) {
    const Nearest& r = rhs.value;
    const auto close = [&](float a, float b) { return std::fabs(a - b) <= max_abs_diff; };
    return close(n.t, r.t) && close(n.point.x, r.point.x) && close(n.point.y, r.point.y) &&
           close(n.point.z, r.point.z) && close(n.dist_sq, r.dist_sq);
}

bind::Ref getnewargs_ex(const Nearest& n) { return curves::getnewargs_ex(n); }

std::string repr(const Nearest& n) {
    std::string s = "Nearest(t=";
    vxformats::append_plain(s, n.t);
    s += ", point=[";
    vxformats::append_plain(s, n.point.x);
    s += ", ";
    vxformats::append_plain(s, n.point.y);
    s += ", ";
    vxformats::append_plain(s, n.point.z);
    s += "], dist_sq=";
    vxformats::append_plain(s, n.dist_sq);
    return s + ")";
}

using D = bind::Declare<PyNearest>;
const bind::MethodTable frame = {
    D::constructor<"Nearest(t=None, point=None, dist_sq=None, *, __pickle_state__=None)", &construct>(),
    D::slot<"__repr__($self)", &repr>(),
    D::getter<"t", &get_t>(),
    D::getter<"point", &get_point>(),
    D::getter<"dist_sq", &get_dist_sq>(),
    D::method<"distance($self)", &distance>(),
    D::method<"__getnewargs_ex__($self)", &getnewargs_ex>(),
    D::method<"abs_diff_eq($self, rhs, max_abs_diff)", &abs_diff_eq>(),
};

}  // namespace

const bind::ClassDef& PyNearest::def() {
    static const bind::ClassDef d{.blocks = {&frame}, .fields = std::vector<const char*>{"t", "point", "dist_sq"}};
    return d;
}

}  // namespace vx
