#pragma once
// SipHash-1-3 (one compression round per 8-byte block, three finalisation
// rounds) and the hash of the double-precision value types built on it.

#include <cstddef>
#include <cstdint>

namespace vxformats {

std::uint64_t siphash13(const void* data, std::size_t length, std::uint64_t k0 = 0,
                        std::uint64_t k1 = 0) noexcept;

// Hash of n doubles: SipHash-1-3 with zero keys over the components' bit
// patterns, each as eight little-endian bytes, the result h returned as
// min(h, 2^64 - 2) reinterpreted as signed, so it never reads -1 (which the
// interpreter reserves for errors). -0.0 is hashed as +0.0 because the two
// compare equal, and equal values must hash equal; NaN equals nothing, so
// NaN payloads stay as they are.
std::int64_t hash_components(const double* components, std::size_t n) noexcept;

}  // namespace vxformats
