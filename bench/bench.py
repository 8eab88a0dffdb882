"""ns per call of vexorin's methods, beside peers doing the same work, measured in the same run.

    python3 bench/bench.py [--filter TEXT] [--rounds R] [--timing-ms T] [--repeat N]
                           [--clouds N,N,...] [--cloud-memory-gb G]

Every table row holds one statement for vexorin and one for each peer that does the same work: the
builtin `complex` (a floor: the interpreter's own cost of a small immutable number object), PyGLM,
NumPy, python-fcl (`fcl.collide` on the same pair, its `DynamicAABBTreeCollisionManager` on the same
members), the `bezier` package on the same curve, or a Python loop over the members' own `collides`.

The statements of a row are timed interleaved, round by round: each of R rounds times every statement
of the row once (the starting statement rotating from round to round), each timing running the
statement enough times to last about T ms, far above the timer's resolution. A row reports, per
statement, the median over rounds of its ns per call and, per peer, the median over rounds of the
ratio within a round:

    ratio = peer time / vexorin time: above 1 means vexorin is faster.

Every table, the point-cloud builds included, uses that direction. A load on the machine that comes
and goes falls on all the statements of a round alike, so the ratios hold where the ns do not. The
`iqr%` column is the widest interquartile range of a row's per-round ratios, in percent of its
median: the noise left in that row.

The collision rows say what both sides answered (each pair, each pool of collider queries, is asked
of every side once before timing and the answers compared); `DIFFER` marks a question on which
they disagree.

The last table builds point clouds from (N, 3) float64 arrays of N points uniform in the unit cube:
`Pointcloud.from_numpy` beside `scipy.spatial.cKDTree` on the same points, each build in a child
process whose address space is capped, so a build that outgrows the cap ends as a MemoryError row.
Memory is the growth of the resident set while the built object is alive, per point; `--repeat`
builds per cloud (the fastest counts, at most 3).
"""

import argparse
import itertools
import math
import pickle
import statistics
import subprocess
import sys
import time
import timeit
from dataclasses import dataclass, field
from typing import Callable, Optional

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
    import fcl  # python-fcl: an optional baseline for the collision rows
except ImportError:
    fcl = None

RATIO = "ratio = peer time / vexorin time: above 1 means vexorin is faster"
PEERS = {"complex": True, "glm": glm is not None, "numpy": np is not None, "fcl": fcl is not None,
         "bezier": bezier is not None, "loop": True}


# ---- the interleaved timing ----

@dataclass
class Row:
    title: str
    ours: str  # the vexorin statement
    peers: dict  # peer name -> statement
    per: int = 1  # calls made by one run of each statement
    reset: Optional[Callable] = None  # run before every timing, outside it
    answer: str = ""  # what every side answered, when the row is a yes/no question


@dataclass
class Timed:
    ns: dict = field(default_factory=dict)  # statement name -> median ns per call
    ratio: dict = field(default_factory=dict)  # peer name -> median per-round ratio
    spread: float = 0.0  # widest interquartile range of a ratio, in percent of its median
    failed: set = field(default_factory=set)  # peers whose statement raised


def calibrated(timer, target):
    """Runs per timing so that one timing lasts about `target` seconds."""
    number = 1
    while True:
        took = timer.timeit(number)
        if took >= target / 10:
            return max(1, math.ceil(number * target / took))
        number *= 10


def quartiles(values):
    q = statistics.quantiles(values, n=4, method="inclusive") if len(values) > 1 else [values[0]] * 3
    return q[0], q[2]


def time_row(row, ns, rounds, target):
    """None when vexorin's statement cannot run (not built yet)."""
    timers = {}
    out = Timed()
    for name, stmt in [("vexorin", row.ours)] + list(row.peers.items()):
        timer = timeit.Timer(stmt, globals=ns)
        try:
            if row.reset:
                row.reset()
            timer.timeit(1)
        except Exception as error:
            if name != "vexorin":
                out.failed.add(name)  # a peer without that operation
                continue
            if isinstance(error, (NameError, AttributeError)):
                return None  # not built yet
            raise
        timers[name] = timer
    numbers = {}
    for name, timer in timers.items():
        if row.reset:
            row.reset()
        numbers[name] = calibrated(timer, target)
    names = list(timers)
    samples = {name: [] for name in names}
    for r in range(rounds):
        start = r % len(names)
        for name in names[start:] + names[:start]:
            if row.reset:
                row.reset()
            took = timers[name].timeit(numbers[name])
            samples[name].append(took / (numbers[name] * row.per) * 1e9)
    for name in names:
        out.ns[name] = statistics.median(samples[name])
        if name == "vexorin":
            continue
        ratios = [p / v for p, v in zip(samples[name], samples["vexorin"])]
        out.ratio[name] = statistics.median(ratios)
        low, high = quartiles(ratios)
        out.spread = max(out.spread, (high - low) / out.ratio[name] * 100)
    return out


def fmt_ns(ns):
    return f"{ns:>10.1f}" if ns < 1e6 else f"{ns:>10.4g}"


