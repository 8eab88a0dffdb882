#include "tangor/soa/broad_collection.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "tangor/line/line.hpp"
#include "tangor/pointcloud/cloud_collection.hpp"
#include "tangor/pointcloud/no_pcl.hpp"
#include "vxpickle/error.hpp"

namespace {

using tangor::Affine3;
using tangor::Capsule;
using tangor::Cuboid;
using tangor::Mat3;
using tangor::Point;
using tangor::Pointcloud;
using tangor::Sphere;
using tangor::Vec3;
using tangor::pointcloud::capt::Point3;
using tangor::soa::BroadCollection;

Cuboid unit_box(Vec3 centre) {
  return Cuboid::create(centre, {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}}, {1, 2, 2});
}

TEST(BroadCollection, CreateWritesOneLanePerItemAtTheFinalCapacity) {
  std::vector<Cuboid> boxes;
  for (int i = 0; i < 17; ++i) boxes.push_back(unit_box({float(i), 0, 0}));
  const auto collection = BroadCollection<Cuboid>::create(boxes);
  EXPECT_EQ(collection.spheres.capacity, 32u);
  EXPECT_EQ(collection.spheres.len, 17u);
  EXPECT_EQ(collection.spheres.sphere(16), (Sphere{{16, 0, 0}, 3.0f}));
  for (std::size_t i = 17; i < 32; ++i) EXPECT_TRUE(std::isnan(collection.spheres.rs()[i]));
  const auto empty = BroadCollection<Cuboid>::create({});
  EXPECT_EQ(empty.spheres.capacity, 0u);
}

TEST(BroadCollection, PushAndExtendKeepItemsAndLanesInStep) {
  BroadCollection<Point> points;
  points.push(Point{{1, 2, 3}});
  EXPECT_EQ(points.spheres.capacity, 16u);
  EXPECT_EQ(points.spheres.sphere(0), (Sphere{{1, 2, 3}, 0.0f}));
  // A query sphere whose surface passes through the point passes.
  EXPECT_TRUE(points.spheres.any_collides_sphere_f32x8({{1, 2, 5}, 2.0f}));

  BroadCollection<Capsule> capsules;
  const std::optional<Capsule> block[4] = {Capsule::create({0, 0, 0}, {1, 0, 0}, 1), std::nullopt,
                                           Capsule::create({5, 0, 0}, {6, 0, 0}, 1), std::nullopt};
  capsules.extend_until_absent(block);
  EXPECT_EQ(capsules.size(), 1u);
  EXPECT_EQ(capsules.spheres.len, 1u);

  BroadCollection<curvel::LineSegment> segments;
  segments.extend(std::vector<curvel::LineSegment>{{{2, 2, 2}, {2, 2, 2}}, {{0, 0, 0}, {0, 0, 4}}});
  EXPECT_EQ(segments.spheres.sphere(0), (Sphere{{2, 2, 2}, 0.0f}));
  EXPECT_EQ(segments.spheres.sphere(1), (Sphere{{0, 0, 2}, 2.0f}));
}

TEST(BroadCollection, ReadingRecomputesEveryLane) {
  auto capsules = BroadCollection<Capsule>::create(
      {Capsule::create({0, 0, 0}, {0, 0, 2}, 1), Capsule::create({1, 1, 1}, {3, 1, 1}, 0.5f),
       Capsule::create({-4, 0, 0}, {-4, 0, 0}, 2)});
  capsules.spheres.xs()[1] = 99.0f;  // a stale lane is not written
  vxpickle::Writer w;
  tangor::serial::write(w, capsules);
  const vxpickle::Document doc = vxpickle::parse(w.finish());
  const auto back = tangor::serial::read<BroadCollection<Capsule>>(doc.root());
  ASSERT_EQ(back.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back.items[i], capsules.items[i]);
    EXPECT_EQ(back.spheres.sphere(i), capsules.items[i].broadphase());
  }
}

TEST(BroadCollection, NoPclCollectionsAreAlwaysEmpty) {
  vxpickle::Writer w;
  tangor::serial::write(w, BroadCollection<tangor::NoPcl>{});
  const vxpickle::Document empty = vxpickle::parse(w.finish());
  EXPECT_TRUE(tangor::serial::read<BroadCollection<tangor::NoPcl>>(empty.root()).empty());
  vxpickle::Writer one;
  one.begin_list();
  one.none();
  one.end_list();
  const vxpickle::Document doc = vxpickle::parse(one.finish());
  EXPECT_THROW(tangor::serial::read<BroadCollection<tangor::NoPcl>>(doc.root()), vxpickle::DecodeError);
}

Pointcloud make_cloud(const std::vector<Point3>& points, float rmin, float rmax, float rp) {
  return std::get<Pointcloud>(Pointcloud::try_create(points, {rmin, rmax}, rp));
}

std::vector<Point3> random_points(std::size_t n, std::mt19937& rng, float extent) {
  std::uniform_real_distribution<float> c(-extent, extent);
  std::vector<Point3> points(n);
  for (Point3& p : points) p = {c(rng), c(rng), c(rng)};
  return points;
}

