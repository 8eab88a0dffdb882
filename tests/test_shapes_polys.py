"""ConvexPolygon, ConvexPolytope and Pointcloud: rows of the shape table's conventions, then each class's own
rules (derived frames and vertex order, plane lists and sweeps, point clouds from lists and arrays)."""

import os
import pickle
import re
import struct
import subprocess
import sys
import types

import pytest

from support import p_stream
from vexorin import ConvexPolygon, ConvexPolytope, Cuboid, Pointcloud, Vec3

INF, NAN = float("inf"), float("nan")
EYE = ((1, 0, 0), (0, 1, 0), (0, 0, 1))


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def state(obj):
    return obj.__getnewargs_ex__()[1]["__pickle_state__"]


def plain_state(obj):
    return pickle.loads(state(obj))


R2 = f32(0.5**0.5)
CORNERS = [(x, y, z) for x in (-1, 1) for y in (-2, 2) for z in (-3, 3)]
FACES = [((1, 0, 0), 1), ((-1, 0, 0), 1), ((0, 1, 0), 2), ((0, -1, 0), 2), ((0, 0, 1), 3), ((0, 0, -1), 3)]


def polytope_state(obb):
    return {"planes": [(tuple(map(float, n)), float(d)) for n, d in FACES],
            "vertices": [tuple(map(float, v)) for v in CORNERS], "obb": obb}


# One point (1, 2, 3): one leaf holding it and seven +inf lanes, a sphere array of sixteen lanes.
CLOUD = {
    "tree": {"tests": [], "aabbs": [{"lo": [1.0, 2.0, 3.0], "hi": [1.0, 2.0, 3.0]}], "starts": [0, 8],
             "afforded": [[c] + [INF] * 7 for c in (1.0, 2.0, 3.0)], "r_point": 0.5, "lanes_log2": 3},
    "spheres": {**{k: [c] + [f] * 15 for k, c, f in [("x", 1.0, 0.0), ("y", 2.0, 0.0), ("z", 3.0, 0.0), ("r", 0.5, NAN)]},
                "len": 1},
    "point_radius": 0.5, "r_range": (0.0, 1.0), "inverse_transform": None}

# The columns of the shape table: class, constructor args, pickled state, repr, field names, missing-argument text.
ROWS = [
    pytest.param(ConvexPolygon, ((1, 2, 3), (0, 0, 1), [(0, 0), (1, 0), (0, 1)]),
                 {"center": (1.0, 2.0, 3.0), "normal": (0.0, 0.0, 1.0), "u_axis": (-1.0, 0.0, 0.0),
                  "v_axis": (0.0, 1.0, -0.0), "vertices_2d": [(0.0, 0.0), (1.0, 0.0), (0.0, 1.0)],
                  "vertices_3d": [(1.0, 2.0, 3.0), (0.0, 2.0, 3.0), (1.0, 3.0, 3.0)],
                  "edge_normals_2d": [(0.0, -1.0), (R2, R2), (-1.0, -0.0)], "edge_offsets_2d": [0.0, R2, -0.0],
                  "bounding_radius": 1.0},
                 "ConvexPolygon(center: [1, 2, 3], normal: [0, 0, 1], vertices: 3)",
                 ["center", "normal", "u_axis", "v_axis", "vertices_2d"],
                 "ConvexPolygon requires center, normal, vertices_2d arguments", id="ConvexPolygon"),
    pytest.param(ConvexPolytope, (FACES, CORNERS),
                 polytope_state({"center": (0.0, 0.0, 0.0), "axes": tuple(tuple(map(float, a)) for a in EYE),
                                 "half_extents": (1.0, 2.0, 3.0), "axis_aligned": True}),
                 "ConvexPolytope(planes: 6, vertices: 8)", ["planes", "vertices"],
                 "ConvexPolytope requires planes, vertices arguments", id="ConvexPolytope"),
    pytest.param(Pointcloud, ([(1, 2, 3)], (0, 1), 0.5), CLOUD, "Pointcloud(...)", [],
                 "Pointcloud requires points argument", id="Pointcloud"),
]
CHECKS = ["test_state_bytes_repr_and_fields", "test_state_is_what_cpython_reads",
          "test_round_trips_keep_every_stored_field", "test_missing_arguments",
          "test_identity_comparison_and_final_classes"]


@pytest.mark.parametrize("check", CHECKS)
@pytest.mark.parametrize("cls, args, body, text, fields, missing", ROWS)
def test_shape_table_conventions(check, cls, args, body, text, fields, missing):
    frame = pytest.importorskip("test_shapes")  # the table's checks (their module needs the test-only probe)
    getattr(frame, check)(cls, args, body, text, fields, missing)