def fmt_ratio(ratio):
    digits = 0 if ratio >= 100 else 1 if ratio >= 10 else 2 if ratio >= 0.1 else 4
    return f"{ratio:>7.{digits}f}"


def print_table(heading, columns, rows, ns, args, width=40):
    """Times and prints the rows whose title holds --filter; `columns` are the peers shown. False
    when no row was left to show."""
    rows = [r for r in rows if args.filter in r.title]
    if not rows:
        return False
    width = max(width, 2 + max(len(r.title) for r in rows))
    print(f"\n{heading:<{width}}{'vexorin':>10}" + "".join(f"{c:>10}{'ratio':>7}" for c in columns)
          + f"{'iqr%':>6}" + ("  answer" if any(r.answer for r in rows) else ""))
    for row in rows:
        got = time_row(row, ns, args.rounds, args.timing_ms / 1e3)
        if got is None:
            continue  # not built yet
        cells = []
        for c in columns:
            if c in got.failed:
                cells.append(f"{'n/a':>10}{'':>7}")
            elif c in got.ns:
                cells.append(fmt_ns(got.ns[c]) + fmt_ratio(got.ratio[c]))
            else:
                cells.append(f"{'-':>10}{'':>7}")
        spread = f"{got.spread:>6.1f}" if got.ratio else f"{'-':>6}"
        print(f"{row.title:<{width}}" + fmt_ns(got.ns["vexorin"]) + "".join(cells) + spread
              + (f"  {row.answer}" if row.answer else ""), flush=True)
    return True


def peers_of(table):
    """The rows' peer statements, without the peers that are not installed."""
    return {k: v for k, v in table.items() if PEERS[k]}


def agreement(answers):
    """'hit', 'miss' or DIFFER, from the answers of every side to one question."""
    values = set(bool(a) for a in answers.values())
    if len(values) == 1:
        return "hit" if values.pop() else "miss"
    return "DIFFER (" + ", ".join(f"{k}: {'hit' if v else 'miss'}" for k, v in answers.items()) + ")"


# ---- value types and the shapes' own methods ----

