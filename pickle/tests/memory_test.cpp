#include <gtest/gtest.h>

#include <string>

#include "peak_allocation.hpp"
#include "test_support.hpp"
#include "vxpickle/reader.hpp"
#include "vxpickle/value.hpp"
#include "vxpickle/writer.hpp"

namespace vxpickle {
namespace {

using test::decode_failure;

constexpr std::size_t one_mib = 1024 * 1024;

// Streams of the smallest opcodes, each one value or one memo entry per
// byte, a few megabytes long.
struct Flood {
  const char* what;
  std::string stream;
  bool decodes;
};

std::string python_batched_list(std::size_t n, char item) {
  std::string s = "\x80\x03]";
  for (std::size_t i = 0; i < n; i += 1000) {
    s += '(';
    s.append(std::min<std::size_t>(1000, n - i), item);
    s += 'e';
  }
  return s + ".";
}

// One None memoized under keys too far apart for the memo's array.
std::string sparse_memo_keys(std::size_t n) {
  std::string s = "\x80\x03N";
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t key = 0x8000'0000u + static_cast<std::uint32_t>(i) * 4096u;
    s += 'r';
    for (int b = 0; b < 4; ++b) s.push_back(static_cast<char>(key >> (8 * b)));
  }
  return s + ".";
}

std::string point_list(std::size_t n) {
  Writer w;
  w.begin_list();
  for (std::size_t i = 0; i < n; ++i) {
    w.begin_tuple();
    w.f32(static_cast<float>(i));
    w.f32(0.5f);
    w.f32(-1.0f);
    w.end_tuple();
  }
  w.end_list();
  return w.finish();
}

class WorkingMemory : public ::testing::TestWithParam<Flood> {};

TEST_P(WorkingMemory, StaysWithinFourBytesPerInputByte) {
  const Flood& flood = GetParam();
  std::string failure = "not run";
  const std::size_t peak = test::peak_allocation_of([&] {
    failure = decode_failure([&] { parse(std::string_view(flood.stream)); });
  });
  EXPECT_LE(peak, one_mib + working_bytes_per_input_byte * flood.stream.size()) << flood.what;
  if (flood.decodes)
    EXPECT_EQ(failure, "") << flood.what;
  else
    EXPECT_EQ(failure, "pickle structure exceeds the memory limit for its size") << flood.what;
}

INSTANTIATE_TEST_SUITE_P(
    Floods, WorkingMemory,
    ::testing::Values(Flood{"None items in batches", python_batched_list(4'000'000, 'N'), true},
                      Flood{"MEMOIZE repeated", "\x80\x04N" + std::string(4'000'000, '\x94') + ".", true},
                      Flood{"points as the writer lists them", point_list(200'000), true},
                      Flood{"one mark over every item", "\x80\x03(" + std::string(4'000'000, 'N') + "t.", false},
                      Flood{"empty lists", "\x80\x03(" + std::string(4'000'000, ']') + "t.", false},
                      Flood{"memo keys far apart", sparse_memo_keys(800'000), false}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(WorkingMemory, AFloodThatDecodesKeepsEveryValue) {
  const std::string stream = python_batched_list(2500, 'N');
  const Document doc = parse(stream);
  ASSERT_EQ(doc.root().items().size(), 2500u);
  for (const Value item : doc.root().items()) ASSERT_TRUE(item.is_none());
  const std::string points = point_list(3000);
  const auto back = read_vector<std::array<float, 3>>(parse(points).root(), read_vec3);
  ASSERT_EQ(back.size(), 3000u);
  EXPECT_EQ(back[2999], (std::array<float, 3>{2999.0f, 0.5f, -1.0f}));
}

}  // namespace
}  // namespace vxpickle
