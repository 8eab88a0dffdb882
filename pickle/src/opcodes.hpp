#pragma once

#include <cstdint>

namespace vxpickle::op {

// The opcodes of pickle protocols 0 to 5 that carry plain data.
inline constexpr std::uint8_t MARK = '(', STOP = '.', POP = '0', POP_MARK = '1', DUP = '2';
inline constexpr std::uint8_t FLOAT = 'F', INT = 'I', BININT = 'J', BININT1 = 'K', LONG = 'L', BININT2 = 'M';
inline constexpr std::uint8_t NONE = 'N', STRING = 'S', BINSTRING = 'T', SHORT_BINSTRING = 'U';
inline constexpr std::uint8_t UNICODE = 'V', BINUNICODE = 'X', APPEND = 'a', EMPTY_DICT = '}', APPENDS = 'e';
inline constexpr std::uint8_t GET = 'g', BINGET = 'h', LONG_BINGET = 'j', LIST = 'l', EMPTY_LIST = ']';
inline constexpr std::uint8_t PUT = 'p', BINPUT = 'q', LONG_BINPUT = 'r', SETITEM = 's', TUPLE = 't';
inline constexpr std::uint8_t EMPTY_TUPLE = ')', SETITEMS = 'u', BINFLOAT = 'G', DICT = 'd';
inline constexpr std::uint8_t PROTO = 0x80, TUPLE1 = 0x85, TUPLE2 = 0x86, TUPLE3 = 0x87;
inline constexpr std::uint8_t NEWTRUE = 0x88, NEWFALSE = 0x89, LONG1 = 0x8a, LONG4 = 0x8b;
inline constexpr std::uint8_t BINBYTES = 'B', SHORT_BINBYTES = 'C';
inline constexpr std::uint8_t SHORT_BINUNICODE = 0x8c, BINUNICODE8 = 0x8d, BINBYTES8 = 0x8e;
inline constexpr std::uint8_t EMPTY_SET = 0x8f, ADDITEMS = 0x90, FROZENSET = 0x91;
inline constexpr std::uint8_t MEMOIZE = 0x94, FRAME = 0x95, BYTEARRAY8 = 0x96;

// The name of an opcode that imports, calls or refers to something outside
// the stream; such streams are refused whole. nullptr for any other byte.
inline const char* refused_opcode_name(std::uint8_t opcode) {
  switch (opcode) {
    case 'c': return "GLOBAL";
    case 0x93: return "STACK_GLOBAL";
    case 'R': return "REDUCE";
    case 'b': return "BUILD";
    case 'i': return "INST";
    case 'o': return "OBJ";
    case 0x81: return "NEWOBJ";
    case 0x92: return "NEWOBJ_EX";
    case 0x82: return "EXT1";
    case 0x83: return "EXT2";
    case 0x84: return "EXT4";
    case 'P': return "PERSID";
    case 'Q': return "BINPERSID";
    case 0x97: return "NEXT_BUFFER";
    case 0x98: return "READONLY_BUFFER";
    default: return nullptr;
  }
}

}  // namespace vxpickle::op