# (title, vexorin statement, {peer: statement}); statements run with namespace() below.
VALUE_ROWS = [
    ("Vec3 construct from floats", "Vec3(1.0, 2.0, 3.0)",
     {"complex": "complex(1.0, 2.0)", "glm": "gvec3(1.0, 2.0, 3.0)", "numpy": "np.array((1.0, 2.0, 3.0))"}),
    ("Vec3 construct from a tuple", "Vec3.from_array(t)",
     {"complex": "complex(*t2)", "glm": "gvec3(t)", "numpy": "np.array(t)"}),
    ("Vec3 a + b", "a + b", {"complex": "c + d", "glm": "ga + gb", "numpy": "na + nb"}),
    ("Vec3 a * 2.0", "a * 2.0", {"complex": "c * 2.0", "glm": "ga * 2.0", "numpy": "na * 2.0"}),
    ("Vec3 a == b", "a == b", {"complex": "c == d", "glm": "ga == gb"}),
    ("Vec3 a[1]", "a[1]", {"glm": "ga[1]", "numpy": "na[1]"}),
    ("Vec3 a.x", "a.x", {"complex": "c.real", "glm": "ga.x"}),
    ("Vec3 hash(a)", "hash(a)", {"complex": "hash(c)", "glm": "hash(ga)"}),
    ("Vec3 repr(a)", "repr(a)", {"complex": "repr(c)", "glm": "repr(ga)", "numpy": "repr(na)"}),
    ("Vec3 __getnewargs_ex__", "a.__getnewargs_ex__()", {"complex": "c.__getnewargs__()"}),
    ("Vec3 pickle round trip", "loads(dumps(a))", {"complex": "loads(dumps(c))", "numpy": "loads(dumps(na))"}),
    ("Vec3 to_json", "a.to_json()", {}),
    ("Vec3 to_numpy", "a.to_numpy()", {"numpy": "na.copy()"}),
    ("Vec3 length", "a.length()", {"complex": "abs(c)", "glm": "glm.length(ga)", "numpy": "np.linalg.norm(na)"}),
    ("Vec3 normalize", "a.normalize()", {"glm": "glm.normalize(ga)", "numpy": "na / np.linalg.norm(na)"}),
    ("Vec3 dot", "a.dot(b)", {"glm": "glm.dot(ga, gb)", "numpy": "na.dot(nb)"}),
    ("Vec3 dot with a tuple", "a.dot(t)", {"glm": "glm.dot(ga, gvec3(t))", "numpy": "na.dot(t)"}),
    ("Vec3 cross", "a.cross(b)", {"glm": "glm.cross(ga, gb)", "numpy": "np.cross(na, nb)"}),
    ("Vec3 lerp", "a.lerp(b, 0.25)", {"glm": "glm.mix(ga, gb, 0.25)", "numpy": "na + (nb - na) * 0.25"}),
    ("Vec3 distance", "a.distance(b)", {"glm": "glm.distance(ga, gb)", "numpy": "np.linalg.norm(na - nb)"}),
    ("Vec3 clamp", "a.clamp(b, b)", {"glm": "glm.clamp(ga, gb, gb)", "numpy": "np.clip(na, nb, nb)"}),
    ("Vec3 rotate_axis", "a.rotate_axis(b, 0.5)", {"glm": "glm.rotate(ga, 0.5, gb)"}),
    ("Vec3 slerp", "a.slerp(b, 0.25)", {"glm": "glm.slerp(ga, gb, 0.25)"}),
    ("Vec2 construct from floats", "Vec2(1.0, 2.0)",
     {"complex": "complex(1.0, 2.0)", "glm": "gvec2(1.0, 2.0)", "numpy": "np.array((1.0, 2.0))"}),
    ("Vec2 a + b", "a2 + b2", {"complex": "c + d", "glm": "ga2 + gb2", "numpy": "na2 + nb2"}),
    ("Vec2 a * 2.0", "a2 * 2.0", {"complex": "c * 2.0", "glm": "ga2 * 2.0", "numpy": "na2 * 2.0"}),
    ("Vec2 length", "a2.length()", {"complex": "abs(c)", "glm": "glm.length(ga2)", "numpy": "np.linalg.norm(na2)"}),
    ("Vec2 normalize", "a2.normalize()", {"glm": "glm.normalize(ga2)", "numpy": "na2 / np.linalg.norm(na2)"}),
    ("Vec2 dot", "a2.dot(b2)", {"glm": "glm.dot(ga2, gb2)", "numpy": "na2.dot(nb2)"}),
    ("Vec2 lerp", "a2.lerp(b2, 0.25)", {"glm": "glm.mix(ga2, gb2, 0.25)", "numpy": "na2 + (nb2 - na2) * 0.25"}),
    ("Vec2 angle_to", "a2.angle_to(b2)", {}),  # PyGLM has no oriented angle between two vectors
    ("Vec2 pickle round trip", "loads(dumps(a2))", {"complex": "loads(dumps(c))", "numpy": "loads(dumps(na2))"}),
    ("Vec4 construct from floats", "Vec4(1.0, 2.0, 3.0, 4.0)",
     {"complex": "complex(1.0, 2.0)", "glm": "gvec4(1.0, 2.0, 3.0, 4.0)", "numpy": "np.array((1.0, 2.0, 3.0, 4.0))"}),
    ("Vec4 a + b", "a4 + b4", {"complex": "c + d", "glm": "ga4 + gb4", "numpy": "na4 + nb4"}),
    ("Vec4 a * 2.0", "a4 * 2.0", {"complex": "c * 2.0", "glm": "ga4 * 2.0", "numpy": "na4 * 2.0"}),
    ("Vec4 length", "a4.length()", {"complex": "abs(c)", "glm": "glm.length(ga4)", "numpy": "np.linalg.norm(na4)"}),
    ("Vec4 normalize", "a4.normalize()", {"glm": "glm.normalize(ga4)", "numpy": "na4 / np.linalg.norm(na4)"}),
    ("Vec4 dot", "a4.dot(b4)", {"glm": "glm.dot(ga4, gb4)", "numpy": "na4.dot(nb4)"}),
    ("Vec4 lerp", "a4.lerp(b4, 0.25)", {"glm": "glm.mix(ga4, gb4, 0.25)", "numpy": "na4 + (nb4 - na4) * 0.25"}),
    ("Vec4 pickle round trip", "loads(dumps(a4))", {"complex": "loads(dumps(c))", "numpy": "loads(dumps(na4))"}),
    ("Quat q * r", "q * r", {"complex": "c * d", "glm": "gq * gr"}),
    ("Quat q * v", "q * a", {"glm": "gq * ga"}),
    ("Quat from_euler", "Quat.from_euler(ZYX, 0.1, 0.2, 0.3)", {"glm": "gquat(gvec3(0.3, 0.2, 0.1))"}),
    ("Mat4 m * n", "m4 * n4", {"glm": "gm4 * gn4", "numpy": "nm4 @ nn4"}),
    ("Mat4 m * v", "m4 * a4", {"glm": "gm4 * ga4", "numpy": "nm4 @ na4"}),
    ("Mat4 inverse", "m4.inverse()", {"glm": "glm.inverse(gm4)", "numpy": "np.linalg.inv(nm4)"}),
    ("Affine3 a * b", "aff * bff", {"glm": "gm4 * gn4", "numpy": "nm4 @ nn4"}),
    ("Sphere construct from a Vec3", "Sphere(a, 0.5)", {"complex": "complex(1.0, 2.0)"}),
    ("Sphere s.center", "sph.center", {"complex": "c.real"}),
    ("Sphere repr(s)", "repr(sph)", {"complex": "repr(c)"}),
    ("Sphere pickle round trip", "loads(dumps(sph))", {"complex": "loads(dumps(c))"}),
    ("Cuboid construct from tuples", "Cuboid(t, eye3, t)", {"complex": "complex(1.0, 2.0)"}),
]

