#pragma once
// The 24 Euler-angle orders. An order named by axis letters P, Q, R is the
// rotation R_P(a)·R_Q(b)·R_R(c); the Ex variant applies the same sequence as
// R_R(c)·R_Q(b)·R_P(a).
namespace vx {

enum class EulerOrder : unsigned char {
    ZYX, ZXY, YXZ, YZX, XYZ, XZY, ZYZ, ZXZ, YXY, YZY, XYX, XZX,
    ZYXEx, ZXYEx, YXZEx, YZXEx, XYZEx, XZYEx, ZYZEx, ZXZEx, YXYEx, YZYEx, XYXEx, XZXEx,
};

inline constexpr int euler_order_count = 24;

inline constexpr const char* euler_order_names[euler_order_count] = {
    "ZYX",   "ZXY",   "YXZ",   "YZX",   "XYZ",   "XZY",   "ZYZ",   "ZXZ",   "YXY",   "YZY",   "XYX",   "XZX",
    "ZYXEx", "ZXYEx", "YXZEx", "YZXEx", "XYZEx", "XZYEx", "ZYZEx", "ZXZEx", "YXYEx", "YZYEx", "XYXEx", "XZXEx",
};

}  // namespace vx
