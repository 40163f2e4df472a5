#include "workspace/core/workspace_state.h"

PlanePtr newPlane(int32_t width, int32_t height) {
    auto plane = std::make_unique<ImagePlane>();
    if (!PlaneCreate(plane.get(), width, height)) return nullptr;
    return PlanePtr(plane.release());
}

PlanePtr adoptPlane(int32_t width, int32_t height, PlaneWords&& words) {
    auto plane = std::make_unique<ImagePlane>();
    if (!PlaneAdopt(plane.get(), width, height, std::move(words))) return nullptr;
    return PlanePtr(plane.release());
}