CURVE = [(0.0, 0.0, 0.0), (1.0, 2.0, 0.5), (3.0, 2.5, -1.0), (4.0, 0.0, 1.0)]

CURVE_ROWS = [
    ("CubicBezier point(t)", "cb.point(0.3)", {"complex": "c + d", "bezier": "bz.evaluate(0.3)"}),
    ("CubicBezier length()", "cb.length()", {"complex": "c + d", "bezier": "bz.length"}),
    ("CubicBezier nearest(p)", "cb.nearest(a)", {"complex": "c + d"}),
    ("Spline point(t), 16 points", "sp.point(0.3)", {"complex": "c + d"}),
    ("Spline length(), 16 points", "sp.length()", {"complex": "c + d"}),
]
CURVE_NOTES = [
    "nearest(p): no peer. bezier answers no nearest-point question for a 3-D curve: Curve.locate(p)",
    "  finds the parameter of a point that lies on the curve, and returns None for any other point.",
    "length(): vexorin integrates in single precision (Gauss-Legendre), bezier in double precision",
    "  (adaptive QUADPACK): not the same accuracy.",
]


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
        ns.update(bz=bezier.Curve(np.asfortranarray(np.array(CURVE).T), degree=3))
    if np is not None:
        ns.update(na=np.array([1.0, 2.0, 3.0]), nb=np.array([4.0, 5.0, 6.0]))
        ns.update(na2=np.array([1.0, 2.0]), nb2=np.array([4.0, 5.0]))
        ns.update(na4=np.array([1.0, 2.0, 3.0, 4.0]), nb4=np.array([5.0, 6.0, 7.0, 8.0]))
    return ns


def rows_of(table):
    return [Row(title, ours, peers_of(peers)) for title, ours, peers in table]


# ---- pairs of shapes beside fcl.collide ----

def turned(angle):
    """The columns of a turn by `angle` about the axis (1, 2, 2)/3, as three tuples."""
    k = (1 / 3, 2 / 3, 2 / 3)
    c, s = math.cos(angle), math.sin(angle)
    cross = [(0, -k[2], k[1]), (k[2], 0, -k[0]), (-k[1], k[0], 0)]
    m = [[c * (i == j) + s * cross[i][j] + (1 - c) * k[i] * k[j] for j in range(3)] for i in range(3)]
    return tuple(tuple(m[i][j] for i in range(3)) for j in range(3))


def hull12(seed=3):
    """Twelve points on an ellipsoid, every one a corner of their convex hull, and the hull's 20
    triangles, each wound counterclockwise seen from outside."""
    rng = np.random.default_rng(seed)
    d = rng.normal(size=(12, 3))
    points = d / np.linalg.norm(d, axis=1, keepdims=True) * (0.9, 0.7, 0.5)
    faces = []
    for i, j, k in itertools.combinations(range(12), 3):
        side = (points - points[i]) @ np.cross(points[j] - points[i], points[k] - points[i])
        side[[i, j, k]] = 0.0
        if (side <= 0).all():
            faces.append((i, j, k))
        elif (side >= 0).all():
            faces.append((i, k, j))
    assert len(faces) == 20, len(faces)
    return points, faces


def hull_planes(points, faces):
    """(outward unit normal, offset) per face: inside is normal . x <= offset."""
    out = []
    for i, j, k in faces:
        n = np.cross(points[j] - points[i], points[k] - points[i])
        n /= np.linalg.norm(n)
        out.append((n, float(n @ points[i])))
    return out


def polytope(points, faces):
    return vx.ConvexPolytope([(tuple(map(float, n)), d) for n, d in hull_planes(points, faces)],
                             [tuple(map(float, p)) for p in points])


def fcl_object(shape):
    """The python-fcl object for a vexorin sphere, cuboid or capsule."""
    def placed(geometry, rotation=np.eye(3), center=(0.0, 0.0, 0.0)):
        return fcl.CollisionObject(geometry, fcl.Transform(np.asarray(rotation, float), np.asarray(center, float)))

    if isinstance(shape, vx.Sphere):
        return placed(fcl.Sphere(shape.radius), center=tuple(shape.center))
    if isinstance(shape, vx.Cuboid):
        return placed(fcl.Box(*(2 * h for h in shape.half_extents)), np.array(shape.axes).T, tuple(shape.center))
    p1, p2 = np.array(tuple(shape.p1)), np.array(tuple(shape.p2))
    return placed(fcl.Capsule(shape.radius, np.linalg.norm(p2 - p1)), z_to(p2 - p1), (p1 + p2) / 2)


def z_to(direction):
    """A rotation taking z to `direction`, as a 3x3 array."""
    z = direction / np.linalg.norm(direction)
    x = np.cross(z, [1.0, 0.0, 0.0] if abs(z[0]) < 0.9 else [0.0, 1.0, 0.0])
    x /= np.linalg.norm(x)
    return np.column_stack([x, np.cross(z, x), z])


