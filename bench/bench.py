"""ns per call of vexorin's methods, beside references measured in the same run.

Each row times one operation of vexorin and, where they exist, the same kind of work done by the
builtin `complex` (a floor: the interpreter's own cost of a small immutable number object), PyGLM,
NumPy, python-fcl (`fcl.collide` on the same pair of shapes) and, for the curves, the `bezier` package on
the same curve. Ratios are to the complex floor of the same row.

    python3 bench/bench.py [--filter TEXT] [--repeat N] [--clouds N,N,...] [--cloud-memory-gb G]

A second table builds point clouds from (N, 3) float64 arrays of N points uniform in the unit cube:
`Pointcloud.from_numpy` beside `scipy.spatial.cKDTree` on the same points, each build in a child
process whose address space is capped, so a build that outgrows the cap ends as a MemoryError row.
Memory is the growth of the resident set while the built object is alive, per point.
"""

import argparse
import pickle
import subprocess
import sys
import time
import timeit

import vexorin as vx

try:
    import glm
except ImportError:  # PyGLM is an optional baseline
    glm = None
try:
    import numpy as np
except ImportError:
    np = None
try:
    import bezier
except ImportError:  # the bezier package is an optional baseline
    bezier = None
try:
    import fcl  # python-fcl: an optional baseline for the collider rows
except ImportError:
    fcl = None

