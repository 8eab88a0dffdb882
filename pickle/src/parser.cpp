#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <unordered_map>

#include "bigint.hpp"
#include "opcodes.hpp"
#include "store.hpp"
#include "text_codecs.hpp"
#include "vxpickle/value.hpp"

namespace vxpickle {

using detail::Handle;
using detail::index_mask;
using detail::is_scalar;
using detail::link_tag;
using detail::Node;
using detail::node_tag;

namespace {

// A memo-shared structure may expand (counting every path to a shared value)
// to this many values plus a multiple of the input size; beyond that, a tiny
// stream could make a reader build a huge value, so it is refused.
constexpr std::uint64_t expansion_floor = 1u << 16;
constexpr std::uint64_t expansion_per_byte = 8;

// Working memory every parse may use whatever its size: room for the fixed
// costs (chunk directories, a first chunk of each array) that the per-byte
// allowance does not cover for a small or a flat stream.
constexpr std::size_t working_floor = 1024 * 1024;
// What one entry of the sparse memo costs, its share of the buckets included.
constexpr std::size_t sparse_memo_entry_bytes = 64;

constexpr Handle absent = 0xFFFF'FFFFu;

// Every array the parser grows is charged here before it grows. A stream
// whose structure would need more than its allowance is refused instead of
// being allowed to take memory out of proportion to its size.
class WorkingMemory {
 public:
  explicit WorkingMemory(std::size_t input_size)
      : limit_(working_floor + working_bytes_per_input_byte * input_size) {}

  template <class Array>
  void make_room(Array& array, std::size_t extra) {
    if (array.capacity() - array.size() < extra) grow(array, array.size() + extra);
  }
  template <class T, unsigned chunk_log2>
  void make_room(detail::ChunkedArray<T, chunk_log2>& array, std::size_t extra) {
    if (array.capacity() - array.size() >= extra) return;
    std::size_t transient = 0;
    const std::size_t before = array.footprint();
    const std::size_t after = array.footprint_for(extra, transient);
    if (after - before + transient > limit_ - charged_) refuse();
    array.reserve_more(extra);
    charged_ += after - before;
  }

  void charge(std::size_t bytes) {
    if (bytes > limit_ - charged_) refuse();
    charged_ += bytes;
  }

 private:
  [[noreturn]] static void refuse() { throw DecodeError("pickle structure exceeds the memory limit for its size"); }

  template <class Array>
  void grow(Array& array, std::size_t needed) {
    constexpr std::size_t item = sizeof(typename Array::value_type);
    const std::size_t old_bytes = array.capacity() * item;
    // The old block lives until the items have moved, so both are charged
    // for the move. Near the limit growth slows down but stays geometric.
    std::size_t capacity = std::max({needed, 2 * array.capacity(), std::size_t{16}});
    if (capacity * item > limit_ - charged_) capacity = std::max(needed, array.capacity() + array.capacity() / 8);
    if (needed > limit_ / item || capacity * item > limit_ - charged_) refuse();
    array.reserve(capacity);
    charged_ += array.capacity() * item - old_bytes;
  }

  std::size_t limit_;
  std::size_t charged_ = 0;
};

}  // namespace

class Parser {
 public:
  static Document parse(std::unique_ptr<detail::Store> store) {
    Parser(*store).run();
    Document doc;
    doc.store_ = std::move(store);
    return doc;
  }

 private:
  explicit Parser(detail::Store& store)
      : store_(store),
        begin_(store.input.data()),
        at_(store.input.data()),
        end_(store.input.data() + store.input.size()),
        memory_(store.input.size()) {
    if (store.input.size() > detail::max_input_size) throw DecodeError("pickle too large (2 GiB or more)");
    memory_.make_room(stack_, 16);
  }

  void run() {
    for (;;) {
      const auto offset = static_cast<Handle>(at_ - begin_);
      const std::uint8_t opcode = byte();
      if (opcode == op::STOP) break;
      step(opcode, offset);
    }
    const Handle root = pop();
    if (at_ != end_) throw DecodeError("trailing bytes found");
    // Without DUP or GET every node has one parent and the heights kept on
    // the way are final; only a shared node needs the full walk.
    if (shared_) check_shape(root);
    store_.root = root;
  }

