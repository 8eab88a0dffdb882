#include "shapes/ray.hpp"

#include "shapes/origin_dir_shape.hpp"

namespace vx {
namespace {

const bind::MethodTable frame =
    shapes::origin_dir_frame<PyRay, "Ray(origin=None, dir=None, *, __pickle_state__=None)">();
const bind::MethodTable properties = shapes::origin_dir_properties<PyRay>();

}  // namespace

const bind::ClassDef& PyRay::def() {
    static const bind::ClassDef d{
        .blocks =
            {
                &frame,
                &properties,
            },
        .fields = std::vector<const char*>{"origin", "dir"},
    };
    return d;
}

}  // namespace vx
