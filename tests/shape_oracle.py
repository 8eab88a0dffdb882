"""A double-precision geometry oracle for the shape classes that shares nothing with the library: a shape is a
union of convex parts, each given by its support function (the point farthest along a direction), or a
half-space; two convex parts are measured by GJK. Also random shapes of every kind, placed so that pairs often
meet."""

import math
import pickle

# ---- 3-vectors as tuples of floats ----


def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def mul(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def norm(a):
    return math.sqrt(dot(a, a))


def unit(a):
    n = norm(a)
    return mul(a, 1.0 / n) if n > 0 else (0.0, 0.0, 0.0)


def xyz(v):
    return (float(v[0]), float(v[1]), float(v[2])) if isinstance(v, (tuple, list)) else (v.x, v.y, v.z)


# ---- convex parts: support functions ----


def hull(points, radius=0.0):
    """The convex hull of points, thickened by a radius (a segment and a radius is a capsule)."""
    points = [xyz(p) for p in points]

    def support(d):
        best = max(points, key=lambda p: dot(p, d))
        return add(best, mul(unit(d), radius)) if radius else best

    return support


def ball(center, radius):
    return hull([center], radius)


def cylinder(p1, p2, radius):
    p1, p2 = xyz(p1), xyz(p2)
    axis = sub(p2, p1)
    aa = dot(axis, axis)

    def support(d):
        end = p2 if dot(d, axis) >= 0 else p1
        across = sub(d, mul(axis, dot(d, axis) / aa)) if aa > 0 else d
        return add(end, mul(unit(across), radius))

    return support


def shrunk(points, planes, margin):
    """The points moved toward their centroid so that their hull keeps `margin` inside the solid bounded by
    `planes` (n·x <= d each): scaled by 1 - margin/r, r the least distance of the centroid to a plane."""
    points = [xyz(p) for p in points]
    c = mul(tuple(map(sum, zip(*points))), 1.0 / len(points))
    inner = min((d - dot(xyz(n), c)) / norm(xyz(n)) for n, d in planes)
    s = max(0.0, 1.0 - margin / inner) if inner > 0 else 0.0
    return [add(c, mul(sub(p, c), s)) for p in points]


# ---- GJK ----


def _affine_closest(points):
    """The point of the affine hull of `points` nearest the origin and its weights, or None if degenerate."""
    p0 = points[0]
    edges = [sub(p, p0) for p in points[1:]]
    k = len(edges)
    if k == 0:
        return p0, [1.0]
    g = [[dot(edges[i], edges[j]) for j in range(k)] + [-dot(p0, edges[i])] for i in range(k)]
    scale = max(abs(g[i][i]) for i in range(k))
    for col in range(k):  # Gaussian elimination with partial pivoting
        piv = max(range(col, k), key=lambda r: abs(g[r][col]))
        if abs(g[piv][col]) <= 1e-14 * scale:
            return None
        g[col], g[piv] = g[piv], g[col]
        for r in range(k):
            if r != col:
                f = g[r][col] / g[col][col]
                g[r] = [x - f * y for x, y in zip(g[r], g[col])]
    lam = [g[i][k] / g[i][i] for i in range(k)]
    point = p0
    for e, l in zip(edges, lam):
        point = add(point, mul(e, l))
    return point, [1.0 - sum(lam)] + lam


def _closest_on_simplex(simplex):
    """The point of the simplex's hull nearest the origin and the smallest face holding it: the least norm
    among the faces whose own nearest point has no negative weight."""
    best = None
    n = len(simplex)
    for mask in range(1, 1 << n):
        face = [simplex[i] for i in range(n) if mask >> i & 1]
        found = _affine_closest(face)
        if found is None or min(found[1]) < -1e-12:
            continue
        nn = dot(found[0], found[0])
        if best is None or nn < best[0]:
            best = (nn, found[0], face)
    return best


def distance(a, b, stop_beyond=math.inf, iterations=80):
    """The distance between two convex parts (0 when they overlap); stops as soon as it is known to exceed
    `stop_beyond` and then returns a lower bound above it."""

    def support(d):
        return sub(a(d), b(mul(d, -1.0)))

    v = support((1.0, 0.0, 0.0))
    simplex = [v]
    for _ in range(iterations):
        vv = dot(v, v)
        if vv <= 1e-24:
            return 0.0
        w = support(mul(v, -1.0))
        vw = dot(v, w)
        if vw > 0 and vw * vw > stop_beyond * stop_beyond * vv:
            return vw / math.sqrt(vv)
        if vv - vw <= 1e-13 * vv or w in simplex:
            break
        found = _closest_on_simplex(simplex + [w])
        if found is None or found[0] >= vv:
            break
        _, v, simplex = found
        if len(simplex) == 4:
            return 0.0
    return math.sqrt(dot(v, v))


# ---- shapes as the oracle sees them ----

LINE_REACH = 100.0  # far beyond every scene: a line or ray is cut there


class Solid:
    """A union of convex parts (`parts`) with subsets of them that keep a margin inside (`eroded`), or a
    half-space n·x <= d (`half_space`); a line kind also keeps its piece (origin, dir, t range), a polygon its
    plane and its edges as planes across it (`flat`: normal, centre, edge planes), which judge points far more
    exactly than a hull of far-away 3-D vertices."""

    def __init__(self, parts=(), eroded=(), half_space=None, piece=None, flat=None):
        self.parts, self.eroded, self.half_space, self.piece = list(parts), list(eroded), half_space, piece
        self.flat = flat


def piece_points(origin, direction, t0, t1):
    return [add(origin, mul(direction, t0)), add(origin, mul(direction, t1))]


def solid_of(shape, margin, axis_hull=False):
    """The oracle's view of a shape object, from its stored (single-precision) values. With `axis_hull` a
    cylinder counts as the capsule about its axis."""
    kind = type(shape).__name__
    if kind == "Sphere":
        c, r = xyz(shape.center), shape.radius
        return Solid([ball(c, r)], [ball(c, r - margin)])
    if kind == "Capsule" or (kind == "Cylinder" and axis_hull):
        p1, p2, r = xyz(shape.p1), xyz(shape.p2), shape.radius
        return Solid([hull([p1, p2], r)], [hull([p1, p2], r - margin)])
    if kind == "Cylinder":
        p1, p2, r = xyz(shape.p1), xyz(shape.p2), shape.radius
        inward = mul(unit(sub(p2, p1)), margin)
        return Solid([cylinder(p1, p2, r)], [cylinder(add(p1, inward), sub(p2, inward), r - margin)])
    if kind == "Cuboid":
        return Solid([hull(box_corners(shape))], [hull(box_corners(shape, margin))])
    if kind == "ConvexPolytope":
        vertices = [xyz(v) for v in shape.vertices]
        return Solid([hull(vertices)], [hull(shrunk(vertices, shape.planes, margin))])
    if kind == "ConvexPolygon":
        vertices, edges = polygon_outline(shape)
        flat = (xyz(shape.normal), xyz(shape.center), edges)
        return Solid([hull(vertices)], [hull(shrunk(vertices, edges, margin))], flat=flat)
    if kind in ("Line", "Ray", "LineSegment"):
        if kind == "LineSegment":
            origin, direction, t0, t1 = xyz(shape.p1), sub(xyz(shape.p2), xyz(shape.p1)), 0.0, 1.0
        else:
            origin, direction = xyz(shape.origin), xyz(shape.dir)
            t0, t1 = (-LINE_REACH if kind == "Line" else 0.0), LINE_REACH
        length = norm(direction)
        cut = margin / length if length > 0 else 0.0
        whole = hull(piece_points(origin, direction, t0, t1))
        inner = hull(piece_points(origin, direction, t0 + cut, t1 - cut)) if t1 - t0 > 2 * cut else whole
        return Solid([whole], [inner], piece=(origin, direction, t0, t1))
    if kind == "Plane":
        return Solid(half_space=(xyz(shape.normal), shape.d))
    if kind == "Pointcloud":
        points, r = cloud_points(shape)
        return Solid([ball(p, r) for p in points], [ball(p, r - margin) for p in points if r > margin])
    raise TypeError(kind)


def box_corners(box, margin=0.0):
    c = xyz(box.center)
    axes = [xyz(a) for a in box.axes]
    h = [x - margin for x in box.half_extents]
    return [add(c, add(mul(axes[0], sx * h[0]), add(mul(axes[1], sy * h[1]), mul(axes[2], sz * h[2]))))
            for sx in (-1, 1) for sy in (-1, 1) for sz in (-1, 1)]


def polygon_outline(polygon):
    """The polygon's 3-D vertices, and its edges as planes n·x <= d standing across its plane (the offsets
    taken in its own 2-D frame, exact even for vertices far away)."""
    c, u, v = xyz(polygon.center), xyz(polygon.u_axis), xyz(polygon.v_axis)
    flat = polygon.vertices_2d
    cx, cy = sum(p[0] for p in flat) / len(flat), sum(p[1] for p in flat) / len(flat)
    edges = []
    for (x0, y0), (x1, y1) in zip(flat, flat[1:] + flat[:1]):
        nx, ny = y1 - y0, x0 - x1
        length = math.hypot(nx, ny)
        if length == 0:
            continue
        if nx * (cx - x0) + ny * (cy - y0) > 0:
            nx, ny = -nx, -ny
        n = mul(add(mul(u, nx), mul(v, ny)), 1.0 / length)
        edges.append((n, (nx * x0 + ny * y0) / length + dot(n, c)))
    return [add(c, add(mul(u, x), mul(v, y))) for x, y in flat], edges


def cloud_points(cloud):
    """The stored points and the point radius, read back from the pickled state."""
    state = pickle.loads(cloud.__getnewargs_ex__()[1]["__pickle_state__"])
    s = state["spheres"]
    return [(s["x"][i], s["y"][i], s["z"][i]) for i in range(s["len"])], state["point_radius"]


def depth_beyond(part, plane):
    """How far a convex part stays out of the half-space n·x <= d (negative when it reaches in)."""
    n, d = plane
    length = norm(n)
    u = mul(n, 1.0 / length)
    return dot(u, part(mul(u, -1.0))) - d / length


def piece_depth(piece, plane):
    origin, direction, t0, t1 = piece
    n, d = plane
    length = norm(n)
    rate = dot(n, direction) / length
    start = dot(n, origin) / length - d / length
    if rate == 0:
        return start
    t = t0 if rate > 0 else t1
    return -math.inf if abs(t) == LINE_REACH else start + rate * t


APART, GRAZE, OVERLAP = "apart", "graze", "overlap"


def judge(a, b, margin):
    """APART when the shapes are more than `margin` apart, OVERLAP when subsets `margin` inside each meet,
    else GRAZE (too close to call in single precision)."""
    if a.half_space and b.half_space:
        return GRAZE
    if a.half_space or b.half_space:
        plane, s = (a.half_space, b) if a.half_space else (b.half_space, a)
        if s.piece:
            depth = piece_depth(s.piece, plane)
            return APART if depth > margin else OVERLAP if depth <= -margin else GRAZE
        if all(depth_beyond(p, plane) > margin for p in s.parts):
            return APART
        if any(depth_beyond(p, plane) <= -margin for p in s.eroded):
            return OVERLAP
        return GRAZE
    if all(distance(pa, pb, stop_beyond=margin) > margin for pa in a.parts for pb in b.parts):
        return APART
    if any(distance(ea, eb, stop_beyond=1e-9) <= 1e-9 for ea in a.eroded for eb in b.eroded):
        return OVERLAP
    return GRAZE


def point_inside(point, solid, tolerance):
    """Whether a point lies within `tolerance` of the solid."""
    if solid.half_space:
        n, d = solid.half_space
        return (dot(n, point) - d) / norm(n) <= tolerance
    if solid.flat:
        n, c, edges = solid.flat
        return abs(dot(unit(n), sub(point, c))) <= tolerance and all(dot(m, point) - d <= tolerance for m, d in edges)
    here = ball(point, 0.0)
    return any(distance(here, part, stop_beyond=tolerance) <= tolerance for part in solid.parts)


# ---- random shapes ----

KINDS = ["Sphere", "Capsule", "Cuboid", "Cylinder", "ConvexPolytope", "ConvexPolygon", "Line", "Ray", "LineSegment",
         "Plane", "Pointcloud"]


def random_unit(rng):
    return unit((rng.gauss(0, 1), rng.gauss(0, 1), rng.gauss(0, 1)))


def random_point(rng, r):
    return (rng.uniform(-r, r), rng.uniform(-r, r), rng.uniform(-r, r))


def random_axes(rng):
    a = random_unit(rng)
    b = unit(cross(a, random_unit(rng)))
    return [a, b, cross(a, b)]


def make(vx, kind, rng, c):
    """A random shape of `kind` about the point c, about one to three units across."""
    if kind == "Sphere":
        return vx.Sphere(c, rng.uniform(0.2, 1.2))
    if kind in ("Capsule", "Cylinder", "LineSegment"):
        d = (0.0, 0.0, rng.choice((-1, 1))) if rng.random() < 0.25 else random_unit(rng)
        d = mul(d, rng.uniform(0.4, 2.5) / 2)
        if kind == "LineSegment":
            return vx.LineSegment(sub(c, d), add(c, d))
        return getattr(vx, kind)(sub(c, d), add(c, d), rng.uniform(0.1, 0.8))
    if kind == "Cuboid":
        axes = [(1, 0, 0), (0, 1, 0), (0, 0, 1)] if rng.random() < 0.3 else random_axes(rng)
        return vx.Cuboid(c, axes, [rng.uniform(0.2, 1.2) for _ in range(3)])
    if kind == "ConvexPolytope":
        from scipy.spatial import ConvexHull

        hull_ = ConvexHull([add(c, mul(random_unit(rng), rng.uniform(0.4, 1.2))) for _ in range(10)])
        planes = [(tuple(e[:3]), -e[3]) for e in hull_.equations]
        return vx.ConvexPolytope(planes, [tuple(hull_.points[i]) for i in hull_.vertices])
    if kind == "ConvexPolygon":
        a, b = rng.uniform(0.4, 1.4), rng.uniform(0.4, 1.4)
        angles = sorted(rng.uniform(0, 2 * math.pi) for _ in range(rng.randint(3, 7)))
        return vx.ConvexPolygon(c, random_unit(rng), [(a * math.cos(t), b * math.sin(t)) for t in angles])
    if kind in ("Line", "Ray"):
        return getattr(vx, kind)(c, mul(random_unit(rng), rng.uniform(0.5, 2.0)))
    if kind == "Plane":
        n = random_unit(rng)
        return vx.Plane(n, dot(n, c) + rng.uniform(-0.5, 0.5))
    if kind == "Pointcloud":
        points = [add(c, mul(random_unit(rng), rng.uniform(0, 0.8))) for _ in range(8)]
        return vx.Pointcloud.from_list(points, rng.uniform(0.05, 0.4))
    raise ValueError(kind)


def meeting_pair(vx, kind_a, kind_b, rng):
    """Two random shapes, the first placed part of the way toward the second."""
    cb = random_point(rng, 2.0)
    ca = random_point(rng, 2.0)
    ca = add(ca, mul(sub(cb, ca), rng.uniform(0.3, 1.0)))
    return make(vx, kind_a, rng, ca), make(vx, kind_b, rng, cb)