// Two clouds touch when some pair of points lies within the sum of the two
// point radii, each placed in the world (double precision).
bool brute_clouds(const std::vector<Point3>& a, const Affine3& fa, float ra, const std::vector<Point3>& b,
                  const Affine3& fb, float rb, double& nearest_gap) {
  nearest_gap = 1e300;
  for (const Point3& p : a) {
    const Vec3 wp = curvel::transform_point(fa, {p[0], p[1], p[2]});
    for (const Point3& q : b) {
      const Vec3 wq = curvel::transform_point(fb, {q[0], q[1], q[2]});
      const double dx = double(wp.x) - wq.x, dy = double(wp.y) - wq.y, dz = double(wp.z) - wq.z;
      nearest_gap = std::min(nearest_gap, std::sqrt(dx * dx + dy * dy + dz * dz) - (double(ra) + rb));
    }
  }
  return nearest_gap <= 0;
}

TEST(CloudAgainstCloud, CountsEachPointRadiusOnceWhicheverCloudIsLarger) {
  std::mt19937 rng(31);
  std::uniform_real_distribution<float> offset(-2.5f, 2.5f);
  int hits = 0, misses = 0;
  for (int trial = 0; trial < 120; ++trial) {
    const std::size_t na = 1 + trial % 23, nb = 1 + (trial * 7) % 41;
    const auto a = random_points(na, rng, 1.0f);
    const auto b = random_points(nb, rng, 1.0f);
    const float ra = 0.05f + 0.01f * float(trial % 5), rb = 0.3f - 0.02f * float(trial % 7);
    // Narrow ranges make the tree inexact for some pairs: answers must not change.
    Pointcloud ca = make_cloud(a, 0.05f, trial % 2 ? 0.5f : 0.1f, ra);
    Pointcloud cb = make_cloud(b, 0.05f, 0.5f, rb);
    tangor::translate(ca, Vec3{offset(rng), 0, 0});
    tangor::rotate_mat(cb, Mat3{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}});
    double gap;
    const bool expected = brute_clouds(a, curvel::inverse(*ca.inverse_transform), ra, b,
                                       curvel::inverse(*cb.inverse_transform), rb, gap);
    if (std::fabs(gap) < 1e-4) continue;
    (expected ? hits : misses)++;
    EXPECT_EQ(tangor::pointcloud::clouds_collide(ca, cb), expected) << trial;
    EXPECT_EQ(tangor::pointcloud::clouds_collide(cb, ca), expected) << trial;
    const auto collection = BroadCollection<Pointcloud>::create({cb});
    EXPECT_EQ(tangor::soa::collides(collection, ca), expected) << trial;
  }
  EXPECT_GT(hits, 20);
  EXPECT_GT(misses, 20);
}

TEST(CloudAgainstCloud, TwentySourcePointsUseTwoGroupsAndATail) {
  std::vector<Point3> far(20, Point3{100, 0, 0});
  std::vector<Point3> target(30, Point3{0, 0, 0});
  for (int k = 0; k < 20; ++k) {
    std::vector<Point3> source = far;
    source[k] = {0.9f, 0, 0};  // within 0.5 + 0.4 of the origin, touching
    EXPECT_TRUE(tangor::pointcloud::clouds_collide(make_cloud(source, 0.1f, 1.0f, 0.5f),
                                                   make_cloud(target, 0.1f, 1.0f, 0.4f)))
        << k;
  }
  EXPECT_FALSE(tangor::pointcloud::clouds_collide(make_cloud(far, 0.1f, 1.0f, 0.5f),
                                                  make_cloud(target, 0.1f, 1.0f, 0.4f)));
  EXPECT_FALSE(tangor::pointcloud::clouds_collide(make_cloud({}, 0.1f, 1.0f, 0.5f),
                                                  make_cloud(target, 0.1f, 1.0f, 1e9f)));
}

TEST(CloudCollection, BroadTestThenEveryCloudExactly) {
  const Pointcloud first = make_cloud({{0, 0, 0}}, 0.1f, 2.0f, 0.1f);
  const Pointcloud second = make_cloud({{10, 0, 0}, {10, 4, 0}}, 0.1f, 2.0f, 0.1f);
  const auto clouds = BroadCollection<Pointcloud>::create({first, second});
  EXPECT_TRUE(tangor::soa::collides(clouds, Sphere{{0, 0, 1.1f}, 1.0f}));
  EXPECT_TRUE(tangor::soa::collides(clouds, Sphere{{10, 2, 0}, 1.9f}));
  // Inside the second cloud's bounding sphere but near none of its points.
  EXPECT_FALSE(tangor::soa::collides(clouds, Sphere{{10, 2, 0}, 1.0f}));
  EXPECT_FALSE(tangor::soa::collides(clouds, Sphere{{50, 0, 0}, 1.0f}));
  EXPECT_TRUE(tangor::soa::collides(clouds, Capsule::create({9, -5, 0}, {9, 5, 0}, 0.95f)));
  EXPECT_TRUE(tangor::soa::collides(clouds, unit_box({1.05f, 0, 0})));
  EXPECT_FALSE(tangor::soa::collides(BroadCollection<Pointcloud>{}, Sphere{{0, 0, 0}, 1e9f}));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(tangor::soa::collides(clouds, Sphere{{nan, 0, 0}, 1.0f}));
}

}  // namespace