# (group, label, vexorin statement, {baseline name: statement}); statements run with the setup
# namespace below.
ROWS = [
    ("Vec3", "construct from floats", "Vec3(1.0, 2.0, 3.0)",
     {"complex": "complex(1.0, 2.0)", "glm": "gvec3(1.0, 2.0, 3.0)", "numpy": "np.array((1.0, 2.0, 3.0))"}),
    ("Vec3", "construct from a tuple", "Vec3.from_array(t)",
     {"complex": "complex(*t2)", "glm": "gvec3(t)", "numpy": "np.array(t)"}),
    ("Vec3", "a + b", "a + b", {"complex": "c + d", "glm": "ga + gb", "numpy": "na + nb"}),
    ("Vec3", "a * 2.0", "a * 2.0", {"complex": "c * 2.0", "glm": "ga * 2.0", "numpy": "na * 2.0"}),
    ("Vec3", "a == b", "a == b", {"complex": "c == d", "glm": "ga == gb"}),
    ("Vec3", "a[1]", "a[1]", {"glm": "ga[1]", "numpy": "na[1]"}),
    ("Vec3", "a.x", "a.x", {"complex": "c.real", "glm": "ga.x"}),
    ("Vec3", "hash(a)", "hash(a)", {"complex": "hash(c)", "glm": "hash(ga)"}),
    ("Vec3", "repr(a)", "repr(a)", {"complex": "repr(c)", "glm": "repr(ga)", "numpy": "repr(na)"}),
    ("Vec3", "__getnewargs_ex__", "a.__getnewargs_ex__()", {"complex": "c.__getnewargs__()"}),
    ("Vec3", "pickle round trip", "loads(dumps(a))", {"complex": "loads(dumps(c))", "numpy": "loads(dumps(na))"}),
    ("Vec3", "to_json", "a.to_json()", {}),
    ("Vec3", "to_numpy", "a.to_numpy()", {"numpy": "na.copy()"}),
    ("Vec3", "length", "a.length()", {"complex": "abs(c)", "glm": "glm.length(ga)", "numpy": "np.linalg.norm(na)"}),
    ("Vec3", "normalize", "a.normalize()", {"glm": "glm.normalize(ga)", "numpy": "na / np.linalg.norm(na)"}),
    ("Vec3", "dot", "a.dot(b)", {"glm": "glm.dot(ga, gb)", "numpy": "na.dot(nb)"}),
    ("Vec3", "dot with a tuple", "a.dot(t)", {"glm": "glm.dot(ga, gvec3(t))", "numpy": "na.dot(t)"}),
    ("Vec3", "cross", "a.cross(b)", {"glm": "glm.cross(ga, gb)", "numpy": "np.cross(na, nb)"}),
    ("Vec3", "lerp", "a.lerp(b, 0.25)", {"glm": "glm.mix(ga, gb, 0.25)", "numpy": "na + (nb - na) * 0.25"}),
    ("Vec3", "distance", "a.distance(b)", {"glm": "glm.distance(ga, gb)", "numpy": "np.linalg.norm(na - nb)"}),
    ("Vec3", "clamp", "a.clamp(b, b)", {"glm": "glm.clamp(ga, gb, gb)", "numpy": "np.clip(na, nb, nb)"}),
    ("Vec3", "rotate_axis", "a.rotate_axis(b, 0.5)", {"glm": "glm.rotate(ga, 0.5, gb)"}),
    ("Vec3", "slerp", "a.slerp(b, 0.25)", {"glm": "glm.slerp(ga, gb, 0.25)"}),
    ("Vec2", "construct from floats", "Vec2(1.0, 2.0)",
     {"complex": "complex(1.0, 2.0)", "glm": "gvec2(1.0, 2.0)", "numpy": "np.array((1.0, 2.0))"}),
    ("Vec2", "a + b", "a2 + b2", {"complex": "c + d", "glm": "ga2 + gb2", "numpy": "na2 + nb2"}),
    ("Vec2", "a * 2.0", "a2 * 2.0", {"complex": "c * 2.0", "glm": "ga2 * 2.0", "numpy": "na2 * 2.0"}),
    ("Vec2", "length", "a2.length()", {"complex": "abs(c)", "glm": "glm.length(ga2)", "numpy": "np.linalg.norm(na2)"}),
    ("Vec2", "normalize", "a2.normalize()", {"glm": "glm.normalize(ga2)", "numpy": "na2 / np.linalg.norm(na2)"}),
    ("Vec2", "dot", "a2.dot(b2)", {"glm": "glm.dot(ga2, gb2)", "numpy": "na2.dot(nb2)"}),
    ("Vec2", "lerp", "a2.lerp(b2, 0.25)", {"glm": "glm.mix(ga2, gb2, 0.25)", "numpy": "na2 + (nb2 - na2) * 0.25"}),
    ("Vec2", "angle_to", "a2.angle_to(b2)", {"glm": "glm.orientedAngle(glm.normalize(ga2), glm.normalize(gb2))"}),
    ("Vec2", "pickle round trip", "loads(dumps(a2))", {"complex": "loads(dumps(c))", "numpy": "loads(dumps(na2))"}),
    ("Vec4", "construct from floats", "Vec4(1.0, 2.0, 3.0, 4.0)",
     {"complex": "complex(1.0, 2.0)", "glm": "gvec4(1.0, 2.0, 3.0, 4.0)", "numpy": "np.array((1.0, 2.0, 3.0, 4.0))"}),
    ("Vec4", "a + b", "a4 + b4", {"complex": "c + d", "glm": "ga4 + gb4", "numpy": "na4 + nb4"}),
    ("Vec4", "a * 2.0", "a4 * 2.0", {"complex": "c * 2.0", "glm": "ga4 * 2.0", "numpy": "na4 * 2.0"}),
    ("Vec4", "length", "a4.length()", {"complex": "abs(c)", "glm": "glm.length(ga4)", "numpy": "np.linalg.norm(na4)"}),
    ("Vec4", "normalize", "a4.normalize()", {"glm": "glm.normalize(ga4)", "numpy": "na4 / np.linalg.norm(na4)"}),
    ("Vec4", "dot", "a4.dot(b4)", {"glm": "glm.dot(ga4, gb4)", "numpy": "na4.dot(nb4)"}),
    ("Vec4", "lerp", "a4.lerp(b4, 0.25)", {"glm": "glm.mix(ga4, gb4, 0.25)", "numpy": "na4 + (nb4 - na4) * 0.25"}),
    ("Vec4", "pickle round trip", "loads(dumps(a4))", {"complex": "loads(dumps(c))", "numpy": "loads(dumps(na4))"}),
    ("Quat", "q * r", "q * r", {"complex": "c * d", "glm": "gq * gr"}),
    ("Quat", "q * v", "q * a", {"glm": "gq * ga"}),
    ("Quat", "from_euler", "Quat.from_euler(ZYX, 0.1, 0.2, 0.3)", {"glm": "gquat(gvec3(0.3, 0.2, 0.1))"}),
    ("Mat4", "m * n", "m4 * n4", {"glm": "gm4 * gn4", "numpy": "nm4 @ nn4"}),
    ("Mat4", "m * v", "m4 * a4", {"glm": "gm4 * ga4", "numpy": "nm4 @ na4"}),
    ("Mat4", "inverse", "m4.inverse()", {"glm": "glm.inverse(gm4)", "numpy": "np.linalg.inv(nm4)"}),
    ("Affine3", "a * b", "aff * bff", {"glm": "gm4 * gn4", "numpy": "nm4 @ nn4"}),
    ("Sphere", "construct from a Vec3", "Sphere(a, 0.5)", {"complex": "complex(1.0, 2.0)"}),
    ("Sphere", "s.center", "sph.center", {"complex": "c.real"}),
    ("Sphere", "repr(s)", "repr(sph)", {"complex": "repr(c)"}),
    ("Sphere", "pickle round trip", "loads(dumps(sph))", {"complex": "loads(dumps(c))"}),
    ("Cuboid", "construct from tuples", "Cuboid(t, eye3, t)", {"complex": "complex(1.0, 2.0)"}),
    # bezier has no nearest-point search; its locate() (the parameter of a point on the curve) is the
    # closest routine it offers.
    ("CubicBezier", "point(t)", "cb.point(0.3)", {"complex": "c + d", "bezier": "bz.evaluate(0.3)"}),
    ("CubicBezier", "length()", "cb.length()", {"complex": "c + d", "bezier": "bz.length"}),
    ("CubicBezier", "nearest(p)", "cb.nearest(a)", {"complex": "c + d", "bezier": "bz.locate(bp)"}),
    ("Spline", "point(t), 16 points", "sp.point(0.3)", {"complex": "c + d"}),
    ("Spline", "length(), 16 points", "sp.length()", {"complex": "c + d"}),
    # Overlapping pairs, turned off the world axes: every test runs to its end.
    ("collides", "sphere-sphere", "sph.collides(sph2)", {"complex": "c + d", "fcl": "fcl.collide(f_sph, f_sph2)"}),
    ("collides", "sphere-cuboid", "sph.collides(box)", {"complex": "c + d", "fcl": "fcl.collide(f_sph, f_box)"}),
    ("collides", "cuboid-cuboid", "box.collides(box2)", {"complex": "c + d", "fcl": "fcl.collide(f_box, f_box2)"}),
    ("collides", "capsule-capsule", "cap.collides(cap2)", {"complex": "c + d", "fcl": "fcl.collide(f_cap, f_cap2)"}),
    ("collides", "polytope-polytope", "poly.collides(poly2)",
     {"complex": "c + d", "fcl": "fcl.collide(f_poly, f_poly2)"}),
]

