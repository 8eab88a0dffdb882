#include "shapes/line_segment.hpp"

#include "shapes/shape_frame.hpp"

namespace vx {
namespace {

using D = bind::Declare<PyLineSegment>;
using curvel::LineSegment;
using curvel::Vec3;

LineSegment build(Vec3 p1, Vec3 p2) { return {p1, p2}; }

std::string repr(const LineSegment& s) {
    return shapes::ShapeRepr(PyLineSegment::name).vec("start", s.start).vec("end", s.end).finish();
}

// Centre (p1 + p2)·0.5, radius |p2 − p1|·0.5.
std::tuple<Vec3, float> bounding_sphere(const LineSegment& s) {
    return {(s.start + s.end) * 0.5f, curvel::length(s.end - s.start) * 0.5f};
}

const bind::MethodTable frame = shapes::shape_frame_methods<
    PyLineSegment, "LineSegment(p1=None, p2=None, *, __pickle_state__=None)", &build, &repr>();

const bind::MethodTable members = {
    D::getter<"p1", &shapes::Stored<&LineSegment::start>::get>(),
    D::getter<"p2", &shapes::Stored<&LineSegment::end>::get>(),
    D::method<"bounding_sphere($self)", &bounding_sphere>(),
};

}  // namespace

const bind::ClassDef& PyLineSegment::def() {
    static const bind::ClassDef d{
        .blocks =
            {
                &frame,
                &members,
            },
        .fields = std::vector<const char*>{"p1", "p2"},
    };
    return d;
}

}  // namespace vx