@pytest.mark.parametrize(
    "cls, good, bad, error, note",
    [
        (ConvexPolygon, ((0, 0, 0), (0, 0, 1), [(0, 0)]), ((0, 0, 0), (0, 0, 1), "ab"), TypeError, "vertices_2d"),
        (ConvexPolytope, ([((0, 0, 1), 1)], [(0, 0, 0)]), ([[(0, 0, 1), 1]], None), TypeError, "planes"),
        (Pointcloud, ([(0, 0, 0)],), (None, [0, 1]), TypeError, "r_range"),
    ],
)
def test_fields_convert_before_state_and_missing_check(cls, good, bad, error, note):
    with pytest.raises(error) as e:
        cls(*bad, __pickle_state__=state(cls(*good)))
    assert e.value.__notes__ == [f"while processing '{note}'"]
    assert state(cls(*[None] * len(good), __pickle_state__=state(cls(*good)))) == state(cls(*good))


@pytest.mark.parametrize(
    "obj, key, change, message",
    [
        (ConvexPolygon((0, 0, 0), (0, 0, 1), [(0, 0), (1, 0), (0, 1)]), None, dict(edge_offsets_2d=[0.0]),
         "invalid length 1, expected edge_offsets_2d with one entry per 2-D vertex (3)"),
        (ConvexPolytope([((0, 0, 1), 1)], []), None, dict(planes=[((0, 0, 1),)]), "expected struct Plane with 2 elements"),
        (Pointcloud([(1, 2, 3)] * 2), "tree", dict(starts=[0, 3, 8]), "run start 3 of leaf 0 is not a multiple of 8"),
        (Pointcloud([(1, 2, 3), (4, 5, 6)]), "tree", dict(afforded=[[], []]), "expected 3 afforded arrays, got 2"),
        (Pointcloud([(1, 2, 3)]), "spheres", dict(len=17), "len 17 exceeds the capacity 16"),
    ],
)
def test_inconsistent_states_are_refused(obj, key, change, message):
    d = plain_state(obj)
    (d[key] if key else d).update(change)
    with pytest.raises(ValueError, match="^pickle decode failed: .*" + re.escape(message)):
        type(obj)(__pickle_state__=pickle.dumps(d, protocol=3))


@pytest.mark.parametrize(
    "normal, u_axis, v_axis",
    [((0, 0, 1), (-1, 0, 0), (0, 1, 0)), ((0, 1, 0), (0, 0, -1), (1, 0, 0)), ((0, 0, 2), (-1, 0, 0), (0, 2, 0))],
)
def test_polygon_frame_from_the_normal(normal, u_axis, v_axis):
    p = ConvexPolygon((0, 0, 0), normal, [])
    assert (p.normal, p.u_axis, p.v_axis) == (Vec3(*normal), Vec3(*u_axis), Vec3(*v_axis))


def test_polygon_vertices_run_counterclockwise_and_are_narrowed():
    clockwise = [(0, 0), (0, 1), (1, 1), (1, 0)]
    assert ConvexPolygon((0, 0, 0), (0, 0, 1), clockwise).vertices_2d == [[1, 0], [1, 1], [0, 1], [0, 0]]
    assert ConvexPolygon((0, 0, 0), (0, 0, 1), clockwise[::-1]).vertices_2d == [list(v) for v in clockwise[::-1]]
    assert ConvexPolygon((0, 0, 0), (0, 0, 1), [[0.1, 1e39]]).vertices_2d == [[f32(0.1), INF]]
    p = ConvexPolygon.with_axes((0, 0, 0), (0, 0, 3), (2, 0, 0), (0, 5, 0), clockwise)
    assert (p.u_axis, p.v_axis, p.vertices_2d[0], plain_state(p)["vertices_3d"][0]) == (
        Vec3(2, 0, 0), Vec3(0, 5, 0), [1, 0], (2, 0, 0))
    with pytest.raises(ValueError, match=r"^expected a sequence of length 2 \(got 3\)"):
        ConvexPolygon((0, 0, 0), (0, 0, 1), [(1, 2, 3)])


def test_polytope_lists_and_the_given_box():
    p = ConvexPolytope([((0, 0, 2), 1.5)], [(0.1, 0, 0)])
    assert p.planes == [([0, 0, 2], 1.5)] and p.vertices == [[f32(0.1), 0, 0]]
    assert repr(ConvexPolytope([], [])) == "ConvexPolytope(planes: 0, vertices: 0)"
    far = Cuboid((9, 9, 9), EYE, (1, 2, 3))
    for box in (far, types.SimpleNamespace(center=(9, 9, 9), axes=EYE, half_extents=(1, 2, 3))):
        assert state(ConvexPolytope.with_obb(FACES, CORNERS, box)) == p_stream(polytope_state(state(far)[2:-1]))
    with pytest.raises(TypeError, match="^'list' object is not an instance of 'tuple'"):
        ConvexPolytope([[(0, 0, 1), 1]], [])
    with pytest.raises(ValueError, match="^expected tuple of length 2, but got tuple of length 3"):
        ConvexPolytope([((0, 0, 1), 1, 2)], [])


@pytest.mark.parametrize("offset", [0.25, 0.1, -3])
def test_swept_moves_every_face_plane_by_the_offset(offset):
    p = ConvexPolytope(FACES, CORNERS)
    plain, moved = p.swept((0.5, 1, 0)), p.swept(Vec3(0.5, 1, 0), offset)
    assert moved.vertices == plain.vertices and len(plain.vertices) == 16
    assert moved.planes == [(n, f32(d - f32(offset))) for n, d in plain.planes]
    assert state(p) == state(ConvexPolytope(FACES, CORNERS))


