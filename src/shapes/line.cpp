#include "shapes/line.hpp"

#include "shapes/origin_dir_shape.hpp"

namespace vx {
namespace {

using D = bind::Declare<PyLine>;

// dir = b − a, not normalised: equal points give a zero direction.
curvel::Line from_points(curvel::Vec3 a, curvel::Vec3 b) { return {a, b - a}; }

const bind::MethodTable frame =
    shapes::origin_dir_frame<PyLine, "Line(origin=None, dir=None, *, __pickle_state__=None)">();
const bind::MethodTable properties = shapes::origin_dir_properties<PyLine>();
const bind::MethodTable own = {
    D::static_method<"from_points(a, b)", &from_points>(),
};

}  // namespace

const bind::ClassDef& PyLine::def() {
    static const bind::ClassDef d{
        .blocks =
            {
                &frame,
                &properties,
                &own,
            },
        .fields = std::vector<const char*>{"origin", "dir"},
    };
    return d;
}

}  // namespace vx
