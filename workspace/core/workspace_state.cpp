#include "workspace/core/workspace_state.h"

PlanePtr newPlane(int32_t width, int32_t height) {
    auto plane = std::make_unique<ImagePlane>();
    if (!PlaneCreate(plane.get(), width, height)) return nullptr;
    return PlanePtr(plane.release());
}
