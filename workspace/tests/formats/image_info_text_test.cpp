#include "workspace/core/formats/image_info_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::string kVendorDir = std::string(VANTU_TEST_DATA) + "/vendor/";
const std::string kDicomDir = std::string(VANTU_TEST_DATA) + "/dicom/";

bool has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(ImageInfoText, ScannerFilesAddTheirRecord) {
    const ImageInfoBasics b{256, 256, 0, 211, 8};
    const std::vector<std::string> lines =
        imageInfoLines(kVendorDir + "ge_genesis_plain.xim", b, 14);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "File Name:\t" + kVendorDir + "ge_genesis_plain.xim");
    EXPECT_EQ(lines[1], "Image Dimensions:\t256 x 256");
    EXPECT_EQ(lines[2], "Min; Max Brightness:\t0; 211");
    EXPECT_EQ(lines[3], "Bits Per Pixel:\t8");
    EXPECT_EQ(lines[4], "");
    EXPECT_TRUE(has(lines, "X; Y; Z Voxel Size:\t1.17mm\t1.17mm\t5.00mm"));
    EXPECT_TRUE(has(lines, "Receivin Coil:\tFLEX6"));
    EXPECT_TRUE(has(lines, "Model:\tSIGNA"));
    EXPECT_TRUE(has(lines, "Manufacturer:\tGeneral Electric"));
    EXPECT_TRUE(has(lines, "TR; TE; TI Time:\t24.20ms\t11.90ms\t0.00ms"));
    EXPECT_TRUE(has(lines, "Magnetic Field:\t0.50"));
}

TEST(ImageInfoText, OtherSources) {
    const ImageInfoBasics b{64, 64, 1, 9, 8};
    EXPECT_TRUE(imageInfoLines("", b, 14).empty());
    EXPECT_EQ(imageInfoLines("/x.bmp", b, 0).size(), 4u);
    // A scanner file that cannot be read adds nothing.
    EXPECT_EQ(imageInfoLines("/no/such.ima", b, 12).size(), 4u);
    const std::vector<std::string> dicom = imageInfoLines(kDicomDir + "MR_small.dcm", b, 128);
    EXPECT_GT(dicom.size(), 4u);
}

}  // namespace
