#include "vxpickle/value.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

#include "bigint.hpp"
#include "opcodes.hpp"
#include "store.hpp"
#include "text_codecs.hpp"
#include "vxformats/quoted_text.hpp"

namespace vxpickle {

using detail::Handle;
using detail::index_of;
using detail::is_link;
using detail::is_scalar;
using detail::Node;
using detail::Store;

namespace detail {

std::string_view line_after(const Store& store, std::size_t offset) {
  const std::size_t start = offset + 1;
  const void* nl = std::memchr(store.input.data() + start, '\n', store.input.size() - start);
  return store.text(start, static_cast<std::size_t>(static_cast<const std::uint8_t*>(nl) - store.input.data()) - start);
}

}  // namespace detail

namespace {

std::uint64_t little_endian(const std::uint8_t* p, std::size_t width) {
  std::uint64_t v = 0;
  for (std::size_t i = width; i-- > 0;) v = (v << 8) | p[i];
  return v;
}

// A protocol-0 integer operand the parser kept as a scalar: it fits in
// int64 and from_chars reads it whole (a LONG operand without its "L").
std::int64_t short_decimal(std::string_view text) {
  if (!text.empty() && text.back() == 'L') text.remove_suffix(1);
  std::int64_t v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

Kind scalar_kind(const Store& store, std::uint32_t offset) {
  switch (store.input[offset]) {
    case op::NONE: return Kind::None;
    case op::NEWTRUE:
    case op::NEWFALSE: return Kind::Bool;
    case op::INT: {
      const std::string_view text = detail::line_after(store, offset);
      return text == "00" || text == "01" ? Kind::Bool : Kind::Int;
    }
    case op::FLOAT:
    case op::BINFLOAT: return Kind::Float;
    case op::STRING:
    case op::BINSTRING:
    case op::SHORT_BINSTRING:
    case op::SHORT_BINBYTES:
    case op::BINBYTES:
    case op::BINBYTES8:
    case op::BYTEARRAY8: return Kind::Bytes;
    case op::UNICODE:
    case op::SHORT_BINUNICODE:
    case op::BINUNICODE:
    case op::BINUNICODE8: return Kind::Str;
    case op::EMPTY_TUPLE: return Kind::Tuple;
    default: return Kind::Int;  // LONG, BININT, BININT1, BININT2, LONG1, LONG4
  }
}

// Where the data of a scalar string or byte string starts and how long it is.
std::string_view scalar_data(const Store& store, std::uint32_t offset) {
  const std::uint8_t* p = store.input.data() + offset + 1;
  const auto at = [&](std::size_t header, std::uint64_t size) {
    return store.text(offset + 1 + header, static_cast<std::size_t>(size));
  };
  switch (store.input[offset]) {
    case op::STRING: return python_string_body(detail::line_after(store, offset));
    case op::UNICODE: return detail::line_after(store, offset);
    case op::SHORT_BINSTRING:
    case op::SHORT_BINBYTES:
    case op::SHORT_BINUNICODE: return at(1, p[0]);
    case op::BINSTRING:
    case op::BINBYTES:
    case op::BINUNICODE: return at(4, little_endian(p, 4));
    case op::BINBYTES8:
    case op::BYTEARRAY8:
    case op::BINUNICODE8: return at(8, little_endian(p, 8));
    default: return {};
  }
}

std::uint64_t payload(const Node& n) { return std::uint64_t{n.last} << 32 | n.first; }

// Shortest digits that read back as the same double, positional notation,
// with a decimal point always present for finite values.
std::string float_text(double x) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
  char buf[512];
  const auto result = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed);
  std::string text(buf, result.ptr);
  if (text.find('.') == std::string::npos) text += ".0";
  return text;
}

}  // namespace

Kind Value::kind() const {
  if (!is_scalar(handle_)) return store_->node(handle_).kind;
  return scalar_kind(*store_, handle_);
}

bool Value::boolean() const {
  const std::uint8_t opcode = store_->input[handle_];
  if (opcode == op::INT) return detail::line_after(*store_, handle_) == "01";
  return opcode == op::NEWTRUE;
}

std::int64_t Value::integer() const {
  if (!is_scalar(handle_)) return static_cast<std::int64_t>(payload(store_->node(handle_)));
  const std::uint8_t* p = store_->input.data() + handle_ + 1;
  switch (store_->input[handle_]) {
    case op::INT:
    case op::LONG: return short_decimal(detail::line_after(*store_, handle_));
    case op::BININT: return static_cast<std::int32_t>(little_endian(p, 4));
    case op::BININT1: return p[0];
    case op::BININT2: return static_cast<std::int64_t>(little_endian(p, 2));
    case op::LONG1: return *le_to_i64(store_->text(handle_ + 2u, p[0]));
    case op::LONG4: return *le_to_i64(store_->text(handle_ + 5u, static_cast<std::size_t>(little_endian(p, 4))));
    default: return 0;
  }
}