CURVE = [(0.0, 0.0, 0.0), (1.0, 2.0, 0.5), (3.0, 2.5, -1.0), (4.0, 0.0, 1.0)]


def turned(angle):
    """The columns of a turn by `angle` about the axis (1, 2, 2)/3, as three tuples."""
    import math

    k = (1 / 3, 2 / 3, 2 / 3)
    c, s = math.cos(angle), math.sin(angle)
    cross = [(0, -k[2], k[1]), (k[2], 0, -k[0]), (-k[1], k[0], 0)]
    m = [[c * (i == j) + s * cross[i][j] + (1 - c) * k[i] * k[j] for j in range(3)] for i in range(3)]
    return tuple(tuple(m[i][j] for i in range(3)) for j in range(3))


def collision_pairs():
    """The shapes of the collides rows, and the same shapes for python-fcl when it is installed."""
    axes, axes2 = turned(0.4), turned(1.1)
    corners = [(x, y, z) for x in (-1, 1) for y in (-1, 1) for z in (-1, 1)]

    def cube(center, cols):
        def at(p):
            return tuple(center[i] + sum(cols[j][i] * p[j] for j in range(3)) for i in range(3))

        planes = [(tuple(sign * cols[j][i] for i in range(3)), sign * sum(cols[j][i] * center[i] for i in range(3)) + 1)
                  for j in range(3) for sign in (1, -1)]
        return vx.ConvexPolytope(planes, [at(p) for p in corners]), [at(p) for p in corners]

    poly, poly_corners = cube((0.0, 0.0, 0.0), axes)
    poly2, poly2_corners = cube((1.2, 1.0, 0.6), axes2)
    ns = {
        "sph2": vx.Sphere((1.5, 2.2, 3.1), 0.5),
        "box": vx.Cuboid((1.6, 2.0, 3.0), axes, (0.5, 0.4, 0.3)),
        "box2": vx.Cuboid((2.2, 2.3, 3.2), axes2, (0.5, 0.4, 0.3)),
        "cap": vx.Capsule((0.0, 0.0, 0.0), (1.0, 1.0, 0.0), 0.3),
        "cap2": vx.Capsule((0.0, 1.0, 0.1), (1.0, 0.0, 0.1), 0.3),
        "poly": poly,
        "poly2": poly2,
    }
    if fcl is None or np is None:
        return ns

    def placed(geometry, rotation=np.eye(3), center=(0.0, 0.0, 0.0)):
        return fcl.CollisionObject(geometry, fcl.Transform(np.asarray(rotation, float), np.asarray(center, float)))

    def box(b):
        return placed(fcl.Box(*(2 * h for h in b.half_extents)), np.array(b.axes).T, tuple(b.center))

    def capsule(c):
        p1, p2 = np.array(tuple(c.p1)), np.array(tuple(c.p2))
        z = (p2 - p1) / np.linalg.norm(p2 - p1)
        x = np.cross(z, (0.0, 0.0, 1.0) if abs(z[2]) < 0.9 else (1.0, 0.0, 0.0))
        x /= np.linalg.norm(x)
        return placed(fcl.Capsule(c.radius, np.linalg.norm(p2 - p1)), np.column_stack([x, np.cross(z, x), z]),
                      (p1 + p2) / 2)

    faces = np.array([4, 0, 1, 3, 2, 4, 4, 6, 7, 5, 4, 0, 4, 5, 1, 4, 2, 3, 7, 6, 4, 0, 2, 6, 4, 4, 1, 5, 7, 3])
    ns.update(fcl=fcl, f_sph=placed(fcl.Sphere(0.5), center=(1.0, 2.0, 3.0)),
              f_sph2=placed(fcl.Sphere(0.5), center=(1.5, 2.2, 3.1)), f_box=box(ns["box"]), f_box2=box(ns["box2"]),
              f_cap=capsule(ns["cap"]), f_cap2=capsule(ns["cap2"]),
              f_poly=placed(fcl.Convex(np.array(poly_corners), 6, faces)),
              f_poly2=placed(fcl.Convex(np.array(poly2_corners), 6, faces)))
    return ns


