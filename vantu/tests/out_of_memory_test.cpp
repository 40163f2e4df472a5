// Running out of memory in a command is an "Error" box, and the program goes
// on with its state as it was. Memory runs out on purpose here: while a test
// asks for it, every allocation of 1 MiB or more fails.
#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>

#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/reports/report_file.h"
#include "analysis/core/runner/analysis_runner.h"
#include "analysis/forms/progress_window.h"
#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "workspace/core/formats/image_writers.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/core/roi/roi_files.h"
#include "workspace/forms/open_dispatch.h"
#include "workspace/forms/raw_options_dialog.h"
#include "workspace/forms/roi_commands.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {
std::atomic<bool> failLargeAllocations{false};
constexpr std::size_t kLarge = std::size_t{1} << 20;
}  // namespace

void* operator new(std::size_t size) {
    if (failLargeAllocations && size >= kLarge) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
// Every unaligned form, so that nothing allocated by a sanitizer's operator
// new is freed here.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace {

class LargeAllocationsFail {
  public:
    LargeAllocationsFail() { failLargeAllocations = true; }
    ~LargeAllocationsFail() { failLargeAllocations = false; }
};

class OutOfMemoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        analysisSettings().reset();
        createVantuWindows();
    }
    void TearDown() override {
        destroyVantuWindows();
        resetReportDocuments();
        resetFeatureMaps();
        analysisSettings().reset();
    }

    platform::testing::ScopedRegistryStore store;
    platform::testing::TempDir dir;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
};

TEST_F(OutOfMemoryTest, ALoadThatRunsOutOfMemorySaysSoAndKeepsTheImageShown) {
    PlanePtr small = newPlane(8, 8);
    const std::string first = dir.write("small.bmp", encodeGreyBitmap(*small, 8));
    ASSERT_EQ(LoadImageFile(_vantu, kFormatBitmap, first), 0);

    _RawOptions->values.RawX = 1024;
    _RawOptions->values.RawY = 1024;
    const std::string big = dir.write("big.raw", std::string(1024 * 1024, '\x40'));
    dialogs.messages.clear();
    {
        LargeAllocationsFail fail;
        EXPECT_EQ(OpenFileByExtension(_vantu, big), 0);
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text, "Not enough memory to load " + big + " (1024 x 1024).");
    EXPECT_EQ(_vantu->state.ImageFileName, first);
    ASSERT_TRUE(_vantu->state.GreyImage);
    EXPECT_EQ(_vantu->state.GreyImage->width, 8);

    // With the memory back the same file loads.
    dialogs.messages.clear();
    EXPECT_EQ(LoadImageFile(_vantu, kFormatRaw, big), 0);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(_vantu->state.GreyImage->width, 1024);

    // A ROI file for the large image: the ROI map stays as it was.
    const uint16_t before = _vantu->state.RoiMap->at(5, 5);
    std::string roi;
    ASSERT_EQ(encodeRoiFile(*_vantu->state.RoiMap, _vantu->state.RoiNames, roi), RoiFileStatus::Ok);
    const std::string roiPath = dir.write("big.roi", roi);
    dialogs.messages.clear();
    {
        LargeAllocationsFail fail;
        EXPECT_NE(LoadRoiFile(_vantu, roiPath, kLoadRoiTypeRoiFile), 0);
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Not enough memory to load " + roiPath + " (1024 x 1024).");
    EXPECT_EQ(_vantu->state.RoiMap->at(5, 5), before);
}

// About 1 KB of run-length encoded bitmap that declares width x height.
std::string rleBomb(int32_t width, int32_t height) {
    std::string pixels;
    for (int i = 0; i < 500; ++i) pixels += std::string("\xFF\x01", 2);
    pixels += std::string("\x00\x01", 2);
    auto u32 = [](uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    };
    auto u16 = [](uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8)};
    };
    const uint32_t offset = 14 + 40 + 8;
    std::string file =
        "BM" + u32(offset + static_cast<uint32_t>(pixels.size())) + u32(0) + u32(offset);
    file += u32(40) + u32(static_cast<uint32_t>(width)) + u32(static_cast<uint32_t>(height)) +
            u16(1) + u16(8) + u32(1) + u32(static_cast<uint32_t>(pixels.size())) + u32(2835) +
            u32(2835) + u32(2) + u32(0);
    file += u32(0) + u32(0x00FFFFFF);
    return file + pixels;
}

TEST_F(OutOfMemoryTest, ADecompressionBombIsRefusedAtOnceNamingItsSize) {
    PlanePtr small = newPlane(8, 8);
    const std::string first = dir.write("small.bmp", encodeGreyBitmap(*small, 8));
    ASSERT_EQ(LoadImageFile(_vantu, kFormatBitmap, first), 0);
    const std::string bomb = dir.write("bomb.bmp", rleBomb(32768, 32768));
    ASSERT_LT(bomb.size(), 2000u);
    dialogs.messages.clear();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(OpenFileByExtension(_vantu, bomb), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Cannot load " + bomb +
                  ": the image is 32768 x 32768 pixels, more than the 16384 x 16384 Vantu holds.");
    EXPECT_EQ(_vantu->state.ImageFileName, first);
    EXPECT_EQ(_vantu->state.GreyImage->width, 8);
}

TEST_F(OutOfMemoryTest, AReportTooLargeForTheMemoryIsRefusedWithAMessage) {
    std::string text = "h\r\n" + std::string(kParClassNamesSeparator) + "\r\n\r\n" +
                       std::string(kParFeaturesSeparator) + "\r\n";
    for (int i = 0; i < 20000; ++i) text += "F" + std::to_string(i) + "\t1\t2\r\n";
    const std::string path = dir.write("many.par", text);
    ParReadResult result;
    {
        LargeAllocationsFail fail;
        result = LoadReportPar(path);
    }
    EXPECT_EQ(result.status, ParFileStatus::NoMemory);
    EXPECT_EQ(result.message, "Not enough memory to load " + path + ".");
    EXPECT_EQ(reportDocumentCount(), 0);
}

bool runsOutOfMemory(const ProgressSink&) {
    throw std::bad_alloc();
}
void nothingToFinish(bool) {}

TEST_F(OutOfMemoryTest, AnAnalysisThatRunsOutOfMemoryEndsWithAMessage) {
    registerProgressJob(kMode2D, [] {
        return std::optional<ProgressJob>(ProgressJob{&runsOutOfMemory, &nothingToFinish});
    });
    _vantu->state.GreyImage = newPlane(8, 8);
    _vantu->state.RoiMap = newPlane(8, 8);  // the whole image in ROI 1
    std::fill_n(_vantu->state.RoiMap->current, 64, uint16_t{1});
    _vantu->Run1Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text, "Not enough memory for the analysis.");
    EXPECT_FALSE(_Progress->isVisible());
    EXPECT_EQ(reportDocumentCount(), 0);
}

}  // namespace
