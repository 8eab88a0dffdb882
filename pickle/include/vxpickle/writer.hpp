#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vxpickle {

// Writes one pickle protocol-3 stream: PROTO 3, one value, STOP. No memo and
// no frames are written. Containers nest through begin_*/end_*; inside a list
// or record every value written counts as one item, so callers never count.
//
//   Writer w;
//   w.begin_record();
//   w.field("center"); w.begin_tuple(); w.f32(x); w.f32(y); w.f32(z); w.end_tuple();
//   w.field("radius"); w.f32(r);
//   w.end_record();
//   std::string bytes = w.finish();
class Writer {
 public:
  Writer();

  void none();                   // NONE
  void boolean(bool value);      // NEWTRUE / NEWFALSE
  void f64(double value);        // BINFLOAT, the bits big-endian
  void f32(float value);         // widened exactly, then as f64
  void uint(std::uint64_t value);  // BININT below 2^31, else LONG1
  void text(std::string_view utf8);  // BINUNICODE

  // MARK ... TUPLE.
  void begin_tuple();
  void end_tuple();
  // EMPTY_LIST alone when empty; else MARK items APPENDS, batched by 1000.
  void begin_list();
  void end_list();
  // EMPTY_DICT alone without fields; else MARK pairs SETITEMS, batched by
  // 1000 pairs. Each field is field(name) followed by exactly one value.
  void begin_record();
  void field(std::string_view name);
  void end_record();

  // Appends STOP and hands out the stream; the writer is spent afterwards.
  std::string finish();

 private:
  enum class FrameKind : std::uint8_t { Tuple, List, Record };
  struct Frame {
    FrameKind kind;
    std::uint64_t count;
  };
  void begin_item();
  void open_batch_item(char batch_opcode, Frame& frame);
  void put(char opcode) { out_.push_back(opcode); }
  void close_batches(char batch_opcode, const Frame& frame);

  std::string out_;
  std::vector<Frame> frames_;
};

// The pickled state of a flat run of doubles: PROTO 3, MARK, one BINFLOAT per
// component, TUPLE, STOP (5 + 9 * N bytes).
std::string encode_f64_components(std::span<const double> components);

// A growable array: write_item(writer, item) for each item, in order.
template <class Range, class WriteItem>
void write_list(Writer& w, const Range& items, WriteItem&& write_item) {
  w.begin_list();
  for (const auto& item : items) write_item(w, item);
  w.end_list();
}

}  // namespace vxpickle
