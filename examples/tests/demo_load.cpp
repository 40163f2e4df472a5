#include "examples/tests/demo_load.h"

#include <gtest/gtest.h>

#include "workspace/core/formats/image_load.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/core/roi/roi_files.h"

WorkspaceState loadDemo(const std::string& folder) {
    WorkspaceState state;
    LoadedImage image;
    EXPECT_EQ(readImageSamples(kFormatBitmap, folder + "/demo.bmp", RawOptions{}, 0, image), 0);
    EXPECT_TRUE(applyLoadedImage(state, std::move(image), 0, 255));
    // The macro names the file relative to its folder; the report shows the name only.
    state.ImageFileName = "demo.bmp";
    EXPECT_EQ(LoadRoiFile(state, folder + "/demo.roi", kLoadRoiTypeRoiFile), RoiFileStatus::Ok);
    return state;
}