def pair_shapes():
    """(title, shape, other shape) per row: a hit and a near miss per kind, turned off the world axes.
    The polytopes are one 12-vertex hull, turned and moved: the miss moved out along a face normal
    of the first, so that a face plane separates them."""
    axes, axes2 = turned(0.4), turned(1.1)
    a0, b2 = np.array(axes[0]), np.array(axes2[2])
    sph = vx.Sphere((1.0, 2.0, 3.0), 0.5)
    box = vx.Cuboid((1.6, 2.0, 3.0), axes, (0.5, 0.4, 0.3))
    h1 = h2 = (0.5, 0.4, 0.3)
    # The miss: box2 moved out along its own third axis until the boxes' reaches on it are 0.05 apart.
    reach = sum(h1[i] * abs(np.array(axes[i]) @ b2) for i in range(3)) + h2[2] + 0.05
    far = np.array(tuple(box.center)) - reach * b2
    cap = vx.Capsule((0.0, 0.0, 0.0), (1.0, 1.0, 0.0), 0.3)
    points, faces = hull12()
    turn = np.array(turned(0.9)).T
    moved = points @ turn.T
    normal, offset = max(hull_planes(points, faces), key=lambda plane: plane[0] @ (1.0, 0.5, 0.3))
    apart = offset - (moved @ normal).min() + 0.05
    return [
        ("collides sphere-sphere hit", sph, vx.Sphere((1.5, 2.2, 3.1), 0.5)),
        ("collides sphere-sphere miss", sph, vx.Sphere((1.35, 2.7, 3.7), 0.5)),  # 1.05 apart, radii sum to 1
        ("collides sphere-cuboid hit", sph, box),
        ("collides sphere-cuboid miss", vx.Sphere(tuple(np.array(tuple(box.center)) + 1.1 * a0), 0.5), box),
        ("collides cuboid-cuboid hit", box, vx.Cuboid((2.2, 2.3, 3.2), axes2, h2)),
        ("collides cuboid-cuboid miss", box, vx.Cuboid(tuple(far), axes2, h2)),
        ("collides capsule-capsule hit", cap, vx.Capsule((0.0, 1.0, 0.1), (1.0, 0.0, 0.1), 0.3)),
        ("collides capsule-capsule miss", cap, vx.Capsule((0.0, 1.0, 0.65), (1.0, 0.0, 0.65), 0.3)),
        ("collides polytope-polytope hit, 12 vertices", (points, faces), (moved + (0.7, 0.4, 0.2), faces)),
        ("collides polytope-polytope miss, 12 vertices", (points, faces), (moved + apart * normal, faces)),
    ]


def pair_table(args):
    if not hasattr(vx, "Shape") or np is None:
        return
    rows, ns = [], {}
    request = fcl.CollisionRequest() if fcl else None
    result = fcl.CollisionResult() if fcl else None

    def clear():
        # fcl.collide adds a contact to the result on every hit: start each timing with none.
        result.contacts.clear()
        result.cost_sources.clear()
        result.is_collision = False

    for i, (title, one, other) in enumerate(pair_shapes()):
        if isinstance(one, tuple):
            mine = [polytope(*one), polytope(*other)]
            theirs = [fcl.CollisionObject(fcl.Convex(p, len(f), np.array([[3, *t] for t in f]).ravel()))
                      for p, f in (one, other)] if fcl else None
        else:
            mine, theirs = [one, other], ([fcl_object(one), fcl_object(other)] if fcl else None)
        ns.update({f"s{i}": mine[0], f"t{i}": mine[1]})
        answers = {"vexorin": mine[0].collides(mine[1])}
        peers = {}
        if fcl:
            ns.update({f"f{i}": theirs[0], f"g{i}": theirs[1]})
            answers["fcl"] = fcl.collide(theirs[0], theirs[1], fcl.CollisionRequest(), fcl.CollisionResult()) > 0
            peers["fcl"] = f"collide(f{i}, g{i}, request, result)"
        rows.append(Row(title, f"s{i}.collides(t{i})", peers, reset=clear if fcl else None, answer=agreement(answers)))
    ns.update(collide=fcl.collide if fcl else None, request=request, result=result)
    if not print_table("shape pair collides", ["fcl"], rows, ns, args):
        return
    print("note: fcl.collide gets a CollisionRequest and a CollisionResult built once, outside the timing")
    print("  (the result's contacts are cleared before each timing). On every hit python-fcl turns the")
    print("  contact FCL reports into a Python Contact holding four NumPy arrays, asked for or not: that is")
    print("  most of the gap between its hit and miss rows. vexorin answers a bool and builds nothing.")
    print("  The polytopes are one hull of 12 vertices and 20 triangles, turned and moved: fcl.Convex and")
    print("  ConvexPolytope get the same vertices (and the faces, or their planes). The miss is apart")
    print("  across a face plane of the first: vexorin's polytope test separates on face planes only, so")
    print("  a pair apart only across an edge-against-edge direction may answer hit there, miss in fcl.")


# ---- collider queries beside python-fcl's dynamic AABB tree, and the sphere array beside NumPy ----

