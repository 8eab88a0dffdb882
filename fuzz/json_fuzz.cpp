// libFuzzer target for the JSON number-array reader and the number text forms.
//
//   clang++-14 -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined \
//     -Iformats/include fuzz/json_fuzz.cpp formats/src/*.cpp -o json_fuzz
//   ./json_fuzz -max_total_time=60
//
// The first byte picks the element count; the rest is read as JSON text.
// Every accepted array is written back in the JSON form and must read back
// to the same bits; every fault must describe itself with a position inside
// the text. The first bytes also serve as a double and a float whose text
// forms must read back exactly.

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "vxformats/json_numbers.hpp"
#include "vxformats/number_text.hpp"
#include "vxformats/siphash.hpp"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "json_fuzz: %s\n", what);
  std::abort();
}

void check_json_array(std::string_view text, std::size_t count) {
  std::vector<double> values(count);
  const auto fault = vxformats::read_json_numbers(text, values);
  if (fault) {
    const std::string message = vxformats::describe_json_fault(*fault, text, "a sequence of N f64 values");
    if (message.find(" at line ") == std::string::npos) fail("message without position");
    if (fault->line < 1 || fault->column > text.size()) fail("position outside the text");
    return;
  }
  std::string written = "[";
  for (std::size_t i = 0; i < count; ++i) {
    if (!std::isfinite(values[i])) fail("reader produced a non-finite value");
    if (i) written += ',';
    vxformats::append_json(written, values[i]);
  }
  written += ']';
  std::vector<double> again(count);
  if (vxformats::read_json_numbers(written, again)) fail("written JSON does not read back");
  for (std::size_t i = 0; i < count; ++i) {
    if (std::bit_cast<std::uint64_t>(values[i]) != std::bit_cast<std::uint64_t>(again[i])) {
      fail("JSON round trip changed bits");
    }
  }
}

template <class F, class Bits>
void check_number_forms(F value) {
  using Append = void (*)(std::string&, F);
  const Append forms[] = {vxformats::append_plain, vxformats::append_debug, vxformats::append_json};
  for (const Append append : forms) {
    std::string text;
    append(text, value);
    if (!std::isfinite(value)) continue;
    char* end = nullptr;
    F back;
    if constexpr (sizeof(F) == 8) {
      back = std::strtod(text.c_str(), &end);
    } else {
      back = std::strtof(text.c_str(), &end);
    }
    if (*end != '\0') fail("number text has trailing characters");
    if (std::bit_cast<Bits>(back) != std::bit_cast<Bits>(value)) fail("number text does not read back");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  check_json_array(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), data[0] % 17);
  if (size >= 8) {
    std::uint64_t bits;
    std::memcpy(&bits, data, 8);
    check_number_forms<double, std::uint64_t>(std::bit_cast<double>(bits));
    std::uint32_t float_bits;
    std::memcpy(&float_bits, data, 4);
    check_number_forms<float, std::uint32_t>(std::bit_cast<float>(float_bits));
    const double components[1] = {std::bit_cast<double>(bits)};
    (void)vxformats::hash_components(components, 1);
    (void)vxformats::siphash13(data, size);
  }
  return 0;
}