  // ---- input ----
  std::size_t remaining() const { return static_cast<std::size_t>(end_ - at_); }

  const std::uint8_t* take(std::uint64_t n) {
    if (n > remaining()) throw DecodeError("EOF while parsing");
    const std::uint8_t* start = at_;
    at_ += n;
    return start;
  }
  std::uint8_t byte() { return *take(1); }
  std::uint64_t little_endian(std::size_t width) {
    const std::uint8_t* p = take(width);
    std::uint64_t v = 0;
    for (std::size_t i = width; i-- > 0;) v = (v << 8) | p[i];
    return v;
  }
  // The text up to (not including) the next newline, which is consumed.
  std::string_view line() {
    const void* nl = std::memchr(at_, '\n', remaining());
    if (nl == nullptr) throw DecodeError("EOF while parsing");
    const auto* stop = static_cast<const std::uint8_t*>(nl);
    std::string_view text(reinterpret_cast<const char*>(at_), static_cast<std::size_t>(stop - at_));
    at_ = stop + 1;
    return text;
  }
  std::uint32_t offset_of(std::string_view text) const {
    return static_cast<std::uint32_t>(reinterpret_cast<const std::uint8_t*>(text.data()) - begin_);
  }
  std::string_view chunk(std::uint64_t n) {
    return {reinterpret_cast<const char*>(take(n)), static_cast<std::size_t>(n)};
  }

  // ---- nodes ----
  Node& node(Handle h) { return store_.nodes[detail::index_of(h)]; }
  Handle make(Kind kind) {
    if (store_.nodes.size() > index_mask) throw DecodeError("pickle holds too many objects");
    memory_.make_room(store_.nodes, 1);
    store_.nodes.push_back(Node{kind});
    return node_tag | static_cast<Handle>(store_.nodes.size() - 1);
  }
  Handle make_payload(Kind kind, std::uint64_t bits) {
    const Handle h = make(kind);
    node(h).first = static_cast<std::uint32_t>(bits);
    node(h).last = static_cast<std::uint32_t>(bits >> 32);
    return h;
  }
  Handle make_int(std::int64_t i) { return make_payload(Kind::Int, static_cast<std::uint64_t>(i)); }
  // Data that lies in the input as it is.
  Handle make_input_data(Kind kind, std::string_view data) {
    const Handle h = make(kind);
    node(h).first = offset_of(data);
    node(h).size = static_cast<std::uint32_t>(data.size());
    return h;
  }
  // Data that decoding changed, kept in the arena.
  Handle make_arena_data(Kind kind, std::string_view data) {
    if (data.size() > std::numeric_limits<std::uint32_t>::max() - store_.arena.size())
      throw DecodeError("pickle holds too many objects");
    memory_.make_room(store_.arena, data.size());
    const Handle h = make(kind);
    node(h).flags = detail::data_in_arena;
    node(h).first = static_cast<std::uint32_t>(store_.arena.size());
    node(h).size = static_cast<std::uint32_t>(data.size());
    store_.arena.append(data);
    return h;
  }