COLLIDER_SIZES = (1000, 100_000)  # members; the Python member loop is timed at the smallest only
POOL = 64  # queries per pool: half of them hit
QUERY_KINDS = ("sphere", "cuboid", "capsule")


def collider_members(n, rng):
    """n shapes (spheres, cuboids, capsules, cylinders in turn) scattered in a cube holding one per
    1000 cubic units, each about one unit across, as vexorin shapes and as python-fcl objects, and
    the centre of each."""
    side = 100.0 * (n / 1000) ** (1 / 3)
    members, fcl_objects, centres = [], [], []
    for i in range(n):
        c = rng.uniform(0, side, 3)
        centres.append(c)
        kind = i % 4
        if kind == 0:
            r = rng.uniform(0.3, 1.0)
            members.append(vx.Sphere(tuple(c), r))
            geom, rot = (fcl.Sphere(r) if fcl else None), np.eye(3)
        elif kind == 1:
            q, _ = np.linalg.qr(rng.normal(size=(3, 3)))
            rot, h = q * np.sign(np.linalg.det(q)), rng.uniform(0.2, 0.8, 3)
            members.append(vx.Cuboid(tuple(c), [tuple(a) for a in rot.T], tuple(h)))
            geom = fcl.Box(*(2 * h)) if fcl else None
        else:
            d, r = rng.normal(size=3), rng.uniform(0.2, 0.5)
            d *= rng.uniform(0.3, 1.0) / np.linalg.norm(d)
            cls = vx.Capsule if kind == 2 else vx.Cylinder
            members.append(cls(tuple(c - d / 2), tuple(c + d / 2), r))
            length = float(np.linalg.norm(d))
            geom = (fcl.Capsule(r, length) if kind == 2 else fcl.Cylinder(r, length)) if fcl else None
            rot = z_to(d)
        if fcl:
            fcl_objects.append(fcl.CollisionObject(geom, fcl.Transform(rot, c)))
    return members, fcl_objects, centres


def query_shape(kind, at, rng):
    x, y, z = (float(v) for v in at)
    if kind == "sphere":
        return vx.Sphere((x, y, z), 1.0)
    if kind == "cuboid":
        return vx.Cuboid((x, y, z), turned(rng.uniform(0, 3)), (1.0, 0.8, 0.6))
    d = rng.normal(size=3)
    d /= np.linalg.norm(d)
    return vx.Capsule(tuple(at - d), tuple(at + d), 0.5)


def query_pool(col, kind, centres, rng):
    """POOL queries of one kind placed 0 to 3 units from random members' centres, half of them
    touching some member (by the collider's answer), in a shuffled order."""
    hits, misses = [], []
    while len(hits) < POOL // 2 or len(misses) < POOL // 2:
        d = rng.normal(size=3)
        at = centres[rng.integers(len(centres))] + d / np.linalg.norm(d) * rng.uniform(0.0, 3.0)
        q = query_shape(kind, at, rng)
        bucket = hits if col.collides(q) else misses
        if len(bucket) < POOL // 2:
            bucket.append(q)
    pool = hits + misses
    rng.shuffle(pool)
    return pool


def differing_pairs(q, members, fcl_objects, centres):
    """Why vexorin and python-fcl answer a collider query differently: the kinds of the members
    near it on which their own pair tests differ."""
    if fcl is None:
        return ["the collider against its members' own tests"]
    fq = fcl_object(q)
    out = []
    for i in np.flatnonzero(np.linalg.norm(np.asarray(centres) - np.array(tuple(q.center)), axis=1) < 6.0):
        m = members[i]
        ours = m.collides(q)
        if ours == (fcl.collide(fq, fcl_objects[i], fcl.CollisionRequest(), fcl.CollisionResult()) > 0):
            continue
        why = f"{type(q).__name__.lower()}-{type(m).__name__.lower()}"
        if isinstance(m, vx.Cylinder) and ours and vx.Capsule(m.p1, m.p2, m.radius).collides(q):
            why += " at a rounded cap"
        out.append(why)
    return out or ["no single member"]


