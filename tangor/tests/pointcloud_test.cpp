#include "tangor/pointcloud/pointcloud.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "vxpickle/error.hpp"
#include "vxpickle/reader.hpp"

namespace {

using tangor::Affine3;
using tangor::Mat3;
using tangor::Pointcloud;
using tangor::Vec3;
using tangor::pointcloud::capt::NewCaptError;
using tangor::pointcloud::capt::Point3;

constexpr float kInf = std::numeric_limits<float>::infinity();

Pointcloud make_cloud(const std::vector<Point3>& points, float rmin, float rmax, float point_radius) {
  auto built = Pointcloud::try_create(points, {rmin, rmax}, point_radius);
  EXPECT_TRUE(std::holds_alternative<Pointcloud>(built));
  return std::get<Pointcloud>(std::move(built));
}

std::vector<Point3> random_points(std::size_t n, std::mt19937& rng, float extent = 1.0f) {
  std::uniform_real_distribution<float> coordinate(-extent, extent);
  std::vector<Point3> points(n);
  for (Point3& p : points) p = {coordinate(rng), coordinate(rng), coordinate(rng)};
  return points;
}

TEST(Pointcloud, ConstructionLaysThePointsIntoTheSphereArray) {
  std::mt19937 rng(1);
  const auto points = random_points(17, rng);
  const Pointcloud cloud = make_cloud(points, 0.01f, 0.2f, 0.05f);
  EXPECT_EQ(cloud.spheres.len, 17u);
  EXPECT_EQ(cloud.spheres.capacity, 32u);
  for (std::size_t i = 0; i < 17; ++i) {
    EXPECT_EQ(cloud.spheres.sphere(i), (tangor::Sphere{{points[i][0], points[i][1], points[i][2]}, 0.05f}));
  }
  EXPECT_TRUE(std::isnan(cloud.spheres.rs()[17]));
  EXPECT_EQ(cloud.tree.r_point, 0.05f);
  EXPECT_FALSE(cloud.inverse_transform.has_value());
}

TEST(Pointcloud, NonFinitePointsFailWithTheIndexMessage) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  auto built = Pointcloud::try_create(std::vector<Point3>{{0, 0, 0}, {nan, 1, 1}}, {0.1f, 1.0f}, 0.0f);
  ASSERT_TRUE(std::holds_alternative<NewCaptError>(built));
  EXPECT_EQ(tangor::pointcloud::construction_error_message(std::get<NewCaptError>(built)),
            "index type I must be able to support all points in CAPT during construction");
}

TEST(Pointcloud, BoundsOfStoredPoints) {
  const Pointcloud one = make_cloud({{1, 2, 3}}, 0.1f, 1.0f, 0.5f);
  EXPECT_EQ(tangor::broadphase(one), (tangor::Sphere{{1, 2, 3}, 0.5f}));
  const tangor::Cuboid box = tangor::aabb(one);
  EXPECT_EQ(box.center, (Vec3{1, 2, 3}));
  EXPECT_EQ(box.half_extents, (std::array<float, 3>{0.5f, 0.5f, 0.5f}));
  EXPECT_TRUE(box.axis_aligned);

  const Pointcloud two = make_cloud({{0, 0, 0}, {2, 0, 0}}, 0.1f, 1.0f, 0.1f);
  EXPECT_EQ(tangor::broadphase(two), (tangor::Sphere{{1, 0, 0}, 1.1f}));
  EXPECT_FLOAT_EQ(tangor::aabb(two).center.x, 1.0f);
  EXPECT_FLOAT_EQ(tangor::aabb(two).half_extents[0], 1.1f);
  EXPECT_FLOAT_EQ(tangor::aabb(two).half_extents[1], 0.1f);

  const Pointcloud empty = make_cloud({}, 0.1f, 1.0f, 0.7f);
  EXPECT_EQ(tangor::broadphase(empty), tangor::Sphere{});
  EXPECT_EQ(tangor::aabb(empty).half_extents, (std::array<float, 3>{0, 0, 0}));
}

