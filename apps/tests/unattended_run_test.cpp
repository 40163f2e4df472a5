// The programs started as a batch script starts them: without a display
// (Qt's offscreen platform), nobody answers a box, so every box goes to
// standard error with its default answer and the process must end by itself.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <string>

#include "platform/testing/temp_dir.h"
#include "workspace/core/formats/image_writers.h"
#include "workspace/core/image/image_plane.h"

namespace {

struct ProcessRun {
    bool finished = false;
    int exitCode = -1;
    bool crashed = false;
    std::string err;
};

ProcessRun runOffscreen(const std::string& program, const std::string& argument,
                        const std::string& folder) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VANTU_REGISTRY_FILE", QString::fromStdString(folder + "/registry.txt"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QString::fromStdString(folder));
    process.start(QString::fromStdString(program), {QString::fromStdString(argument)});
    ProcessRun run;
    if (!process.waitForStarted(10000)) return run;
    run.finished = process.waitForFinished(120000);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.crashed = process.exitStatus() == QProcess::CrashExit;
    run.exitCode = process.exitCode();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

std::string greyBitmap() {
    ImagePlane plane;
    PlaneCreate(&plane, 32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            plane.at(x, y) = static_cast<uint16_t>((x * 7 + y * 3 + (x ^ y)) & 0xFF);
    std::string bytes = encodeGreyBitmap(plane, 8);
    PlaneDestroy(&plane, 0);
    return bytes;
}

TEST(UnattendedVantu, AMacroWhoseLoadFailsEndsWithItsMessagesAndAFailureStatus) {
    platform::testing::TempDir dir;
    dir.write("scan.bmp", greyBitmap());
    dir.write("zero.bmp", "");
    // The analysis of the first image leaves a report nobody saved; the
    // second load fails, so the save after it never runs.
    dir.write("batch.txt",
              "LoadImage scan.bmp\nRunAnalysis\nLoadImage zero.bmp\n"
              "SaveReport out.par\nExit\n");
    ProcessRun run = runOffscreen(VANTU_PROGRAM, dir.file("batch.txt"), dir.path());
    ASSERT_TRUE(run.finished) << "still waiting for an answer:\n" << run.err;
    EXPECT_FALSE(run.crashed) << run.err;
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("Command \"LoadImage\" failed in line 3 (file \"zero.bmp\")"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Warning: Report or image not saved!\nClose anyway?"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Not saved: report \""), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.par")));
    // Settings are written on the way out, as after any exit.
    EXPECT_TRUE(std::filesystem::exists(dir.file("registry.txt")));
}

TEST(UnattendedVantu, AMacroThatRunsToItsExitEndsWithStatusZero) {
    platform::testing::TempDir dir;
    dir.write("scan.bmp", greyBitmap());
    // The second run's report is left unsaved: "Exit" names it, as a batch's end does.
    dir.write("batch.txt",
              "LoadImage scan.bmp\nRunAnalysis\nSaveReport out.par\nRunAnalysis\nExit\n");
    ProcessRun run = runOffscreen(VANTU_PROGRAM, dir.file("batch.txt"), dir.path());
    ASSERT_TRUE(run.finished) << run.err;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("out.par")));
    EXPECT_NE(run.err.find("Not saved: report \""), std::string::npos) << run.err;
}

TEST(UnattendedVantu, AMacroWithoutExitEndsAsExitWouldWhenItRunsOut) {
    platform::testing::TempDir dir;
    dir.write("scan.bmp", greyBitmap());
    // The first run's report is saved, the second's is not.
    dir.write("batch.txt", "LoadImage scan.bmp\nRunAnalysis\nSaveReport out.par\nRunAnalysis\n");
    ProcessRun run = runOffscreen(VANTU_PROGRAM, dir.file("batch.txt"), dir.path());
    ASSERT_TRUE(run.finished) << "still running after the macro's end:\n" << run.err;
    EXPECT_FALSE(run.crashed) << run.err;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("out.par")));
    EXPECT_NE(run.err.find("Not saved: report \""), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("registry.txt")));
}

TEST(UnattendedVantu, AnAnalysisWithoutRoiStopsTheMacroWithoutAReport) {
    platform::testing::TempDir dir;
    dir.write("scan.bmp", greyBitmap());
    dir.write("empty.bmp", greyBitmap());
    dir.write("none.bmp", greyBitmap());  // no pixel in a ROI colour: no ROI at all
    dir.write("batch.txt",
              "LoadImage scan.bmp\nRunAnalysis\nSaveReport first.par\nLoadImage empty.bmp\n"
              "LoadROI none.bmp\nRunAnalysis\nSaveReport second.par\n");
    ProcessRun run = runOffscreen(VANTU_PROGRAM, dir.file("batch.txt"), dir.path());
    ASSERT_TRUE(run.finished) << run.err;
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("first.par")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("second.par")));
    EXPECT_NE(run.err.find("Cannot start analysis. No ROI is drawn."), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Command \"RunAnalysis\" failed in line 6."), std::string::npos)
        << run.err;
}

TEST(UnattendedVantu, AMacroThatFailsItsCheckEndsToo) {
    platform::testing::TempDir dir;
    dir.write("batch.txt", "LoadImage missing.bmp\nExit\n");
    ProcessRun run = runOffscreen(VANTU_PROGRAM, dir.file("batch.txt"), dir.path());
    ASSERT_TRUE(run.finished) << run.err;
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("Error: Analysis ABORTED:\nFile \"missing.bmp\" is missing. Line 1"),
              std::string::npos)
        << run.err;
}

}  // namespace