def collider_rows(size, args):
    rng = np.random.default_rng(7)
    members, fcl_objects, centres = collider_members(size, rng)
    col = vx.Collider.from_any(members)
    ns = {"col": col, "members": members}
    rows = []
    if fcl:
        manager = fcl.DynamicAABBTreeCollisionManager()
        manager.registerObjects(fcl_objects)
        manager.setup()
        data = fcl.CollisionData(request=fcl.CollisionRequest())

        def first_hit(o1, o2, data):
            # Stops the tree walk at the first contact: the question is whether any member is hit.
            if not data.done and fcl.collide(o1, o2, data.request, data.result):
                data.done = True
            return data.done

        def clear():
            data.result = fcl.CollisionResult()

        def fcl_answer(q):
            data.done = False
            data.result = fcl.CollisionResult()
            manager.collide(q, data, first_hit)
            return data.result.is_collision

        ns.update(manager=manager, data=data, first_hit=first_hit)
    for kind in QUERY_KINDS:
        title = f"Collider({size} mixed) collides({kind})"
        if args.filter not in title:
            continue
        pool = query_pool(col, kind, centres, rng)
        ns[f"pool_{kind}"] = pool
        # Asking the whole pool here also builds the collider's query index (it is built once a few
        # queries have been asked of an unchanged collider), so no timing pays for it.
        answers = {"vexorin": [col.collides(q) for q in pool]}
        peers = {}
        if size == COLLIDER_SIZES[0]:
            answers["loop"] = [any(m.collides(q) for m in members) for q in pool]
            peers["loop"] = f"for q in pool_{kind}:\n    any(m.collides(q) for m in members)"
        if fcl:
            ns[f"fpool_{kind}"] = [fcl_object(q) for q in pool]
            answers["fcl"] = [fcl_answer(q) for q in ns[f"fpool_{kind}"]]
            peers["fcl"] = f"for q in fpool_{kind}:\n    data.done = False\n    manager.collide(q, data, first_hit)"
        differ = [i for i in range(POOL) if len({a[i] for a in answers.values()}) > 1]
        rate = {k: f"{sum(a) * 100 / POOL:.0f}%" for k, a in answers.items()}
        answer = f"{POOL} queries, hit " + ", ".join(f"{k} {v}" for k, v in rate.items()) + (
            f"; DIFFER on {len(differ)}: " + ", ".join(sorted(set(
                why for i in differ for why in differing_pairs(pool[i], members, fcl_objects, centres))))
            if differ else "; all agree")
        rows.append(Row(title, f"for q in pool_{kind}:\n    col.collides(q)", peers, per=POOL,
                        reset=clear if fcl else None, answer=answer))
    return rows, ns


SPHERE_ARRAY_CASES = {"miss": "miss", "hit at the last sphere": "last"}


def sphere_array_rows(args):
    """SphereCollection.any_collides_sphere over 10^5 spheres beside the same float32 data in NumPy
    arrays; the query misses every sphere, or touches only the last one, so both scan them all."""
    n = 100_000
    rng = np.random.default_rng(11)
    xs, ys, zs = (rng.uniform(0, 1000, n).astype(np.float32) for _ in range(3))
    rs = rng.uniform(0.1, 1.0, n).astype(np.float32)
    sc = vx.SphereCollection.from_slice(
        [vx.Sphere((float(x), float(y), float(z)), float(r)) for x, y, z, r in zip(xs, ys, zs, rs)])
    ns = {"sc": sc, "xs": xs, "ys": ys, "zs": zs, "rs": rs}

    def touched(at, radius):
        qx, qy, qz = (np.float32(v) for v in at)
        return np.flatnonzero((qx - xs) ** 2 + (qy - ys) ** 2 + (qz - zs) ** 2 <= (np.float32(radius) + rs) ** 2)

    miss = rng.uniform(0, 1000, 3)
    while len(touched(miss, 1.0)):
        miss = rng.uniform(0, 1000, 3)
    last = np.array([xs[-1], ys[-1], zs[-1]], float) + (float(rs[-1]) + 0.5, 0.0, 0.0)
    assert list(touched(last, 1.0)) == [n - 1]
    rows = []
    for (case, key), at in zip(SPHERE_ARRAY_CASES.items(), (miss, last)):
        ns[f"q_{key}"] = vx.Sphere(tuple(map(float, at)), 1.0)
        ns.update({f"{key}_{k}": np.float32(v) for k, v in zip("xyzr", (*at, 1.0))})
        stmt = (f"bool((({key}_x - xs) ** 2 + ({key}_y - ys) ** 2 + ({key}_z - zs) ** 2"
                f" <= ({key}_r + rs) ** 2).any())")
        answers = {"vexorin": sc.any_collides_sphere(ns[f"q_{key}"]), "numpy": eval(stmt, ns)}
        rows.append(Row(f"SphereCollection(1e5) any_collides_sphere, {case}", f"sc.any_collides_sphere(q_{key})",
                        {"numpy": stmt}, answer=agreement(answers)))
    return rows, ns


SPHERE_ARRAY_TITLES = [f"SphereCollection(1e5) any_collides_sphere, {name}" for name in SPHERE_ARRAY_CASES]


def cpu_has_avx2():
    try:
        with open("/proc/cpuinfo") as f:
            return any(line.startswith("flags") and " avx2" in line for line in f)
    except OSError:
        return False