// Moved clouds must be bounded where they are in the world: every point's
// ball, carried forward in double precision, inside the sphere and the box.
TEST(Pointcloud, BoundsOfAMovedCloudHoldInTheWorld) {
  std::mt19937 rng(2);
  const auto points = random_points(50, rng, 2.0f);
  const float rp = 0.1f;
  std::uniform_real_distribution<float> angle(-3.0f, 3.0f);
  for (int trial = 0; trial < 20; ++trial) {
    Pointcloud cloud = make_cloud(points, 0.05f, 0.5f, rp);
    const float a = angle(rng);
    const float scale = trial % 2 == 0 ? 1.0f : 2.5f;
    const Mat3 rotation{{std::cos(a) * scale, std::sin(a) * scale, 0.0f},
                        {-std::sin(a) * scale, std::cos(a) * scale, 0.0f},
                        {0.0f, 0.0f, scale}};
    tangor::transform(cloud, Affine3{rotation, {angle(rng), 5.0f, angle(rng)}});
    ASSERT_TRUE(cloud.inverse_transform.has_value());
    const Affine3 forward = curvel::inverse(*cloud.inverse_transform);
    const tangor::Sphere bound = tangor::broadphase(cloud);
    const tangor::Cuboid box = tangor::aabb(cloud);
    for (const Point3& p : points) {
      const Vec3 w = curvel::transform_point(forward, {p[0], p[1], p[2]});
      const double reach = double(rp) * scale * 1.0001;
      const double dx = double(w.x) - bound.center.x, dy = double(w.y) - bound.center.y,
                   dz = double(w.z) - bound.center.z;
      EXPECT_LE(std::sqrt(dx * dx + dy * dy + dz * dz) + reach, double(bound.radius) * 1.0001 + 1e-5);
      const double world[3] = {w.x, w.y, w.z};
      const float centre[3] = {box.center.x, box.center.y, box.center.z};
      for (int k = 0; k < 3; ++k)
        EXPECT_LE(std::fabs(world[k] - centre[k]) + reach * 0.999, double(box.half_extents[k]) + 1e-4);
    }
  }
}

TEST(Pointcloud, MovesAccumulateInTheInverseTransform) {
  Pointcloud cloud = make_cloud({{1, 1, 1}}, 0.1f, 1.0f, 0.0f);
  tangor::translate(cloud, Vec3{1, 2, 3});
  EXPECT_EQ(cloud.inverse_transform->translation, (Vec3{-1, -2, -3}));
  tangor::translate(cloud, Vec3{1, 0, 0});
  EXPECT_EQ(cloud.inverse_transform->translation, (Vec3{-2, -2, -3}));
  EXPECT_EQ(cloud.inverse_transform->matrix3, Mat3{});
  EXPECT_EQ(cloud.spheres.sphere(0).center, (Vec3{1, 1, 1}));
  Pointcloud turned = make_cloud({{1, 1, 1}}, 0.1f, 1.0f, 0.0f);
  tangor::rotate_quat(turned, tangor::Quat{0, 0, 0, 1});
  EXPECT_EQ(turned.inverse_transform->matrix3, Mat3{});
}

// Scaled about the frame the points are stored in, then the pending move
// baked into them: the result is stored in world coordinates, with a new
// tree that finds the points where they now are.
TEST(Pointcloud, ScaledBakesThePendingMoveIntoThePoints) {
  using tangor::pointcloud::scaled;
  Pointcloud cloud = make_cloud({{1, 0, 0}, {0, 2, 0}}, 0.05f, 1.0f, 0.1f);
  tangor::translate(cloud, Vec3{1, 2, 3});
  const auto once = scaled(cloud, 1.0f);
  ASSERT_TRUE(std::holds_alternative<Pointcloud>(once));
  const Pointcloud& moved = std::get<Pointcloud>(once);
  EXPECT_FALSE(moved.inverse_transform.has_value());
  EXPECT_EQ(moved.spheres.sphere(0), (tangor::Sphere{{2, 2, 3}, 0.1f}));
  EXPECT_EQ(moved.spheres.sphere(1), (tangor::Sphere{{1, 4, 3}, 0.1f}));

  const Pointcloud twice = std::get<Pointcloud>(scaled(cloud, 2.0f));
  EXPECT_EQ(twice.spheres.sphere(0), (tangor::Sphere{{3, 2, 3}, 0.2f}));
  EXPECT_EQ(twice.point_radius, 0.2f);
  EXPECT_EQ(twice.r_range, (tangor::pointcloud::capt::RadiusRange{0.1f, 2.0f}));
  EXPECT_EQ(twice.tree.r_point, 0.2f);
  EXPECT_TRUE(std::isnan(twice.spheres.rs()[2]));
  EXPECT_TRUE(twice.tree.collides({1, 6, 3}, 0.0f));
  EXPECT_FALSE(twice.tree.collides({1, 4, 3}, 0.0f));
  EXPECT_EQ(cloud.spheres.sphere(0).center, (Vec3{1, 0, 0}));  // the receiver is untouched

  // A quarter turn about z that doubles lengths: (1, 0, 0) goes to (0, 2, 0).
  Pointcloud turned = make_cloud({{1, 0, 0}, {0, 0, 1}}, 0.05f, 1.0f, 0.1f);
  tangor::rotate_mat(turned, Mat3{{0, 2, 0}, {-2, 0, 0}, {0, 0, 2}});
  const Pointcloud baked = std::get<Pointcloud>(scaled(turned, 3.0f));
  for (const auto& [i, want] : {std::pair{0, Vec3{0, 6, 0}}, std::pair{1, Vec3{0, 0, 6}}}) {
    const Vec3 p = baked.spheres.sphere(i).center;
    EXPECT_NEAR(p.x, want.x, 1e-5f);
    EXPECT_NEAR(p.y, want.y, 1e-5f);
    EXPECT_NEAR(p.z, want.z, 1e-5f);
  }
}

