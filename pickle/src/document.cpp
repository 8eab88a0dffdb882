#include <memory>
#include <utility>

#include "document_chunks.hpp"
#include "vxpickle/value.hpp"

namespace vxpickle {

Value* Document::add_node() {
  const std::size_t chunk_size = chunks_.empty() ? 0 : document_chunk_size(chunks_.size() - 1);
  if (used_in_last_chunk_ == chunk_size) {
    chunks_.reserve(chunks_.size() + 1);
    chunks_.push_back(std::allocator<Value>().allocate(document_chunk_size(chunks_.size())));
    used_in_last_chunk_ = 0;
  }
  Value* v = std::construct_at(chunks_.back() + used_in_last_chunk_);
  ++used_in_last_chunk_;
  v->index = static_cast<std::uint32_t>(node_count_++);
  return v;
}

// Only the first node_count_ slots (in chunk order) were ever constructed.
void Document::release() {
  std::size_t left = node_count_;
  for (std::size_t c = 0; c < chunks_.size(); ++c) {
    const std::size_t size = document_chunk_size(c);
    const std::size_t built = left < size ? left : size;
    std::destroy_n(chunks_[c], built);
    left -= built;
    std::allocator<Value>().deallocate(chunks_[c], size);
  }
  chunks_.clear();
  used_in_last_chunk_ = 0;
  node_count_ = 0;
  root_ = nullptr;
}

Document::~Document() { release(); }

Document::Document(Document&& other) noexcept
    : chunks_(std::move(other.chunks_)),
      used_in_last_chunk_(std::exchange(other.used_in_last_chunk_, 0)),
      node_count_(std::exchange(other.node_count_, 0)),
      root_(std::exchange(other.root_, nullptr)) {
  other.chunks_.clear();
}

Document& Document::operator=(Document&& other) noexcept {
  if (this != &other) {
    release();
    chunks_ = std::move(other.chunks_);
    other.chunks_.clear();
    used_in_last_chunk_ = std::exchange(other.used_in_last_chunk_, 0);
    node_count_ = std::exchange(other.node_count_, 0);
    root_ = std::exchange(other.root_, nullptr);
  }
  return *this;
}

}  // namespace vxpickle