def collider_table(args):
    if not hasattr(vx, "Collider") or np is None:
        return
    shown = False
    for size in COLLIDER_SIZES:
        if any(args.filter in f"Collider({size} mixed) collides({k})" for k in QUERY_KINDS):
            rows, ns = collider_rows(size, args)
            shown |= print_table(f"collider of {size} members", ["fcl", "loop"], rows, ns, args, width=44)
    if shown:
        print(f"note: a pool is {POOL} queries (sphere r 1; cuboid 2 x 1.6 x 1.2, turned; capsule length 2,")
        print(f"  r 0.5) placed 0 to 3 units from random members' centres, {POOL // 2} of them touching a member")
        print("  by vexorin's answer, asked in a shuffled order, the same on every side; ns are per query.")
        print("  Each pool is asked of every side once before timing, which also builds the collider's query")
        print("  index. python-fcl's manager calls back into Python for every pair of overlapping bounding")
        print("  boxes; the callback (a Python function that stops the walk at the first contact) is faster")
        print("  than fcl.defaultCollisionCallback, which walks on to a second contact.")
        print("  Where the answers differ on a cuboid query against a cylinder 'at a rounded cap', the")
        print("  shapes are apart for fcl, whose cylinder has flat caps, while vexorin's cylinder-cuboid test")
        print("  measures from the cylinder's axis, so near a cap the cylinder counts as the capsule about")
        print("  its axis (that capsule touches the query): the two libraries answer different questions there.")
    if any(args.filter in title for title in SPHERE_ARRAY_TITLES):
        rows, ns = sphere_array_rows(args)
        if not print_table("sphere array", ["numpy"], rows, ns, args, width=44):
            return
        print("note: NumPy holds the same spheres as float32 x, y, z, r arrays and tests all of them in")
        print("  float32 ((q - c)^2 summed x, y, z, against (q.r + r)^2, as vexorin does); the query misses")
        print("  every sphere or touches only the last one, so both scan the whole array. vexorin's sweep runs")
        print(f"  its {'AVX2' if cpu_has_avx2() else 'baseline'} build here (chosen at run time by the processor).")


# ---- point-cloud builds, each in a child process ----

# (label, statement over `points`, an (N, 3) array).
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
    print(f"\n{'point cloud build':<30}{'points':>9}{'ms':>11}{'bytes/pt':>11}{'ratio':>8}")
    for n in sizes:
        rows = []
        for label, stmt in CLOUD_BUILDERS:
            child = subprocess.run(
                [sys.executable, __file__, "--measure-cloud", stmt, "--points", str(n),
                 "--cloud-memory-gb", str(memory_gb), "--repeat", str(repeat)],
                capture_output=True, text=True)
            out = child.stdout.split()
            rows.append((label, None if len(out) != 2 else (float(out[0]), float(out[1])), out or child.stderr[-200:]))
        peer = rows[-1][1][0] if rows[-1][1] else None
        for label, got, raw in rows:
            if got is None:
                print(f"{label:<30}{n:>9}  {' '.join(raw) if isinstance(raw, list) else raw.strip()}"
                      f" (address space capped at {memory_gb} GiB)")
                continue
            ratio = " " + fmt_ratio(peer / got[0]) if peer and label != "cKDTree" else f"{'-':>8}"
            print(f"{label:<30}{n:>9}{got[0] * 1e3:>11.1f}{got[1]:>11.1f}" + ratio)
    print("note: ratio = cKDTree build time / this build's time (fastest of the builds in one child each):")
    print("  above 1 means vexorin builds faster. These builds are not interleaved: each runs alone.")


def main():
    parser = argparse.ArgumentParser(description=RATIO)
    parser.add_argument("--filter", default="", help="only rows whose title holds this text")
    parser.add_argument("--rounds", type=int, default=21, help="rounds of interleaved timings per row")
    parser.add_argument("--timing-ms", type=float, default=5.0, help="length of one timing of one statement")
    parser.add_argument("--repeat", type=int, default=3, help="builds per point cloud (the fastest counts, at most 3)")
    parser.add_argument("--clouds", default="1000,10000,100000,1000000", help="point counts, or empty for none")
    parser.add_argument("--cloud-memory-gb", type=float, default=4.0)
    parser.add_argument("--measure-cloud", help=argparse.SUPPRESS)
    parser.add_argument("--points", type=int, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.measure_cloud:
        return measure_cloud(args.measure_cloud, args.points, args.cloud_memory_gb, min(args.repeat, 3))
    resolution = time.get_clock_info("perf_counter").resolution
    print(f"ns per call: median of {args.rounds} rounds; each round times every statement of a row once")
    print(f"(rotating which goes first), each timing ~{args.timing_ms:g} ms (timer resolution {resolution:.0e} s).")
    print(f"{RATIO}; the ratio is the median of the per-round ratios,")
    print("iqr% the widest interquartile range of a row's ratios in percent of the median;")
    print("'-': no peer statement for that row (or the peer is not installed), 'n/a': the peer's statement raised.")
    ns = namespace()
    print_table("operation", ["complex", "glm", "numpy"], rows_of(VALUE_ROWS), ns, args, width=34)
    if print_table("curve", ["complex", "bezier"], rows_of(CURVE_ROWS), ns, args, width=34):
        print("\n".join("note: " + line if not line.startswith(" ") else line for line in CURVE_NOTES))
    pair_table(args)
    collider_table(args)
    if args.clouds and np is not None and hasattr(vx, "Pointcloud"):
        cloud_table([int(n) for n in args.clouds.split(",")], args.cloud_memory_gb, min(args.repeat, 3))


if __name__ == "__main__":
    main()
