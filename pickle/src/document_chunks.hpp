#pragma once

#include <cstddef>

namespace vxpickle {

// Node chunks double from 16 to 1024 nodes: one allocation for a small
// state, and chunks that stay below the allocator's mmap threshold for a
// large one (mapping and unmapping them dominated large decodes).
constexpr std::size_t document_chunk_size(std::size_t chunk_number) {
  return chunk_number >= 6 ? std::size_t{1024} : std::size_t{16} << chunk_number;
}

}  // namespace vxpickle
