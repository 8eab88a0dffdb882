#pragma once
// How a refusal of the point tree reaches Python: the same texts as the
// construction of a Pointcloud.
#include <new>

#include "bind/error.hpp"
#include "tangor/pointcloud/capt.hpp"

namespace vx::colliders {

[[noreturn]] inline void raise_pointcloud_error(tangor::pointcloud::capt::NewCaptError error) {
    using tangor::pointcloud::capt::NewCaptError;
    switch (error) {
        case NewCaptError::NonFinite:
            bind::raise_value_error("Pointcloud points must be finite");
        case NewCaptError::OutOfMemory:
            throw std::bad_alloc();
        case NewCaptError::TooManyPoints:
        case NewCaptError::InvalidLaneCount:
            break;
    }
    bind::raise_value_error("too many points for Pointcloud");
}

}  // namespace vx::colliders