TEST(Pointcloud, ScaledReportsWhyTheTreeRefusesThePoints) {
  using tangor::pointcloud::scaled;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Pointcloud cloud = make_cloud({{1, 0, 0}}, 0.05f, 1.0f, 0.1f);
  for (float s : {nan, kInf}) {
    const auto result = scaled(cloud, s);
    ASSERT_TRUE(std::holds_alternative<NewCaptError>(result)) << s;
    EXPECT_EQ(std::get<NewCaptError>(result), NewCaptError::NonFinite);
  }
  EXPECT_EQ(std::get<NewCaptError>(scaled(make_cloud({{1e30f, 0, 0}}, 0.05f, 1.0f, 0.1f), 1e10f)),
            NewCaptError::NonFinite);
  // Without points there is nothing to refuse.
  EXPECT_TRUE(std::holds_alternative<Pointcloud>(scaled(make_cloud({}, 0.05f, 1.0f, 0.1f), nan)));
  Pointcloud kept = cloud;
  EXPECT_EQ(tangor::Transformable<Pointcloud>::scale(kept, nan), NewCaptError::NonFinite);
  EXPECT_EQ(kept.spheres.sphere(0), cloud.spheres.sphere(0));
}

// Outside r_range the tree alone may miss points; the cloud's own query
// must not.
TEST(Pointcloud, BallQueriesAreExactOutsideTheRadiusRange) {
  std::mt19937 rng(3);
  const auto points = random_points(3000, rng);
  const float rp = 0.002f;
  const Pointcloud cloud = make_cloud(points, 0.01f, 0.02f, rp);
  std::uniform_real_distribution<float> coordinate(-1.1f, 1.1f);
  std::uniform_real_distribution<float> radius(0.0f, 0.3f);
  int tree_misses = 0;
  for (int q = 0; q < 3000; ++q) {
    const Vec3 c{coordinate(rng), coordinate(rng), coordinate(rng)};
    const float r = radius(rng);
    const float reach = r + rp;
    bool expected = false;
    for (const Point3& p : points) {
      const float dx = p[0] - c.x, dy = p[1] - c.y, dz = p[2] - c.z;
      expected = expected || dx * dx + dy * dy + dz * dz <= reach * reach;
    }
    EXPECT_EQ(cloud.touches_ball_locally(c, r), expected);
    tree_misses += expected && !cloud.tree.collides({c.x, c.y, c.z}, r);
  }
  // The case the fallback exists for does occur with these radii.
  EXPECT_GT(tree_misses, 0);
}

std::string encode_cloud(const Pointcloud& cloud) {
  vxpickle::Writer w;
  tangor::serial::write(w, cloud);
  return w.finish();
}

Pointcloud decode_cloud(const std::string& bytes) {
  const vxpickle::Document doc = vxpickle::parse(bytes);
  return tangor::serial::read<Pointcloud>(doc.root());
}

