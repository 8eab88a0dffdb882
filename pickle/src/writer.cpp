#include "vxpickle/writer.hpp"

#include <cstring>

#include "opcodes.hpp"

namespace vxpickle {

namespace {

// Lists and dicts are filled in batches, as Python's own pickler does, so a
// reader never holds more than this many loose items on its stack.
constexpr std::uint64_t batch_size = 1000;

void append_f64(std::string& out, double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  char be[9];
  be[0] = static_cast<char>(op::BINFLOAT);
  for (int i = 0; i < 8; ++i) be[1 + i] = static_cast<char>(bits >> (56 - 8 * i));
  out.append(be, sizeof be);
}

void append_u32_le(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

void append_unicode(std::string& out, std::string_view utf8) {
  out.push_back(static_cast<char>(op::BINUNICODE));
  append_u32_le(out, static_cast<std::uint32_t>(utf8.size()));
  out.append(utf8);
}

}  // namespace

Writer::Writer() {
  out_.reserve(128);
  out_.push_back(static_cast<char>(op::PROTO));
  out_.push_back(3);
}

// The MARK of a list or record is written with its first item, so an empty
// one is its EMPTY_ opcode alone; a full batch is closed and a new one opened
// just before the next item.
void Writer::open_batch_item(char batch_opcode, Frame& frame) {
  if (frame.count == 0) put(static_cast<char>(op::MARK));
  else if (frame.count % batch_size == 0) {
    put(batch_opcode);
    put(static_cast<char>(op::MARK));
  }
  ++frame.count;
}

// Every value inside a list counts as one item.
void Writer::begin_item() {
  if (frames_.empty() || frames_.back().kind != FrameKind::List) return;
  open_batch_item(static_cast<char>(op::APPENDS), frames_.back());
}

// Closes the open batch. A frame that ended exactly on a batch boundary still
// has its "close, reopen" pending, which the batched form writes as an empty
// last batch.
void Writer::close_batches(char batch_opcode, const Frame& frame) {
  if (frame.count == 0) return;
  if (frame.count % batch_size == 0) {
    put(batch_opcode);
    put(static_cast<char>(op::MARK));
  }
  put(batch_opcode);
}

void Writer::none() {
  begin_item();
  put(static_cast<char>(op::NONE));
}

void Writer::boolean(bool value) {
  begin_item();
  put(static_cast<char>(value ? op::NEWTRUE : op::NEWFALSE));
}

void Writer::f64(double value) {
  begin_item();
  append_f64(out_, value);
}

void Writer::f32(float value) { f64(static_cast<double>(value)); }

void Writer::uint(std::uint64_t value) {
  begin_item();
  if (value < (std::uint64_t{1} << 31)) {
    put(static_cast<char>(op::BININT));
    append_u32_le(out_, static_cast<std::uint32_t>(value));
    return;
  }
  // Minimal two's complement: the value's bytes plus a zero byte whenever the
  // top bit of the last one is set.
  char bytes[9];
  std::size_t n = 0;
  for (std::uint64_t v = value; v != 0; v >>= 8) bytes[n++] = static_cast<char>(v & 0xFF);
  if ((static_cast<unsigned char>(bytes[n - 1]) & 0x80) != 0) bytes[n++] = 0;
  put(static_cast<char>(op::LONG1));
  put(static_cast<char>(n));
  out_.append(bytes, n);
}

void Writer::text(std::string_view utf8) {
  begin_item();
  append_unicode(out_, utf8);
}

void Writer::begin_tuple() {
  begin_item();
  put(static_cast<char>(op::MARK));
  frames_.push_back({FrameKind::Tuple, 0});
}

void Writer::end_tuple() {
  frames_.pop_back();
  put(static_cast<char>(op::TUPLE));
}

void Writer::begin_list() {
  begin_item();
  put(static_cast<char>(op::EMPTY_LIST));
  frames_.push_back({FrameKind::List, 0});
}

void Writer::end_list() {
  close_batches(static_cast<char>(op::APPENDS), frames_.back());
  frames_.pop_back();
}

void Writer::begin_record() {
  begin_item();
  put(static_cast<char>(op::EMPTY_DICT));
  frames_.push_back({FrameKind::Record, 0});
}

// The key is not an item of its own: it opens a pair, and the value that
// follows completes it.
void Writer::field(std::string_view name) {
  open_batch_item(static_cast<char>(op::SETITEMS), frames_.back());
  append_unicode(out_, name);
}

void Writer::end_record() {
  close_batches(static_cast<char>(op::SETITEMS), frames_.back());
  frames_.pop_back();
}

std::string Writer::finish() {
  put(static_cast<char>(op::STOP));
  return std::move(out_);
}

std::string encode_f64_components(std::span<const double> components) {
  std::string out;
  out.reserve(5 + 9 * components.size());
  out.push_back(static_cast<char>(op::PROTO));
  out.push_back(3);
  out.push_back(static_cast<char>(op::MARK));
  for (double c : components) append_f64(out, c);
  out.push_back(static_cast<char>(op::TUPLE));
  out.push_back(static_cast<char>(op::STOP));
  return out;
}

}  // namespace vxpickle
