#include "shapes/convex_polygon.hpp"

#include "shapes/shape_frame.hpp"

namespace vx {
namespace {

using D = bind::Declare<PyConvexPolygon>;
using curvel::Vec3;
using tangor::ConvexPolygon;

// Each vertex is any sequence of exactly two numbers, narrowed one by one.
using PairList = std::vector<std::array<float, 2>>;

std::vector<tangor::Vec2> to_vec2s(const PairList& pairs) {
    std::vector<tangor::Vec2> out;
    out.reserve(pairs.size());
    for (const auto& [x, y] : pairs) out.push_back({x, y});
    return out;
}

// The frame comes from the normal, which is kept as given (not made unit).
ConvexPolygon build(Vec3 center, Vec3 normal, PairList vertices_2d) {
    return ConvexPolygon::create(center, normal, to_vec2s(vertices_2d));
}

// The four vectors are kept as given: nothing is normalised or made
// orthogonal.
ConvexPolygon with_axes(Vec3 center, Vec3 normal, Vec3 u_axis, Vec3 v_axis, PairList vertices_2d) {
    return ConvexPolygon::with_axes(center, normal, u_axis, v_axis, to_vec2s(vertices_2d));
}

std::string repr(const ConvexPolygon& p) {
    return shapes::ShapeRepr(PyConvexPolygon::name)
        .vec("center", p.center)
        .vec("normal", p.normal)
        .count("vertices", p.vertices_2d.size())
        .finish();
}

// One [x, y] list per vertex, in stored (counter-clockwise) order.
std::vector<std::vector<float>> vertices_2d(const ConvexPolygon& p) {
    std::vector<std::vector<float>> out;
    out.reserve(p.vertices_2d.size());
    for (const tangor::Vec2& v : p.vertices_2d) out.push_back({v.x, v.y});
    return out;
}

const bind::MethodTable frame = shapes::shape_frame_methods<
    PyConvexPolygon, "ConvexPolygon(center=None, normal=None, vertices_2d=None, *, __pickle_state__=None)", &build,
    &repr>();

const bind::MethodTable members = {
    D::getter<"center", &shapes::Stored<&ConvexPolygon::center>::get>(),
    D::getter<"normal", &shapes::Stored<&ConvexPolygon::normal>::get>(),
    D::getter<"u_axis", &shapes::Stored<&ConvexPolygon::u_axis>::get>(),
    D::getter<"v_axis", &shapes::Stored<&ConvexPolygon::v_axis>::get>(),
    D::getter<"vertices_2d", &vertices_2d>(),
    D::static_method<"with_axes(center, normal, u_axis, v_axis, vertices_2d)", &with_axes>(),
};

}  // namespace

const bind::ClassDef& PyConvexPolygon::def() {
    static const bind::ClassDef d{
        .blocks =
            {
                &frame,
                &members,
            },
        // u_axis and v_axis are fields although the constructor derives them.
        .fields = std::vector<const char*>{"center", "normal", "u_axis", "v_axis", "vertices_2d"},
    };
    return d;
}

}  // namespace vx