std::optional<double> Value::as_float() const {
  std::uint64_t bits = 0;
  if (is_scalar(handle_)) {
    const std::uint8_t* p = store_->input.data() + handle_;
    if (p[0] == op::FLOAT) return parse_float_text(detail::line_after(*store_, handle_));
    if (p[0] != op::BINFLOAT) return std::nullopt;
    for (int i = 1; i <= 8; ++i) bits = (bits << 8) | p[i];
  } else {
    const Node& n = store_->node(handle_);
    if (n.kind != Kind::Float) return std::nullopt;
    bits = payload(n);
  }
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

double Value::number() const { return *as_float(); }

std::string_view Value::data() const {
  if (is_scalar(handle_)) return scalar_data(*store_, handle_);
  const Node& n = store_->node(handle_);
  if (n.flags & detail::data_in_arena) return std::string_view(store_->arena).substr(n.first, n.size);
  return store_->text(n.first, n.size);
}

Items Value::items() const {
  if (!is_scalar(handle_)) {
    const Node& n = store_->node(handle_);
    if (detail::is_container(n.kind) && n.kind != Kind::Dict) return {{store_, n.first, n.size}, n.size};
  }
  return {{store_, 0, 0}, 0};
}

Entries Value::entries() const {
  if (!is_scalar(handle_)) {
    const Node& n = store_->node(handle_);
    if (n.kind == Kind::Dict) return {{store_, n.first, n.size}, n.size / 2};
  }
  return {{store_, 0, 0}, 0};
}

std::uint32_t Value::height() const { return is_scalar(handle_) ? 0 : store_->node(handle_).height; }

ItemIterator::ItemIterator(const Store* store, std::uint32_t position, std::uint32_t left)
    : store_(store), position_(position), left_(left) {
  skip_links();
}

void ItemIterator::skip_links() {
  if (left_ == 0) return;
  while (is_link(store_->pool[position_])) position_ = index_of(store_->pool[position_]);
}

std::uint32_t ItemIterator::handle() const { return store_->pool[position_]; }

Value ItemIterator::operator*() const { return {store_, handle()}; }

ItemIterator& ItemIterator::operator++() {
  --left_;
  ++position_;
  skip_links();
  return *this;
}

Value Items::at(std::size_t i) const {
  ItemIterator it = begin_;
  while (i-- > 0) ++it;
  return *it;
}

// A batch never splits an entry, so a key and its value are always adjacent.
Entry EntryIterator::operator*() const {
  return {*items_, {items_.store_, items_.store_->pool[items_.position_ + 1]}};
}

EntryIterator& EntryIterator::operator++() {
  ++items_;
  ++items_;
  return *this;
}

Entry Entries::at(std::size_t i) const {
  EntryIterator it(begin_);
  while (i-- > 0) ++it;
  return *it;
}

std::optional<std::uint64_t> to_u64(const Value& value) {
  if (value.kind() == Kind::Int) {
    if (value.integer() < 0) return std::nullopt;
    return static_cast<std::uint64_t>(value.integer());
  }
  if (value.kind() == Kind::BigInt) return le_to_u64(value.data());
  return std::nullopt;
}

std::string describe(const Value& value) {
  switch (value.kind()) {
    case Kind::None: return "unit value";
    case Kind::Bool: return value.boolean() ? "boolean `true`" : "boolean `false`";
    case Kind::Int: return "integer `" + std::to_string(value.integer()) + "`";
    case Kind::BigInt:
      if (auto u = to_u64(value)) return "integer `" + std::to_string(*u) + "`";
      return "big integer";
    case Kind::Float: return "floating point `" + float_text(value.number()) + "`";
    case Kind::Str: {
      std::string text = "string ";
      vxformats::append_quoted(text, value.data());
      return text;
    }
    case Kind::Bytes: return "byte array";
    case Kind::List:
    case Kind::Tuple: return "sequence";
    case Kind::Dict: return "map";
    case Kind::Set: return "set";
  }
  return "unknown value";
}

Document::Document() = default;
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

Value Document::root() const { return {store_.get(), store_->root}; }

std::size_t Document::node_count() const { return store_ ? store_->nodes.size() : 0; }

}  // namespace vxpickle
