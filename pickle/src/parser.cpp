#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <unordered_map>

#include "bigint.hpp"
#include "document_chunks.hpp"
#include "opcodes.hpp"
#include "text_codecs.hpp"
#include "vxpickle/value.hpp"

namespace vxpickle {

namespace {

// A memo-shared structure may expand (counting every path to a shared node)
// to this many nodes plus a multiple of the input size; beyond that, a tiny
// stream could make a reader build a huge value, so it is refused.
constexpr std::uint64_t expansion_floor = 1u << 16;
constexpr std::uint64_t expansion_per_byte = 8;

}  // namespace

class Parser {
 public:
  explicit Parser(std::span<const std::uint8_t> bytes)
      : begin_(bytes.data()), at_(bytes.data()), end_(bytes.data() + bytes.size()) {
    stack_.reserve(32);
    marks_.reserve(8);
  }

  Document run() {
    for (;;) {
      const std::uint8_t opcode = byte();
      if (opcode == op::STOP) break;
      step(opcode);
    }
    Value* root = pop();
    if (at_ != end_) throw DecodeError("trailing bytes found");
    // Without DUP or GET every node has one parent and the heights kept on
    // the way are final; only a shared node needs the full walk.
    if (shared_) check_shape(*root);
    doc_.root_ = root;
    return std::move(doc_);
  }

 private:
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
  std::string_view chunk(std::uint64_t n) {
    return {reinterpret_cast<const char*>(take(n)), static_cast<std::size_t>(n)};
  }