bool same_bits(const Pointcloud& a, const Pointcloud& b) {
  const auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
  if (a.spheres.data.size() != b.spheres.data.size() || a.spheres.len != b.spheres.len) return false;
  for (std::size_t i = 0; i < a.spheres.data.size(); ++i)
    if (bits(a.spheres.data[i]) != bits(b.spheres.data[i])) return false;
  return a.tree == b.tree && bits(a.point_radius) == bits(b.point_radius) && a.r_range == b.r_range &&
         a.inverse_transform == b.inverse_transform;
}

TEST(PointcloudSerde, RoundTripRestoresEveryField) {
  std::mt19937 rng(4);
  Pointcloud cloud = make_cloud(random_points(37, rng), 0.05f, 0.4f, 0.01f);
  EXPECT_TRUE(same_bits(decode_cloud(encode_cloud(cloud)), cloud));
  tangor::transform(cloud, Affine3{Mat3{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}, {0, 2, 0}});
  const Pointcloud back = decode_cloud(encode_cloud(cloud));
  EXPECT_TRUE(same_bits(back, cloud));
  EXPECT_EQ(back.tree.afforded[0].alignment(), 32u);
}

TEST(PointcloudSerde, EmptyTreeForm) {
  const Pointcloud empty = make_cloud({}, 0.1f, 1.0f, 0.25f);
  const vxpickle::Document doc = vxpickle::parse(encode_cloud(empty));
  const vxpickle::Value tree = doc.root().entries().at(0).value;
  ASSERT_EQ(tree.entries().size(), 6u);
  EXPECT_TRUE(tree.entries().at(0).value.items().empty());
  const vxpickle::Value box = tree.entries().at(1).value.items().at(0);
  EXPECT_EQ(box.entries().at(0).value.kind(), vxpickle::Kind::List);
  EXPECT_EQ(box.entries().at(0).value.items().at(2).number(), double(kInf));
  EXPECT_EQ(tree.entries().at(2).value.items().size(), 2u);
  EXPECT_EQ(tree.entries().at(3).value.items().size(), 3u);
  EXPECT_EQ(tree.entries().at(4).value.number(), 0.25);
  EXPECT_EQ(tree.entries().at(5).value.integer(), 3);
  EXPECT_EQ(doc.root().entries().at(4).value.kind(), vxpickle::Kind::None);
}