def namespace():
    ns = {
        "Vec3": vx.Vec3,
        "a": vx.Vec3(1.0, 2.0, 3.0),
        "b": vx.Vec3(4.0, 5.0, 6.0),
        "t": (1.0, 2.0, 3.0),
        "t2": (1.0, 2.0),
        "c": complex(1.0, 2.0),
        "d": complex(3.0, 4.0),
        "dumps": pickle.dumps,
        "loads": pickle.loads,
        "np": np,
    }
    for name in ("Vec2", "Vec4", "Quat", "Mat3", "Mat4", "Affine3", "EulerRot"):
        if hasattr(vx, name):
            ns[name] = getattr(vx, name)
    if hasattr(vx, "Sphere"):
        ns.update(Sphere=vx.Sphere, sph=vx.Sphere((1.0, 2.0, 3.0), 0.5))
    if hasattr(vx, "Cuboid"):
        ns.update(Cuboid=vx.Cuboid, eye3=((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0)))
    if hasattr(vx, "Shape"):
        ns.update(collision_pairs())
    if hasattr(vx, "Vec2"):
        ns.update(a2=vx.Vec2(1.0, 2.0), b2=vx.Vec2(4.0, 5.0))
    if hasattr(vx, "Vec4"):
        ns.update(a4=vx.Vec4(1.0, 2.0, 3.0, 4.0), b4=vx.Vec4(5.0, 6.0, 7.0, 8.0))
    if hasattr(vx, "Affine3"):
        q = vx.Quat.from_euler(vx.EulerRot.ZYX, 0.1, 0.2, 0.3)
        ns.update(q=q, r=q.conjugate(), ZYX=vx.EulerRot.ZYX)
        ns.update(m4=vx.Mat4.from_scale_rotation_translation((1.0, 2.0, 3.0), q, (4.0, 5.0, 6.0)))
        ns.update(n4=vx.Mat4.perspective_rh(1.0, 1.5, 0.1, 100.0))
        ns.update(aff=vx.Affine3.from_scale_rotation_translation((1.0, 2.0, 3.0), q, (4.0, 5.0, 6.0)))
        ns.update(bff=vx.Affine3.from_rotation_translation(q, (1.0, -1.0, 2.0)))
        if glm is not None:
            ns.update(gquat=glm.dquat, gq=glm.dquat(q.w, q.x, q.y, q.z), gr=glm.dquat(q.w, -q.x, -q.y, -q.z))
            ns.update(gm4=glm.dmat4(*ns["m4"].to_cols_array()), gn4=glm.dmat4(*ns["n4"].to_cols_array()))
        if np is not None:
            ns.update(nm4=ns["m4"].to_numpy(), nn4=ns["n4"].to_numpy())
    if glm is not None:
        ns.update(gvec3=glm.dvec3, ga=glm.dvec3(1.0, 2.0, 3.0), gb=glm.dvec3(4.0, 5.0, 6.0), glm=glm)
        ns.update(gvec2=glm.dvec2, ga2=glm.dvec2(1.0, 2.0), gb2=glm.dvec2(4.0, 5.0))
        ns.update(gvec4=glm.dvec4, ga4=glm.dvec4(1.0, 2.0, 3.0, 4.0), gb4=glm.dvec4(5.0, 6.0, 7.0, 8.0))
    if hasattr(vx, "CubicBezier"):
        ns.update(cb=vx.CubicBezier(*CURVE))
        ns.update(sp=vx.Spline([(k, (k * 7) % 5, (k * 3) % 4) for k in range(16)]))
    if bezier is not None and np is not None:
        bz = bezier.Curve(np.asfortranarray(np.array(CURVE).T), degree=3)
        ns.update(bz=bz, bp=bz.evaluate(0.3))
    if np is not None:
        ns.update(na=np.array([1.0, 2.0, 3.0]), nb=np.array([4.0, 5.0, 6.0]))
        ns.update(na2=np.array([1.0, 2.0]), nb2=np.array([4.0, 5.0]))
        ns.update(na4=np.array([1.0, 2.0, 3.0, 4.0]), nb4=np.array([5.0, 6.0, 7.0, 8.0]))
    return ns


