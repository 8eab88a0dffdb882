#include "shapes/pointcloud.hpp"

#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include "bind/numpy_bridge.hpp"
#include "shapes/bounds.hpp"
#include "shapes/shape_frame.hpp"
#include "shapes/transforms.hpp"
#include "shapes/union_methods.hpp"

namespace vx {

namespace shapes {

// The cloud's writer is declared with the cloud, after the library's
// generic encoder, which therefore cannot name it: the stream is written here.
template <>
struct StateCodec<tangor::Pointcloud> {
    static std::string encode(const tangor::Pointcloud& cloud) {
        vxpickle::Writer w;
        tangor::serial::write(w, cloud);
        return w.finish();
    }
    static tangor::Pointcloud decode(std::string_view bytes) {
        return vxpickle::decode_stream(bytes, &tangor::serial::read<tangor::Pointcloud>);
    }
};

tangor::Pointcloud built_cloud(std::variant<tangor::Pointcloud, tangor::pointcloud::capt::NewCaptError> result) {
    using tangor::pointcloud::capt::NewCaptError;
    if (auto* cloud = std::get_if<tangor::Pointcloud>(&result)) return std::move(*cloud);
    switch (std::get<NewCaptError>(result)) {
        case NewCaptError::NonFinite: bind::raise_value_error("Pointcloud points must be finite");
        case NewCaptError::TooManyPoints: bind::raise_value_error("too many points for Pointcloud");
        case NewCaptError::OutOfMemory: throw std::bad_alloc();
        case NewCaptError::ExceedsPhysicalMemory:
            bind::raise(PyExc_MemoryError,
                        "Pointcloud tree would exceed this machine's memory; build the cloud with "
                        "Pointcloud(points, r_range=(lo, hi), point_radius=...) where (lo, hi) spans only the "
                        "query radii it will see");
        case NewCaptError::InvalidLaneCount: break;
    }
    // The lane count is fixed at build time: reaching this is a fault of ours.
    throw std::logic_error("point tree refused its lane count");
}

}  // namespace shapes

namespace {

using Point3 = tangor::pointcloud::capt::Point3;
using tangor::Pointcloud;

Pointcloud create(const std::vector<Point3>& points, std::pair<float, float> r_range, float point_radius) {
    return shapes::built_cloud(Pointcloud::try_create(points, r_range, point_radius));
}

// The tree is built for the norms of the points: from the smallest to the
// largest plus the point radius. A norm replaces a bound only when strictly
// beyond it, so a NaN norm changes neither.
Pointcloud create_for_norms(const std::vector<Point3>& points, float point_radius) {
    if (points.empty()) return create(points, {0.0f, point_radius}, point_radius);
    float smallest = std::numeric_limits<float>::max();
    float largest = 0.0f;
    for (const auto& [x, y, z] : points) {
        const float norm = std::sqrt((x * x + y * y) + z * z);
        if (norm < smallest) smallest = norm;
        if (norm > largest) largest = norm;
    }
    return create(points, {smallest, largest + point_radius}, point_radius);
}

// r_range goes to the library as given (default (0, 0)); nothing is derived.
Pointcloud build(std::vector<Point3> points, std::optional<std::pair<float, float>> r_range,
                 std::optional<float> point_radius) {
    return create(points, r_range.value_or(std::pair{0.0f, 0.0f}), point_radius.value_or(0.0f));
}

Pointcloud from_list(std::vector<Point3> points, float point_radius) { return create_for_norms(points, point_radius); }

// The shape is checked before anything is copied; the rows are read through
// the array's strides and the array itself is never kept.
Pointcloud from_numpy(bind::ArrayArg<2> points, std::optional<float> point_radius) {
    const bind::F64Array& a = points.array;
    if (a.cols != 3) bind::raise_value_error("points must be (N, 3)");
    std::vector<double> elements(a.rows * 3);
    bind::noted("points", [&] { a.copy_to(elements); });
    std::vector<Point3> narrowed(a.rows);
    for (std::size_t i = 0; i < a.rows; ++i)
        for (std::size_t k = 0; k < 3; ++k) narrowed[i][k] = shapes::narrow(elements[3 * i + k]);
    // The nearest float to 0.033, as the text of the default reads.
    return create_for_norms(narrowed, point_radius.value_or(0.033f));
}

std::string repr(const Pointcloud&) { return "Pointcloud(...)"; }

const bind::MethodTable frame = shapes::shape_frame_methods<
    PyPointcloud, "Pointcloud(points=None, r_range=..., point_radius=0.0, *, __pickle_state__=None)", &build,
    &repr>();

using D = bind::Declare<PyPointcloud>;
const bind::MethodTable members = {
    D::static_method<"from_list(points, point_radius)", &from_list>(),
    D::static_method<"from_numpy(points, point_radius=0.033)", &from_numpy>(),
};

}  // namespace

const bind::ClassDef& PyPointcloud::def() {
    static const bind::ClassDef d{
        .blocks =
            {
                &frame,
                &members,
                &shapes::bounds_methods<PyPointcloud>(),
                &shapes::transform_methods<PyPointcloud>(),
                &shapes::union_methods<PyPointcloud>,
            },
        .fields = std::vector<const char*>{},
    };
    return d;
}

}  // namespace vx
