// Buffers that a computation keeps for its next run on the loaded image,
// sized to it. The workspace holds them beside the image and drops them with
// it, so their memory goes when the image is replaced or closed; it knows
// them only by this base, the computation by its own type.
#pragma once

class ImageWorkingSet {
  public:
    ImageWorkingSet() = default;
    ImageWorkingSet(const ImageWorkingSet&) = delete;
    ImageWorkingSet& operator=(const ImageWorkingSet&) = delete;
    virtual ~ImageWorkingSet() = default;
};
