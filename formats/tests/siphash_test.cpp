#include "vxformats/siphash.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct SipCase {
  std::size_t length;
  std::int64_t python_hash;
};

struct ComponentsCase {
  std::vector<double> components;
  std::int64_t python_hash;
};

#include "hash_cases.inc"

// The interpreter's hash of a bytes object, which differs from the raw
// SipHash value only where that reads as -1.
std::int64_t as_interpreter_hash(std::uint64_t h) {
  const auto signed_hash = std::bit_cast<std::int64_t>(h);
  return signed_hash == -1 ? -2 : signed_hash;
}

TEST(SipHash, MatchesTheInterpretersBytesHashForEveryTailLength) {
  for (const auto& c : kBytesCases) {
    std::vector<unsigned char> data(c.length);
    for (std::size_t i = 0; i < c.length; ++i) data[i] = static_cast<unsigned char>(7 * i + c.length);
    EXPECT_EQ(as_interpreter_hash(vxformats::siphash13(data.data(), data.size())), c.python_hash) << c.length;
  }
}

TEST(SipHash, KeysChangeTheResult) {
  const char data[] = "vexorin";
  const std::uint64_t unkeyed = vxformats::siphash13(data, 7);
  EXPECT_NE(vxformats::siphash13(data, 7, 1, 0), unkeyed);
  EXPECT_NE(vxformats::siphash13(data, 7, 0, 1), unkeyed);
}

TEST(HashComponents, EqualsTheHashOfTheLittleEndianBytes) {
  for (const auto& c : kComponentCases) {
    EXPECT_EQ(vxformats::hash_components(c.components.data(), c.components.size()), c.python_hash);
    std::vector<unsigned char> bytes(8 * c.components.size());
    std::memcpy(bytes.data(), c.components.data(), bytes.size());  // the build targets are little-endian
    EXPECT_EQ(vxformats::hash_components(c.components.data(), c.components.size()),
              as_interpreter_hash(vxformats::siphash13(bytes.data(), bytes.size())));
  }
  const double vec3[] = {1, 2, 3};
  EXPECT_EQ(vxformats::hash_components(vec3, 3), 3511550596308926913);
}

TEST(HashComponents, EqualValuesHashEqualAcrossTheSignOfZero) {
  const double positive[] = {0.0, 1.0, 0.0};
  const double negative[] = {-0.0, 1.0, -0.0};
  EXPECT_EQ(vxformats::hash_components(positive, 3), vxformats::hash_components(negative, 3));
  const double other[] = {0.0, -1.0, 0.0};
  EXPECT_NE(vxformats::hash_components(positive, 3), vxformats::hash_components(other, 3));
}

TEST(HashComponents, KeepsNanPayloads) {
  const double quiet[] = {std::bit_cast<double>(0x7ff8000000000000ULL)};
  const double payload[] = {std::bit_cast<double>(0x7ff8000000000001ULL)};
  EXPECT_NE(vxformats::hash_components(quiet, 1), vxformats::hash_components(payload, 1));
}

}  // namespace
