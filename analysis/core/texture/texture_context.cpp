#include "analysis/core/texture/texture_context.h"

TextureContext textureContext(const ImagePlane& grey, const ImagePlane& roiMap, int32_t ImageMax,
                              int32_t ImageMin, int32_t BitDepth) {
    TextureContext context;
    context.ImageMax = ImageMax;
    context.ImageMin = ImageMin;
    context.BitDepth = BitDepth;
    if (grey.current == nullptr || roiMap.current == nullptr || grey.width != roiMap.width ||
        grey.height != roiMap.height)
        return context;
    context.samples = grey.current;
    context.roiMap = roiMap.current;
    context.width = grey.width;
    context.height = grey.height;
    return context;
}