def ns_per_call(stmt, ns, repeat):
    timer = timeit.Timer(stmt, globals=ns)
    number, _ = timer.autorange()
    number = max(number, 1000)
    return min(timer.repeat(repeat=repeat, number=number)) / number * 1e9


# Point-cloud builders, timed in a child process: (label, statement over `points`, an (N, 3) array).
CLOUD_BUILDERS = [
    ("Pointcloud.from_numpy", "vx.Pointcloud.from_numpy(points)"),
    # The same tree for query radii up to one point spacing, from a list (its conversion timed too).
    ("Pointcloud(list, r_range)", "vx.Pointcloud(listed, (0.0, len(points) ** (-1 / 3)))"),
    ("cKDTree", "cKDTree(points)"),
]


def resident_bytes():
    import resource

    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * resource.getpagesize()


def measure_cloud(builder, n, memory_gb, repeat):
    """In the child: seconds of the fastest build and bytes per point held by the first."""
    import resource

    from scipy.spatial import cKDTree

    points = np.random.default_rng(7).random((n, 3))
    ns = {"vx": vx, "cKDTree": cKDTree, "points": points, "listed": points.tolist() if "listed" in builder else None}
    cap = resident_bytes() + int(memory_gb * (1 << 30))
    resource.setrlimit(resource.RLIMIT_AS, (cap, resource.RLIM_INFINITY))
    before = resident_bytes()
    try:
        start = time.perf_counter()
        kept = eval(builder, ns)
        best = time.perf_counter() - start
        held = (resident_bytes() - before) / n
        for _ in range(repeat - 1):
            start = time.perf_counter()
            eval(builder, ns)
            best = min(best, time.perf_counter() - start)
    except MemoryError:
        print("MemoryError")
        return
    del kept
    print(f"{best} {held}")


