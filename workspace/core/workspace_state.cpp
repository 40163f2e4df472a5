#include "workspace/core/workspace_state.h"

uint32_t ImageWidth = 0;
uint32_t ImageHeight = 0;

PlanePtr newPlane(int32_t width, int32_t height) {
    auto plane = std::make_unique<ImagePlane>();
    if (!PlaneCreate(plane.get(), width, height)) return nullptr;
    return PlanePtr(plane.release());
}
