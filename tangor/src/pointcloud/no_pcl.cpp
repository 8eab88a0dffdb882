#include "tangor/pointcloud/no_pcl.hpp"

#include "vxpickle/reader.hpp"

namespace vxpickle {

tangor::pointcloud::no_pcl::NoPcl Codec<tangor::pointcloud::no_pcl::NoPcl>::read(const Value& value) {
  fail_invalid_type(value, "no point cloud (this collider cannot hold one)");
}

}  // namespace vxpickle