def cloud_table(sizes, memory_gb, repeat):
    print(f"\n{'point cloud build':<30}{'points':>9}{'ms':>11}{'bytes/pt':>11}{'ms/cKDTree':>12}")
    for n in sizes:
        rows = []
        for label, stmt in CLOUD_BUILDERS:
            child = subprocess.run(
                [sys.executable, __file__, "--measure-cloud", stmt, "--points", str(n),
                 "--cloud-memory-gb", str(memory_gb), "--repeat", str(repeat)],
                capture_output=True, text=True)
            out = child.stdout.split()
            rows.append((label, None if len(out) != 2 else (float(out[0]), float(out[1])), out or child.stderr[-200:]))
        floor = rows[-1][1][0] if rows[-1][1] else None
        for label, got, raw in rows:
            if got is None:
                print(f"{label:<30}{n:>9}  {' '.join(raw) if isinstance(raw, list) else raw.strip()}"
                      f" (address space capped at {memory_gb} GiB)")
                continue
            ratio = f"{got[0] / floor:>12.1f}" if floor else f"{'-':>12}"
            print(f"{label:<30}{n:>9}{got[0] * 1e3:>11.1f}{got[1]:>11.1f}" + ratio)


# ---- collider queries: one call against the same query as a Python loop over the members' own
# collides, beside python-fcl's dynamic AABB tree holding the same shapes ----

COLLIDER_ROWS = [
    ("Collider({n} mixed) collides(sphere)", "col.collides(q_sphere)",
     {"loop": "any(m.collides(q_sphere) for m in members)", "fcl": "fcl_query(q_fcl_sphere)"}),
    ("Collider({n} mixed) collides(cuboid)", "col.collides(q_box)",
     {"loop": "any(m.collides(q_box) for m in members)", "fcl": "fcl_query(q_fcl_box)"}),
    ("Collider({n} mixed) collides(capsule)", "col.collides(q_capsule)",
     {"loop": "any(m.collides(q_capsule) for m in members)", "fcl": "fcl_query(q_fcl_capsule)"}),
    ("SphereCollection(1e5) any_collides_sphere", "sc.any_collides_sphere(q_sphere)",
     {"numpy": "bool((((centres - q_centre) ** 2).sum(axis=1) <= (radii + q_radius) ** 2).any())"}),
]
# Members per collider; the Python member loop is timed at the smallest size only.
COLLIDER_SIZES = (1000, 100_000)