  // A scalar handle is its opcode's offset; the operand is read again on
  // access. Operands that would be slow or ambiguous to read again get a node.
  Handle make_long(Handle offset, std::string_view le_bytes) {
    if (le_bytes.size() <= 8) return offset;
    if (auto small = le_to_i64(le_bytes)) return make_int(*small);
    return make_input_data(Kind::BigInt, le_bytes);
  }
  Handle make_decimal(Handle offset, std::string_view text, std::string_view digits) {
    std::int64_t small = 0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), small);
    if (ec == std::errc() && ptr == digits.data() + digits.size() && text.size() <= detail::short_text) return offset;
    const std::string le = decimal_to_le(digits);
    if (auto fits = le_to_i64(le)) return make_int(*fits);
    return make_arena_data(Kind::BigInt, le);
  }
  Handle make_str(Handle offset, std::string_view utf8) {
    if (!is_utf8(utf8)) throw DecodeError("invalid UTF-8 in string");
    return offset;
  }
  // `raw` is the text between any quotes of the operand, `operand` all of it.
  Handle make_escaped_text(Handle offset, Kind kind, std::string_view raw, std::string_view operand) {
    const bool latin1 = kind == Kind::Str;
    if (!has_escapes(raw, latin1)) {
      if (operand.size() <= detail::short_text) return offset;
      return make_input_data(kind, raw);
    }
    return make_arena_data(kind, latin1 ? raw_unicode_escape_to_utf8(raw) : unescape_python_string(raw));
  }

  // ---- containers ----
  std::size_t child_height(Handle child) const {
    return is_scalar(child) ? 0 : store_.nodes[detail::index_of(child)].height;
  }
  // Every edge enters the tree here. A height recorded at that moment is a
  // lower bound of the final one (containers only grow), so exceeding the
  // cap is final too.
  void adopt(Handle parent, const Handle* children, std::size_t n) {
    std::size_t height = node(parent).height;
    for (std::size_t i = 0; i < n; ++i) height = std::max(height, child_height(children[i]) + 1);
    if (height >= max_depth) throw DecodeError("nesting too deep");
    node(parent).height = static_cast<std::uint16_t>(height);
  }
  void room_in_pool(std::size_t n) {
    if (n > index_mask - store_.pool.size()) throw DecodeError("pickle holds too many objects");
    memory_.make_room(store_.pool, n);
  }
  // A tuple: one run in the pool, never extended.
  Handle collect_tuple(std::size_t start) {
    const std::size_t n = stack_.size() - start;
    const Handle h = make(Kind::Tuple);
    adopt(h, stack_.data() + start, n);
    room_in_pool(n);
    node(h).first = static_cast<std::uint32_t>(store_.pool.size());
    node(h).size = static_cast<std::uint32_t>(n);
    store_.pool.append(stack_.data() + start, n);
    stack_.resize(start);
    return h;
  }
  // A list, dict or set: its runs end in a spare slot (see Node).
  Handle make_growable(Kind kind) {
    const Handle h = make(kind);
    room_in_pool(1);
    node(h).first = node(h).last = static_cast<std::uint32_t>(store_.pool.size());
    store_.pool.push_back(absent);
    return h;
  }
  void add_items(Handle container, const Handle* items, std::size_t n) {
    if (n == 0) return;
    adopt(container, items, n);
    room_in_pool(n + 1);
    Node& c = node(container);
    auto& pool = store_.pool;
    if (c.last + 1u == pool.size()) {
      pool[c.last] = items[0];
      pool.append(items + 1, n - 1);
    } else {
      pool[c.last] = link_tag | static_cast<Handle>(pool.size());
      pool.append(items, n);
    }
    c.last = static_cast<std::uint32_t>(pool.size());
    pool.push_back(absent);
    c.size += static_cast<std::uint32_t>(n);
  }
  // Moves the marked items from the stack into the container.
  void add_marked(Handle container, std::size_t start) {
    add_items(container, stack_.data() + start, stack_.size() - start);
    stack_.resize(start);
  }
  void add_marked_pairs(Handle dict, std::size_t start) {
    if ((stack_.size() - start) % 2 != 0) throw DecodeError("odd number of items for a dict");
    add_marked(dict, start);
  }
  Handle collect_growable(Kind kind, std::size_t start) {
    const Handle h = make_growable(kind);
    add_marked(h, start);
    return h;
  }
  bool is_node_of(Handle h, Kind kind) const {
    return !is_scalar(h) && store_.nodes[detail::index_of(h)].kind == kind;
  }

  // ---- stack ----
  std::size_t fence() const { return marks_.empty() ? 0 : marks_.back(); }
  Handle top() const {
    if (stack_.size() <= fence()) throw DecodeError("pickle stack underflow");
    return stack_.back();
  }
  Handle pop() {
    const Handle h = top();
    stack_.pop_back();
    return h;
  }
  void push(Handle h) {
    if (stack_.size() == stack_.capacity()) [[unlikely]]
      memory_.make_room(stack_, 1);
    stack_.push_back(h);
  }
  // Closes the innermost MARK; the marked items are stack_[start..].
  std::size_t pop_mark() {
    if (marks_.empty()) throw DecodeError("pickle stack underflow");
    const std::size_t start = marks_.back();
    marks_.pop_back();
    return start;
  }
  // The container that a MARK-closing opcode fills: the item below the mark.
  Handle target_below(std::size_t start, Kind kind, const char* opcode_name) const {
    if (start == 0 || start <= fence()) throw DecodeError("pickle stack underflow");
    const Handle target = stack_[start - 1];
    if (!is_node_of(target, kind)) throw DecodeError(std::string(opcode_name) + " on an object of the wrong type");
    return target;
  }

  // ---- memo ----
  // Keys are dense in every stream Python writes (0, 1, 2, ...): they index
  // an array. A key far beyond the array goes to a map instead, so that one
  // large key cannot make the array large.
  const Handle* memo_find(std::uint64_t key) const {
    if (key < memo_dense_.size() && memo_dense_[key] != absent) return &memo_dense_[key];
    if (memo_sparse_.empty()) return nullptr;
    const auto found = memo_sparse_.find(key);
    return found == memo_sparse_.end() ? nullptr : &found->second;
  }
  void memo_put(std::uint64_t key) {
    const Handle h = top();
    if (memo_find(key) == nullptr) ++memo_count_;
    if (key < memo_dense_.size() + memo_dense_.size() / 2 + 1024) {
      if (key >= memo_dense_.size()) {
        const std::size_t extra = static_cast<std::size_t>(key) + 1 - memo_dense_.size();
        memory_.make_room(memo_dense_, extra);
        memo_dense_.append_copies(extra, absent);
      }
      memo_dense_[key] = h;
      if (!memo_sparse_.empty()) memo_sparse_.erase(key);
      return;
    }
    const auto found = memo_sparse_.find(key);
    if (found != memo_sparse_.end()) {
      found->second = h;
      return;
    }
    memory_.charge(sparse_memo_entry_bytes);
    memo_sparse_.emplace(key, h);
  }
  void memo_get(std::uint64_t key) {
    const Handle* found = memo_find(key);
    if (found == nullptr) throw DecodeError("memo value not found at index " + std::to_string(key));
    shared_ = true;
    push(*found);
  }
  static std::uint64_t memo_key(std::string_view text) {
    std::uint64_t key = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), key);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty())
      throw DecodeError("invalid memo key");
    return key;
  }

  void step(std::uint8_t opcode, Handle offset) {
    using namespace op;
    switch (opcode) {
      case PROTO: {
        const std::uint8_t version = byte();
        if (version > 5) throw DecodeError("unsupported pickle protocol: " + std::to_string(version));
        return;
      }
      case FRAME: {
        // Frames only group bytes for buffered readers; the whole input is here.
        if (little_endian(8) > remaining()) throw DecodeError("EOF while parsing");
        return;
      }
      case MARK:
        memory_.make_room(marks_, 1);
        marks_.push_back(static_cast<std::uint32_t>(stack_.size()));
        return;
      case POP:
        if (!marks_.empty() && marks_.back() == stack_.size()) marks_.pop_back();
        else pop();
        return;
      case POP_MARK: stack_.resize(pop_mark()); return;
      case DUP:
        shared_ = true;
        push(top());
        return;

      case PUT: memo_put(memo_key(line())); return;
      case BINPUT: memo_put(byte()); return;
      case LONG_BINPUT: memo_put(little_endian(4)); return;
      case MEMOIZE: memo_put(memo_count_); return;
      case GET: memo_get(memo_key(line())); return;
      case BINGET: memo_get(byte()); return;
      case LONG_BINGET: memo_get(little_endian(4)); return;

      case NONE:
      case NEWTRUE:
      case NEWFALSE:
      case EMPTY_TUPLE: push(offset); return;
      case INT: {
        const std::string_view text = line();
        // Protocol 0 spells the booleans as these two INT forms.
        push(text == "00" || text == "01" ? offset : make_decimal(offset, text, text));
        return;
      }
      case LONG: {
        const std::string_view text = line();
        std::string_view digits = text;
        if (!digits.empty() && digits.back() == 'L') digits.remove_suffix(1);
        push(make_decimal(offset, text, digits));
        return;
      }
      case BININT: take(4); push(offset); return;
      case BININT1: take(1); push(offset); return;
      case BININT2: take(2); push(offset); return;
      case LONG1: push(make_long(offset, chunk(byte()))); return;
      case LONG4: {
        const auto n = static_cast<std::int32_t>(little_endian(4));
        if (n < 0) throw DecodeError("negative byte count");
        push(make_long(offset, chunk(static_cast<std::uint64_t>(n))));
        return;
      }
      case FLOAT: {
        const std::string_view text = line();
        const double value = parse_float_text(text);
        if (text.size() <= detail::short_text) {
          push(offset);
        } else {
          std::uint64_t bits;
          std::memcpy(&bits, &value, sizeof bits);
          push(make_payload(Kind::Float, bits));
        }
        return;
      }
      case BINFLOAT: take(8); push(offset); return;

      case STRING: {
        const std::string_view quoted = line();
        push(make_escaped_text(offset, Kind::Bytes, python_string_body(quoted), quoted));
        return;
      }
      case BINSTRING: {
        const auto n = static_cast<std::int32_t>(little_endian(4));
        if (n < 0) throw DecodeError("negative byte count");
        take(static_cast<std::uint64_t>(n));
        push(offset);
        return;
      }
      case SHORT_BINSTRING:
      case SHORT_BINBYTES: take(byte()); push(offset); return;
      case BINBYTES: take(little_endian(4)); push(offset); return;
      case BINBYTES8:
      case BYTEARRAY8: take(little_endian(8)); push(offset); return;
      case UNICODE: {
        const std::string_view text = line();
        push(make_escaped_text(offset, Kind::Str, text, text));
        return;
      }
      case SHORT_BINUNICODE: push(make_str(offset, chunk(byte()))); return;
      case BINUNICODE: push(make_str(offset, chunk(little_endian(4)))); return;
      case BINUNICODE8: push(make_str(offset, chunk(little_endian(8)))); return;

      case TUPLE: push(collect_tuple(pop_mark())); return;
      case TUPLE1:
      case TUPLE2:
      case TUPLE3: {
        const std::size_t n = opcode - TUPLE1 + 1u;
        if (stack_.size() < fence() + n) throw DecodeError("pickle stack underflow");
        push(collect_tuple(stack_.size() - n));
        return;
      }
      case EMPTY_LIST: push(make_growable(Kind::List)); return;
      case LIST: push(collect_growable(Kind::List, pop_mark())); return;
      case APPEND: {
        const Handle item = pop();
        const Handle list = top();
        if (!is_node_of(list, Kind::List)) throw DecodeError("APPEND on an object of the wrong type");
        add_items(list, &item, 1);
        return;
      }
      case APPENDS: {
        const std::size_t start = pop_mark();
        add_marked(target_below(start, Kind::List, "APPENDS"), start);
        return;
      }
      case EMPTY_DICT: push(make_growable(Kind::Dict)); return;
      case DICT: {
        const std::size_t start = pop_mark();
        const Handle dict = make_growable(Kind::Dict);
        add_marked_pairs(dict, start);
        push(dict);
        return;
      }
      case SETITEM: {
        const Handle value = pop();
        const Handle key = pop();
        const Handle dict = top();
        if (!is_node_of(dict, Kind::Dict)) throw DecodeError("SETITEM on an object of the wrong type");
        const Handle pair[] = {key, value};
        add_items(dict, pair, 2);
        return;
      }
      case SETITEMS: {
        const std::size_t start = pop_mark();
        add_marked_pairs(target_below(start, Kind::Dict, "SETITEMS"), start);
        return;
      }
      case EMPTY_SET: push(make_growable(Kind::Set)); return;
      case FROZENSET: push(collect_growable(Kind::Set, pop_mark())); return;
      case ADDITEMS: {
        const std::size_t start = pop_mark();
        add_marked(target_below(start, Kind::Set, "ADDITEMS"), start);
        return;
      }
      default: break;
    }
    if (const char* name = refused_opcode_name(opcode))
      throw DecodeError(std::string("unsupported opcode ") + name + ": only plain data is decoded");
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02x", opcode);
    throw DecodeError(std::string("invalid opcode ") + hex);
  }

  // Memo sharing turns the tree into a graph. Walk it once, without
  // recursion, to refuse cycles, paths deeper than max_depth and a total
  // expansion beyond the budget, so that no reader ever has to guard itself.
  // The walk keeps its marks and counts in the nodes (a node's spare-slot
  // index is not needed once parsing is over).
  void check_shape(Handle root) {
    if (is_scalar(root) || !detail::is_container(node(root).kind)) return;
    const std::uint64_t budget =
        std::min<std::uint64_t>(expansion_floor + expansion_per_byte * static_cast<std::uint64_t>(end_ - begin_),
                                std::numeric_limits<std::uint32_t>::max() - 1);
    const auto add = [&](Node& n, std::uint64_t count) {
      n.last = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{n.last} + count, budget + 1));
    };
    const auto open = [&](Handle h) {
      Node& n = node(h);
      n.flags |= detail::walk_open;
      n.last = 1;  // itself
      n.height = 0;
    };
    struct Visit {
      Handle node;
      ItemIterator next;
    };
    const auto items_of = [&](Handle h) { return ItemIterator(&store_, node(h).first, node(h).size); };
    std::vector<Visit> path;
    path.reserve(64);
    open(root);
    path.push_back({root, items_of(root)});
    while (!path.empty()) {
      Visit& visit = path.back();
      Node& current = node(visit.node);
      if (visit.next == ItemIterator(nullptr, 0, 0)) {
        current.flags = static_cast<std::uint8_t>((current.flags & ~detail::walk_open) | detail::walk_closed);
        const std::uint32_t size = current.last;
        const std::uint16_t height = current.height;
        path.pop_back();
        if (!path.empty()) {
          Node& parent = node(path.back().node);
          add(parent, size);
          parent.height = std::max<std::uint16_t>(parent.height, static_cast<std::uint16_t>(height + 1));
        }
        continue;
      }
      const Handle next = visit.next.handle();
      ++visit.next;
      if (is_scalar(next) || !detail::is_container(node(next).kind)) {
        add(current, 1);
        current.height = std::max<std::uint16_t>(current.height, 1);
        if (current.last > budget) throw DecodeError("shared objects expand beyond the size limit");
        continue;
      }
      Node& child = node(next);
      if (child.flags & detail::walk_open) throw DecodeError("recursive structure found");
      if (child.flags & detail::walk_closed) {
        add(current, child.last);
        current.height = std::max<std::uint16_t>(current.height, static_cast<std::uint16_t>(child.height + 1));
        if (path.size() + 1 + child.height > max_depth) throw DecodeError("nesting too deep");
        if (current.last > budget) throw DecodeError("shared objects expand beyond the size limit");
        continue;
      }
      if (path.size() >= max_depth) throw DecodeError("nesting too deep");
      open(next);
      path.push_back({next, items_of(next)});
    }
    if (node(root).last > budget) throw DecodeError("shared objects expand beyond the size limit");
  }

  detail::Store& store_;
  const std::uint8_t* begin_;
  const std::uint8_t* at_;
  const std::uint8_t* end_;
  WorkingMemory memory_;
  std::vector<Handle> stack_;
  std::vector<std::uint32_t> marks_;
  detail::ChunkedArray<Handle, 10> memo_dense_;
  std::unordered_map<std::uint64_t, Handle> memo_sparse_;
  std::uint64_t memo_count_ = 0;
  bool shared_ = false;
};

Document parse(std::span<const std::uint8_t> bytes) {
  auto store = std::make_unique<detail::Store>();
  store->input = bytes;
  return Parser::parse(std::move(store));
}

Document parse(std::string_view bytes) {
  return parse(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

Document parse(std::string&& bytes) {
  auto store = std::make_unique<detail::Store>();
  store->owned_input = std::move(bytes);
  const std::string& owned = store->owned_input;
  store->input = std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(owned.data()), owned.size());
  return Parser::parse(std::move(store));
}

}  // namespace vxpickle