def r_range(cloud):
    return plain_state(cloud)["r_range"]


def test_cloud_ranges(np):
    f = np.float32
    norm = float(np.sqrt((f(0.1) * f(0.1) + f(0.2) * f(0.2)) + f(0.3) * f(0.3)))
    assert r_range(Pointcloud([])) == (0, 0) and plain_state(Pointcloud([]))["point_radius"] == 0
    assert r_range(Pointcloud([(1, 2, 3)], (2, 1))) == (2, 1)
    assert r_range(Pointcloud.from_list([], 0.1)) == (0, f32(0.1))
    assert r_range(Pointcloud.from_list([(3, 4, 0), (0, 0, 1)], 0.5)) == (1, 5.5)
    assert r_range(Pointcloud.from_list([(0.1, 0.2, 0.3)], 0)) == (norm, norm)
    assert r_range(Pointcloud.from_numpy([[1, 2, 2]])) == (3, f32(3 + f32(0.033)))
    assert plain_state(Pointcloud.from_numpy(np.zeros((0, 3))))["point_radius"] == 0.032999999821186066
    assert r_range(Pointcloud.from_numpy(np.zeros((0, 3)), 0.2)) == (0, f32(0.2))


def test_from_numpy_reads_through_strides_and_leaves_the_array(np):
    base = np.arange(12.0).reshape(4, 3)
    view = base.T.copy().T[::-1]  # column-major, read backwards
    before = sys.getrefcount(view)
    assert state(Pointcloud.from_numpy(view, 0.1)) == state(Pointcloud.from_list(base[::-1].tolist(), 0.1))
    assert sys.getrefcount(view) == before and (view == base[::-1]).all()
    assert state(Pointcloud.from_numpy(base.astype(np.int32), 0.1)) == state(Pointcloud.from_numpy(base, 0.1))
    for bad, error, message in [(np.zeros((4, 2)), ValueError, "points must be (N, 3)"),
                                (np.zeros(3), TypeError, "dimensionality mismatch:\n from=1, to=2")]:
        with pytest.raises(error) as e:
            Pointcloud.from_numpy(bad)
        assert str(e.value) == message


@pytest.mark.parametrize("sign", [1, -1])
@pytest.mark.parametrize("bad", [NAN, INF, 1e39])
def test_clouds_of_non_finite_points_are_refused(bad, sign, np):
    points = [(0, 0, 0), (1, sign * bad, 2)]
    for build in (lambda: Pointcloud(points), lambda: Pointcloud.from_list(points, 0.1),
                  lambda: Pointcloud.from_numpy(np.array(points))):
        with pytest.raises(ValueError) as e:
            build()
        assert str(e.value) == "Pointcloud points must be finite" and not hasattr(e.value, "__notes__")


@pytest.mark.parametrize("cause, error, message", [
    ("TooManyPoints", ValueError, "too many points for Pointcloud"),
    ("NonFinite", ValueError, "Pointcloud points must be finite"),
    ("OutOfMemory", MemoryError, ""),
])
def test_each_refusal_of_the_point_tree_raises_its_error(cause, error, message):
    # Most causes are out of Python's reach (2**32 points): the probe raises what a build refused with it raises.
    probe = pytest.importorskip("_shapes_probe")
    with pytest.raises(BaseException) as e:
        probe.Convert.refused_cloud(cause)
    assert (type(e.value), str(e.value)) == (error, message)


TREE_BEYOND_MEMORY = ("Pointcloud tree would exceed this machine's memory; build the cloud with Pointcloud(points, "
                      "r_range=(lo, hi), point_radius=...) where (lo, hi) spans only the query radii it will see")


# Points in a unit cube, the origin among them (so that no cell is within the smallest radius of its points), are
# afforded to nearly every leaf: memory grows with the square of their count.
@pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""), reason="the sanitizer reserves address space")
@pytest.mark.parametrize("count, allowance, message", [
    # A tree beyond the address-space limit: its allocation fails.
    ("4000", 64 << 20, ""),
    # A tree of three times physical memory, refused by its bound long before the allowance is spent.
    ("math.isqrt(os.sysconf('SC_PHYS_PAGES') * os.sysconf('SC_PAGE_SIZE') // 4)", 1 << 30, TREE_BEYOND_MEMORY),
], ids=["address space", "physical memory"])
def test_a_cloud_beyond_the_memory_limit_is_a_memory_error(count, allowance, message, np):
    script = f"""if True:
        import math, os, resource, numpy, vexorin
        points = numpy.random.default_rng(1).random(({count}, 3))
        points[0] = 0
        used = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
        resource.setrlimit(resource.RLIMIT_AS, (used + {allowance}, resource.RLIM_INFINITY))
        try:
            vexorin.Pointcloud.from_numpy(points)
        except MemoryError as e:
            print(e)
            print(vexorin.Pointcloud.from_list([(1, 2, 3)], 0.1))"""
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=120)
    assert (out.returncode, out.stdout) == (0, f"{message}\nPointcloud(...)\n"), out.stderr