// A tree record with each field given; the default is the tree of two points.
struct TreeState {
  std::vector<float> tests{0.5f};
  std::vector<std::vector<float>> corners{{0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {1, 1, 1}};
  std::vector<std::uint64_t> starts{0, 8, 16};
  std::vector<std::size_t> afforded{16, 16, 16};
  std::uint64_t lanes_log2 = 3;
};

std::string cloud_with_tree(const TreeState& t, bool with_transform_key = true) {
  vxpickle::Writer w;
  w.begin_record();
  w.field("tree");
  w.begin_record();
  w.field("tests");
  w.begin_list();
  for (float v : t.tests) w.f32(v);
  w.end_list();
  w.field("aabbs");
  w.begin_list();
  for (std::size_t j = 0; j + 1 < t.corners.size(); j += 2) {
    w.begin_record();
    w.field("lo");
    w.begin_list();
    for (float v : t.corners[j]) w.f32(v);
    w.end_list();
    w.field("hi");
    w.begin_list();
    for (float v : t.corners[j + 1]) w.f32(v);
    w.end_list();
    w.end_record();
  }
  w.end_list();
  w.field("starts");
  w.begin_list();
  for (auto s : t.starts) w.uint(s);
  w.end_list();
  w.field("afforded");
  w.begin_list();
  for (std::size_t n : t.afforded) {
    w.begin_list();
    for (std::size_t i = 0; i < n; ++i) w.f32(i % 8 == 0 ? float(i / 8) : kInf);
    w.end_list();
  }
  w.end_list();
  w.field("r_point");
  w.f32(0.0f);
  w.field("lanes_log2");
  w.uint(t.lanes_log2);
  w.end_record();
  w.field("spheres");
  w.begin_record();
  for (const char* name : {"x", "y", "z", "r"}) {
    w.field(name);
    w.begin_list();
    for (int i = 0; i < 16; ++i) w.f32(i < 2 ? float(i) : 0.0f);
    w.end_list();
  }
  w.field("len");
  w.uint(2);
  w.end_record();
  w.field("point_radius");
  w.f32(0.0f);
  w.field("r_range");
  w.begin_tuple();
  w.f32(0.1f);
  w.f32(1.0f);
  w.end_tuple();
  if (with_transform_key) {
    w.field("inverse_transform");
    w.none();
  }
  w.end_record();
  return w.finish();
}

std::string decode_error(const std::string& bytes) {
  try {
    decode_cloud(bytes);
  } catch (const vxpickle::DecodeError& e) {
    return e.what();
  }
  return "accepted";
}

TEST(PointcloudSerde, AWellFormedHandMadeTreeIsQueried) {
  const Pointcloud cloud = decode_cloud(cloud_with_tree({}, false));
  EXPECT_FALSE(cloud.inverse_transform.has_value());
  EXPECT_TRUE(cloud.tree.collides({1.0f, 1.0f, 1.0f}, 0.0f));
  EXPECT_FALSE(cloud.tree.collides({0.5f, 0.5f, 0.5f}, 0.1f));
}

TEST(PointcloudSerde, MalformedTreesAreRefusedBeforeAnyQuery) {
  struct Case {
    TreeState state;
    std::string message;
  };
  std::vector<Case> cases;
  const auto with = [&](auto change, std::string message) {
    TreeState t;
    change(t);
    cases.push_back({t, std::move(message)});
  };
  with([](TreeState& t) { t.afforded = {16, 16}; }, "expected 3 afforded arrays, got 2");
  with([](TreeState& t) { t.lanes_log2 = 61; }, "invalid parameters to Layout::from_size_align");
  with([](TreeState& t) { t.lanes_log2 = 64; }, "invalid CAPT state: lanes_log2 64 (only eight lanes are supported)");
  with([](TreeState& t) { t.lanes_log2 = 2; }, "invalid CAPT state: lanes_log2 2 (only eight lanes are supported)");
  with([](TreeState& t) { t.corners[0] = {0, 0, 0, 0}; }, "invalid length 0, expected expected array of correct length");
  with([](TreeState& t) { t.corners.resize(6, {2, 2, 2}); },
       "invalid CAPT state: 3 leaf boxes, not a power of two");
  with([](TreeState& t) { t.corners.clear(); }, "invalid CAPT state: 0 leaf boxes, not a power of two");
  with([](TreeState& t) { t.tests.push_back(1.0f); }, "invalid CAPT state: 2 split values for 2 leaves");
  with([](TreeState& t) { t.starts.pop_back(); }, "invalid CAPT state: 2 run starts for 2 leaves");
  with([](TreeState& t) { t.afforded = {16, 16, 8}; }, "invalid CAPT state: afforded arrays of different lengths");
  with([](TreeState& t) { t.afforded = {12, 12, 12}; t.starts = {0, 8, 8}; },
       "invalid CAPT state: afforded length 12 is not a multiple of 8");
  with([](TreeState& t) { t.starts = {0, 4, 16}; },
       "invalid CAPT state: run start 4 of leaf 0 is not a multiple of 8 within the afforded arrays after the previous one");
  with([](TreeState& t) { t.starts = {0, 16, 8}; },
       "invalid CAPT state: run start 8 of leaf 1 is not a multiple of 8 within the afforded arrays after the previous one");
  with([](TreeState& t) { t.starts = {0, 8, 24}; },
       "invalid CAPT state: run start 24 of leaf 1 is not a multiple of 8 within the afforded arrays after the previous one");
  with([](TreeState& t) { t.starts = {8, 8, 16}; }, "invalid CAPT state: the first run does not start at 0");
  for (const Case& c : cases) EXPECT_EQ(decode_error(cloud_with_tree(c.state)), c.message);
}

TEST(PointcloudSerde, RecordFormsAndTheirMessages) {
  vxpickle::Writer w;
  w.begin_tuple();
  w.end_tuple();
  EXPECT_EQ(decode_error(w.finish()), "invalid length 0, expected struct Pointcloud with 5 elements");
  vxpickle::Writer v;
  v.begin_record();
  v.field("spheres");
  v.none();
  v.end_record();
  const std::string message = decode_error(v.finish());
  EXPECT_NE(message, "accepted");
  vxpickle::Writer r;
  r.begin_record();
  r.field("r_range");
  r.begin_tuple();
  r.f32(1.0f);
  r.end_tuple();
  r.end_record();
  EXPECT_EQ(decode_error(r.finish()), "invalid length 1, expected an array of length 2");
}

}  // namespace