  // ---- nodes ----
  Value* make(Kind kind) {
    if (doc_.node_count_ >= std::numeric_limits<std::uint32_t>::max())
      throw DecodeError("pickle holds too many objects");
    Value* v = doc_.add_node();
    v->kind = kind;
    return v;
  }
  Value* make_int(std::int64_t i) {
    Value* v = make(Kind::Int);
    v->integer = i;
    return v;
  }
  Value* make_data(Kind kind, std::string_view data) {
    Value* v = make(kind);
    v->data.assign(data);
    return v;
  }
  Value* make_str(std::string_view utf8) {
    if (!is_utf8(utf8)) throw DecodeError("invalid UTF-8 in string");
    return make_data(Kind::Str, utf8);
  }
  Value* make_long(std::string_view le_bytes) {
    if (auto small = le_to_i64(le_bytes)) return make_int(*small);
    return make_data(Kind::BigInt, le_bytes);
  }
  Value* make_decimal(std::string_view text) {
    std::int64_t small = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), small);
    if (ec == std::errc() && ptr == text.data() + text.size()) return make_int(small);
    return make_long(decimal_to_le(text));
  }

  // ---- stack ----
  std::size_t fence() const { return marks_.empty() ? 0 : marks_.back(); }
  Value* top() {
    if (stack_.size() <= fence()) throw DecodeError("pickle stack underflow");
    return stack_.back();
  }
  Value* pop() {
    Value* v = top();
    stack_.pop_back();
    return v;
  }
  void push(Value* v) { stack_.push_back(v); }
  // Closes the innermost MARK; the marked items are stack_[start..].
  std::size_t pop_mark() {
    if (marks_.empty()) throw DecodeError("pickle stack underflow");
    const std::size_t start = marks_.back();
    marks_.pop_back();
    return start;
  }
  // The container that a MARK-closing opcode fills: the item below the mark.
  Value* target_below(std::size_t start, Kind kind, const char* opcode_name) {
    if (start == 0 || start <= fence()) throw DecodeError("pickle stack underflow");
    Value* target = stack_[start - 1];
    if (target->kind != kind) throw DecodeError(std::string(opcode_name) + " on an object of the wrong type");
    return target;
  }
  // Every edge enters the tree here. A height recorded at that moment is a
  // lower bound of the final one (containers only grow), so exceeding the
  // cap is final too.
  static void adopt(Value* parent, const Value* child) {
    if (child->height + 1 > parent->height) parent->height = child->height + 1;
    if (parent->height >= max_depth) throw DecodeError("nesting too deep");
  }
  void move_items_into(Value* container, std::size_t start) {
    for (std::size_t i = start; i < stack_.size(); ++i) adopt(container, stack_[i]);
    // Exact room for a fresh container only: a list filled batch by batch
    // must keep the vector's geometric growth.
    if (container->items.empty()) container->items.reserve(stack_.size() - start);
    container->items.insert(container->items.end(), stack_.begin() + static_cast<std::ptrdiff_t>(start),
                            stack_.end());
    stack_.resize(start);
  }
  Value* collect(Kind kind, std::size_t start) {
    Value* v = make(kind);
    move_items_into(v, start);
    return v;
  }
  void append_pairs(Value* dict, std::size_t start) {
    if ((stack_.size() - start) % 2 != 0) throw DecodeError("odd number of items for a dict");
    if (dict->entries.empty()) dict->entries.reserve((stack_.size() - start) / 2);
    for (std::size_t i = start; i < stack_.size(); i += 2) {
      adopt(dict, stack_[i]);
      adopt(dict, stack_[i + 1]);
      dict->entries.push_back({stack_[i], stack_[i + 1]});
    }
    stack_.resize(start);
  }

  // ---- memo ----
  void memo_put(std::uint64_t key) { memo_[key] = top(); }
  void memo_get(std::uint64_t key) {
    auto found = memo_.find(key);
    if (found == memo_.end()) throw DecodeError("memo value not found at index " + std::to_string(key));
    shared_ = true;
    push(found->second);
  }
  static std::uint64_t memo_key(std::string_view text) {
    std::uint64_t key = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), key);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty())
      throw DecodeError("invalid memo key");
    return key;
  }

  void step(std::uint8_t opcode) {
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
      case MARK: marks_.push_back(stack_.size()); return;
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
      case MEMOIZE: memo_put(memo_.size()); return;
      case GET: memo_get(memo_key(line())); return;
      case BINGET: memo_get(byte()); return;
      case LONG_BINGET: memo_get(little_endian(4)); return;

      case NONE: push(make(Kind::None)); return;
      case NEWTRUE:
      case NEWFALSE: {
        Value* v = make(Kind::Bool);
        v->boolean = opcode == NEWTRUE;
        push(v);
        return;
      }
      case INT: {
        const std::string_view text = line();
        // Protocol 0 spells the booleans as these two INT forms.
        if (text == "00" || text == "01") {
          Value* v = make(Kind::Bool);
          v->boolean = text == "01";
          push(v);
        } else {
          push(make_decimal(text));
        }
        return;
      }
      case LONG: {
        std::string_view text = line();
        if (!text.empty() && text.back() == 'L') text.remove_suffix(1);
        push(make_decimal(text));
        return;
      }
      case BININT: push(make_int(static_cast<std::int32_t>(little_endian(4)))); return;
      case BININT1: push(make_int(byte())); return;
      case BININT2: push(make_int(static_cast<std::int64_t>(little_endian(2)))); return;
      case LONG1: push(make_long(chunk(byte()))); return;
      case LONG4: {
        const auto n = static_cast<std::int32_t>(little_endian(4));
        if (n < 0) throw DecodeError("negative byte count");
        push(make_long(chunk(static_cast<std::uint64_t>(n))));
        return;
      }
      case FLOAT: {
        Value* v = make(Kind::Float);
        v->number = parse_float_text(line());
        push(v);
        return;
      }
      case BINFLOAT: {
        const std::uint8_t* p = take(8);
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits = (bits << 8) | p[i];
        Value* v = make(Kind::Float);
        std::memcpy(&v->number, &bits, sizeof bits);
        push(v);
        return;
      }

      case STRING: push(make_data(Kind::Bytes, unquote_python_string(line()))); return;
      case BINSTRING: {
        const auto n = static_cast<std::int32_t>(little_endian(4));
        if (n < 0) throw DecodeError("negative byte count");
        push(make_data(Kind::Bytes, chunk(static_cast<std::uint64_t>(n))));
        return;
      }
      case SHORT_BINSTRING:
      case SHORT_BINBYTES: push(make_data(Kind::Bytes, chunk(byte()))); return;
      case BINBYTES: push(make_data(Kind::Bytes, chunk(little_endian(4)))); return;
      case BINBYTES8:
      case BYTEARRAY8: push(make_data(Kind::Bytes, chunk(little_endian(8)))); return;
      case UNICODE: {
        Value* v = make(Kind::Str);
        v->data = raw_unicode_escape_to_utf8(line());
        push(v);
        return;
      }
      case SHORT_BINUNICODE: push(make_str(chunk(byte()))); return;
      case BINUNICODE: push(make_str(chunk(little_endian(4)))); return;
      case BINUNICODE8: push(make_str(chunk(little_endian(8)))); return;

      case EMPTY_TUPLE: push(make(Kind::Tuple)); return;
      case TUPLE: push(collect(Kind::Tuple, pop_mark())); return;
      case TUPLE1:
      case TUPLE2:
      case TUPLE3: {
        const std::size_t n = opcode - TUPLE1 + 1u;
        if (stack_.size() < fence() + n) throw DecodeError("pickle stack underflow");
        push(collect(Kind::Tuple, stack_.size() - n));
        return;
      }
      case EMPTY_LIST: push(make(Kind::List)); return;
      case LIST: push(collect(Kind::List, pop_mark())); return;
      case APPEND: {
        Value* item = pop();
        Value* list = top();
        if (list->kind != Kind::List) throw DecodeError("APPEND on an object of the wrong type");
        adopt(list, item);
        list->items.push_back(item);
        return;
      }
      case APPENDS: {
        const std::size_t start = pop_mark();
        move_items_into(target_below(start, Kind::List, "APPENDS"), start);
        return;
      }
      case EMPTY_DICT: push(make(Kind::Dict)); return;
      case DICT: {
        const std::size_t start = pop_mark();
        Value* dict = make(Kind::Dict);
        append_pairs(dict, start);
        push(dict);
        return;
      }
      case SETITEM: {
        Value* value = pop();
        Value* key = pop();
        Value* dict = top();
        if (dict->kind != Kind::Dict) throw DecodeError("SETITEM on an object of the wrong type");
        adopt(dict, key);
        adopt(dict, value);
        dict->entries.push_back({key, value});
        return;
      }
      case SETITEMS: {
        const std::size_t start = pop_mark();
        append_pairs(target_below(start, Kind::Dict, "SETITEMS"), start);
        return;
      }
      case EMPTY_SET: push(make(Kind::Set)); return;
      case FROZENSET: push(collect(Kind::Set, pop_mark())); return;
      case ADDITEMS: {
        const std::size_t start = pop_mark();
        move_items_into(target_below(start, Kind::Set, "ADDITEMS"), start);
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

  static double parse_float_text(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ptr != digits.data() + digits.size() || digits.empty()) throw DecodeError("invalid float literal");
    if (ec == std::errc::result_out_of_range) {
      // Python reads a literal below the smallest subnormal as a signed zero
      // and refuses one beyond the largest double.
      if (digits.find("e-") == std::string_view::npos && digits.find("E-") == std::string_view::npos)
        throw DecodeError("float literal out of range");
      return digits.front() == '-' ? -0.0 : 0.0;
    }
    if (ec != std::errc()) throw DecodeError("invalid float literal");
    return value;
  }

  // Memo sharing turns the tree into a graph. Walk it once, without
  // recursion, to refuse cycles, paths deeper than max_depth and a total
  // expansion beyond the budget, so that no reader ever has to guard itself.
  void check_shape(const Value& root) {
    const std::uint64_t budget = expansion_floor + expansion_per_byte * static_cast<std::uint64_t>(end_ - begin_);
    const std::size_t n = doc_.node_count_;
    enum : std::uint8_t { fresh, open, closed };
    std::vector<std::uint8_t> state(n, fresh);
    std::vector<std::uint64_t> expanded(n, 0);
    std::vector<std::uint32_t> height(n, 0);
    struct Visit {
      const Value* node;
      std::size_t next_child;
    };
    auto child_count = [](const Value& v) { return v.kind == Kind::Dict ? 2 * v.entries.size() : v.items.size(); };
    auto child = [](const Value& v, std::size_t i) {
      if (v.kind == Kind::Dict) return i % 2 == 0 ? v.entries[i / 2].key : v.entries[i / 2].value;
      return v.items[i];
    };
    std::vector<Visit> path;
    path.push_back({&root, 0});
    state[root.index] = open;
    expanded[root.index] = 1;
    while (!path.empty()) {
      Visit& visit = path.back();
      const Value& node = *visit.node;
      if (visit.next_child == child_count(node)) {
        state[node.index] = closed;
        const std::uint64_t size = expanded[node.index];
        const std::uint32_t h = height[node.index];
        path.pop_back();
        if (!path.empty()) {
          const std::uint32_t parent = path.back().node->index;
          expanded[parent] = std::min(expanded[parent] + size, budget + 1);
          height[parent] = std::max(height[parent], h + 1);
        }
        continue;
      }
      const Value* next = child(node, visit.next_child++);
      if (state[next->index] == open) throw DecodeError("recursive structure found");
      if (state[next->index] == closed) {
        expanded[node.index] = std::min(expanded[node.index] + expanded[next->index], budget + 1);
        height[node.index] = std::max(height[node.index], height[next->index] + 1);
        if (path.size() + 1 + height[next->index] > max_depth) throw DecodeError("nesting too deep");
        if (expanded[node.index] > budget) throw DecodeError("shared objects expand beyond the size limit");
        continue;
      }
      if (path.size() >= max_depth) throw DecodeError("nesting too deep");
      state[next->index] = open;
      expanded[next->index] = 1;
      path.push_back({next, 0});
    }
    if (expanded[root.index] > budget) throw DecodeError("shared objects expand beyond the size limit");
    // The heights recorded while parsing may predate later appends to a
    // shared container; the walk's are final.
    std::size_t index = 0;
    for (std::size_t c = 0; c < doc_.chunks_.size(); ++c)
      for (std::size_t i = 0; i < document_chunk_size(c) && index < n; ++i, ++index)
        if (state[index] == closed) doc_.chunks_[c][i].height = height[index];
  }

  const std::uint8_t* begin_;
  const std::uint8_t* at_;
  const std::uint8_t* end_;
  Document doc_;
  std::vector<Value*> stack_;
  std::vector<std::size_t> marks_;
  std::unordered_map<std::uint64_t, Value*> memo_;
  bool shared_ = false;
};

Document parse(std::span<const std::uint8_t> bytes) { return Parser(bytes).run(); }

Document parse(std::string_view bytes) {
  return parse(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace vxpickle
