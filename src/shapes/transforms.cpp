#include "shapes/transforms.hpp"

#include "shapes/pointcloud.hpp"

namespace vx::shapes {

tangor::Pointcloud ClassMoves<tangor::Pointcloud>::scaled(const tangor::Pointcloud& c, float factor) {
    return built_cloud(tangor::pointcloud::scaled(c, factor));
}

}  // namespace vx::shapes
