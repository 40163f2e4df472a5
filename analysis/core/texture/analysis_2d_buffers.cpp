#include "analysis/core/texture/analysis_2d_buffers.h"

Analysis2DBuffers::Analysis2DBuffers()
    : cooccurrenceLevels(&platform::pageMemory()),
      runLengthLevels(&platform::pageMemory()),
      gradientLevels(&platform::pageMemory()),
      cooccurrence(&platform::pageMemory()),
      runLength(&platform::pageMemory()),
      ar(&platform::pageMemory()) {}

void Analysis2DBuffers::fitImage(int32_t width, int32_t height) {
    if (width == width_ && height == height_) return;
    cooccurrenceLevels.release();
    runLengthLevels.release();
    gradientLevels.release();
    cooccurrence.release();
    runLength.release();
    ar.release();
    width_ = width;
    height_ = height;
}