def _fcl_pose(rng, direction=None):
    """A random rotation (or the one that takes z to `direction`) as a 3x3 array."""
    if direction is None:
        q, _ = np.linalg.qr(rng.normal(size=(3, 3)))
        return q * np.sign(np.linalg.det(q))
    z = direction / np.linalg.norm(direction)
    x = np.cross(z, [1.0, 0.0, 0.0] if abs(z[0]) < 0.9 else [0.0, 1.0, 0.0])
    x /= np.linalg.norm(x)
    return np.column_stack([x, np.cross(z, x), z])


def collider_namespace(n=1000, seed=7):
    """n shapes (spheres, cuboids, capsules, cylinders in turn) scattered in a cube holding one per
    1000 cubic units, each about one unit across, as vexorin shapes in a Collider and as python-fcl
    objects; queries inside the cube in a gap between members, so both sides answer the same question
    (no member is touched) among all they hold."""
    rng = np.random.default_rng(seed)
    side = 100.0 * (n / 1000) ** (1 / 3)
    members, fcl_objects = [], []
    for i in range(n):
        c = rng.uniform(0, side, 3)
        kind = i % 4
        if kind == 0:
            r = rng.uniform(0.3, 1.0)
            members.append(vx.Sphere(tuple(c), r))
            geom, rot = (fcl.Sphere(r) if fcl else None), np.eye(3)
        elif kind == 1:
            rot, h = _fcl_pose(rng), rng.uniform(0.2, 0.8, 3)
            members.append(vx.Cuboid(tuple(c), [tuple(a) for a in rot.T], tuple(h)))
            geom = fcl.Box(*(2 * h)) if fcl else None
        else:
            d, r = rng.normal(size=3), rng.uniform(0.2, 0.5)
            d *= rng.uniform(0.3, 1.0) / np.linalg.norm(d)
            cls = vx.Capsule if kind == 2 else vx.Cylinder
            members.append(cls(tuple(c - d / 2), tuple(c + d / 2), r))
            length = float(np.linalg.norm(d))
            geom = (fcl.Capsule(r, length) if kind == 2 else fcl.Cylinder(r, length)) if fcl else None
            rot = _fcl_pose(rng, d)
        if fcl:
            fcl_objects.append(fcl.CollisionObject(geom, fcl.Transform(rot, c)))
    col = vx.Collider.from_any(members)
    ns = {"members": members, "col": col, "np": np}
    # A gap near the middle of the cube: a ball of radius 2 there touches no member, so neither
    # does any of the three queries, which fit inside it.
    at = np.full(3, side / 2)
    while col.collides(vx.Sphere(tuple(at), 2.0)):
        at = rng.uniform(side / 4, 3 * side / 4, 3)
    x, y, z = (float(v) for v in at)
    ns.update(q_sphere=vx.Sphere((x, y, z), 1.0),
              q_box=vx.Cuboid((x, y, z), [(1, 0, 0), (0, 1, 0), (0, 0, 1)], (1.0, 1.0, 1.0)),
              q_capsule=vx.Capsule((x - 1.0, y, z), (x + 1.0, y, z), 0.5))
    spheres = [vx.Sphere(tuple(rng.uniform(0, 1000, 3)), rng.uniform(0.1, 1.0)) for _ in range(100_000)]
    ns.update(sc=vx.SphereCollection.from_slice(spheres))
    ns.update(centres=np.array([[s.center.x, s.center.y, s.center.z] for s in spheres]),
              radii=np.array([s.radius for s in spheres]), q_centre=at, q_radius=1.0)
    if fcl:
        manager = fcl.DynamicAABBTreeCollisionManager()
        manager.registerObjects(fcl_objects)
        manager.setup()

        def fcl_query(obj):
            data = fcl.CollisionData(request=fcl.CollisionRequest())
            manager.collide(obj, data, fcl.defaultCollisionCallback)
            return data.result.is_collision

        ns.update(fcl_query=fcl_query, q_fcl_sphere=fcl.CollisionObject(fcl.Sphere(1.0), fcl.Transform(at)),
                  q_fcl_box=fcl.CollisionObject(fcl.Box(2.0, 2.0, 2.0), fcl.Transform(at)),
                  q_fcl_capsule=fcl.CollisionObject(fcl.Capsule(0.5, 2.0),
                                                    fcl.Transform(_fcl_pose(rng, np.array([1.0, 0, 0])), at)))
    return ns


