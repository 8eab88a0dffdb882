#pragma once

// Forward declarations of the shape records, so that headers can name the
// bounding records (a Sphere, a Cuboid) of one another without a cycle.

namespace tangor {
namespace sphere { struct Sphere; }
namespace cuboid { struct Cuboid; }
namespace capsule { struct Capsule; }
namespace cylinder { struct Cylinder; }
namespace point { struct Point; }
namespace plane::infinite { struct Plane; }
namespace plane::convex { struct ConvexPolygon; }
namespace plane::ref_convex { struct RefConvexPolygon; }
namespace convex_polytope::heap { struct ConvexPolytope; }
namespace convex_polytope::refer { struct RefConvexPolytope; }
}  // namespace tangor
