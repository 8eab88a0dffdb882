#include "vxformats/siphash.hpp"

#include <bit>
#include <cstring>

namespace vxformats {
namespace {

struct SipState {
  std::uint64_t v0, v1, v2, v3;
};

inline void sip_round(SipState& s) noexcept {
  s.v0 += s.v1;
  s.v1 = std::rotl(s.v1, 13);
  s.v1 ^= s.v0;
  s.v0 = std::rotl(s.v0, 32);
  s.v2 += s.v3;
  s.v3 = std::rotl(s.v3, 16);
  s.v3 ^= s.v2;
  s.v0 += s.v3;
  s.v3 = std::rotl(s.v3, 21);
  s.v3 ^= s.v0;
  s.v2 += s.v1;
  s.v1 = std::rotl(s.v1, 17);
  s.v1 ^= s.v2;
  s.v2 = std::rotl(s.v2, 32);
}

inline void compress(SipState& s, std::uint64_t block) noexcept {
  s.v3 ^= block;
  sip_round(s);
  s.v0 ^= block;
}

SipState sip_start(std::uint64_t k0, std::uint64_t k1) noexcept {
  return {k0 ^ 0x736f6d6570736575ULL, k1 ^ 0x646f72616e646f6dULL, k0 ^ 0x6c7967656e657261ULL,
          k1 ^ 0x7465646279746573ULL};
}

// `last_block` carries the message length's low byte on top of the tail bytes.
std::uint64_t sip_finish(SipState& s, std::uint64_t last_block) noexcept {
  compress(s, last_block);
  s.v2 ^= 0xff;
  sip_round(s);
  sip_round(s);
  sip_round(s);
  return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

inline std::uint64_t length_byte(std::size_t length) noexcept {
  return static_cast<std::uint64_t>(length & 0xff) << 56;
}

inline std::uint64_t load_le64(const unsigned char* bytes) noexcept {
  std::uint64_t word = 0;
  for (int i = 7; i >= 0; --i) word = (word << 8) | bytes[i];
  return word;
}

}  // namespace

std::uint64_t siphash13(const void* data, std::size_t length, std::uint64_t k0,
                        std::uint64_t k1) noexcept {
  SipState s = sip_start(k0, k1);
  const auto* bytes = static_cast<const unsigned char*>(data);
  const std::size_t whole_blocks_end = length & ~std::size_t{7};
  for (std::size_t i = 0; i < whole_blocks_end; i += 8) compress(s, load_le64(bytes + i));

  std::uint64_t last = length_byte(length);
  for (std::size_t i = whole_blocks_end; i < length; ++i) {
    last |= static_cast<std::uint64_t>(bytes[i]) << (8 * (i - whole_blocks_end));
  }
  return sip_finish(s, last);
}

std::int64_t hash_components(const double* components, std::size_t n) noexcept {
  constexpr std::uint64_t negative_zero = 0x8000000000000000ULL;
  SipState s = sip_start(0, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const auto bits = std::bit_cast<std::uint64_t>(components[i]);
    compress(s, bits == negative_zero ? 0 : bits);
  }
  const std::uint64_t h = sip_finish(s, length_byte(8 * n));
  const std::uint64_t largest = ~std::uint64_t{1};  // 2^64 - 2, which reads as -2
  return std::bit_cast<std::int64_t>(h < largest ? h : largest);
}

}  // namespace vxformats