def collider_table(args):
    if not hasattr(vx, "Collider") or np is None:
        return
    names = ["loop", "fcl", "numpy"]
    print()
    print(f"{'collider operation':<44}{'vexorin':>10}" + "".join(f"{n:>10}" for n in names) + f"{'/best':>10}")
    for size in COLLIDER_SIZES:
        ns = collider_namespace(size)
        for label, stmt, baselines in COLLIDER_ROWS:
            title = label.format(n=size)
            if args.filter not in title or ("{n}" not in label and size != COLLIDER_SIZES[0]):
                continue
            ours = ns_per_call(stmt, ns, args.repeat)
            cells, times = [], []
            for n in names:
                s = baselines.get(n)
                if s is None or (n == "fcl" and fcl is None) or (n == "loop" and size != COLLIDER_SIZES[0]):
                    cells.append(f"{'-':>10}")
                    continue
                t = ns_per_call(s, ns, args.repeat)
                times.append(t)
                cells.append(f"{t:>10.1f}")
            ratio = f"{min(times) / ours:>9.1f}x" if times else f"{'-':>10}"
            print(f"{title:<44}{ours:>10.1f}" + "".join(cells) + ratio)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--filter", default="")
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--clouds", default="1000,10000,100000,1000000", help="point counts, or empty for none")
    parser.add_argument("--cloud-memory-gb", type=float, default=4.0)
    parser.add_argument("--measure-cloud", help=argparse.SUPPRESS)
    parser.add_argument("--points", type=int, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.measure_cloud:
        return measure_cloud(args.measure_cloud, args.points, args.cloud_memory_gb, min(args.repeat, 3))
    ns = namespace()
    names = ["complex", "glm", "numpy", "fcl", "bezier"]
    print(f"{'operation':<34}{'vexorin':>10}" + "".join(f"{n:>10}" for n in names) + f"{'/complex':>10}")
    for group, label, stmt, baselines in ROWS:
        title = f"{group} {label}"
        if args.filter not in title:
            continue
        try:
            ours = ns_per_call(stmt, ns, args.repeat)
        except (NameError, AttributeError):
            continue  # not built yet
        cells = []
        for n in names:
            s = baselines.get(n)
            if s is None or (n == "glm" and glm is None) or (n == "numpy" and np is None) or (
                    n == "fcl" and fcl is None) or (n == "bezier" and "bz" not in ns):
                cells.append(f"{'-':>10}")
                continue
            try:
                cells.append(f"{ns_per_call(s, ns, args.repeat):>10.1f}")
            except Exception:  # a baseline without that operation
                cells.append(f"{'n/a':>10}")
        floor = baselines.get("complex")
        ratio = f"{ours / ns_per_call(floor, ns, args.repeat):>10.2f}" if floor else f"{'-':>10}"
        print(f"{title:<34}{ours:>10.1f}" + "".join(cells) + ratio)
    collider_table(args)
    if args.clouds and np is not None and hasattr(vx, "Pointcloud"):
        cloud_table([int(n) for n in args.clouds.split(",")], args.cloud_memory_gb, min(args.repeat, 3))


if __name__ == "__main__":
    main()
