#include "tangor/pointcloud/no_pcl.hpp"

#include "vxpickle/reader.hpp"

namespace tangor::serial {

template <>
pointcloud::no_pcl::NoPcl read<pointcloud::no_pcl::NoPcl>(const vxpickle::Value& value) {
  vxpickle::fail_invalid_type(value, "no point cloud (this collider cannot hold one)");
}

}  // namespace tangor::serial
