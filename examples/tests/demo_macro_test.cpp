// The bundled demo, end to end: the committed image and ROI file are what the
// generator writes, and the real vantu program, run offscreen on demo.txt,
// writes the report and the selection file that the analysis core gives for
// the same image, ROIs and options.
#include <gtest/gtest.h>
#include <locale.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/feature_selection.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/reports/report_file.h"
#include "analysis/core/reports/selection_file.h"
#include "analysis/core/runner/analysis_runner.h"
#include "analysis/core/runner/shape_wavelet_steps.h"
#include "analysis/core/texture/analysis_2d.h"
#include "analysis/core/texture/analysis_2d_buffers.h"
#include "examples/tests/demo_load.h"
#include "platform/files.h"
#include "platform/testing/temp_dir.h"
#include "platform/textformat.h"
#include "statistics/core/data/selection_file_reader.h"
#include "statistics/core/linear/raw_data_analysis.h"
#include "statistics/core/reports/report_header.h"

namespace {

namespace fs = std::filesystem;
using platform::testing::ScopedRegistryStore;
using platform::testing::TempDir;

const std::string kExamples = VANTU_EXAMPLES_DIR;

// Generous: the run takes about a second, far longer under the sanitizers.
constexpr auto kProgramTimeout = std::chrono::seconds(180);

std::string readFile(const std::string& path) {
    return platform::readWholeFile(path, size_t{64} << 20).value_or(std::string());
}

struct ProgramRun {
    bool finished = false;  // false: killed after kProgramTimeout
    int exitCode = -1;      // -1 when it did not exit normally
};

// Runs program with one argument in folder, its output into logPath; the
// environment is ours plus QT_QPA_PLATFORM=offscreen, and LC_ALL=locale when
// a locale is given.
ProgramRun runProgram(const std::string& program, const std::string& argument,
                      const std::string& folder, const std::string& logPath,
                      const char* locale = nullptr) {
    const pid_t pid = ::fork();
    if (pid < 0) return {};
    if (pid == 0) {
        FILE* log = std::fopen(logPath.c_str(), "wb");
        if (log) {
            ::dup2(::fileno(log), STDOUT_FILENO);
            ::dup2(::fileno(log), STDERR_FILENO);
        }
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (locale) ::setenv("LC_ALL", locale, 1);
        if (::chdir(folder.c_str()) != 0) ::_exit(126);
        ::execl(program.c_str(), program.c_str(), argument.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + kProgramTimeout;
    ProgramRun run;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0) return run;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    run.finished = true;
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    return run;
}

// The document "RunAnalysis" makes from the loaded demo with the options of a
// fresh registry (the defaults), through the analysis core alone.
ReportDocument* analyseDemo(const WorkspaceState& state) {
    Analysis2DInput input;
    input.grey = state.GreyImage.get();
    input.roiMap = state.RoiMap.get();
    input.imageMax = state.ImageMax;
    input.imageMin = state.ImageMin;
    input.bitDepth = state.BitDepth;
    input.options = AnalysisOptions{};
    input.imageTitle = imageTitle(state.ImageFileName, state.FeaturePrefix);
    input.roiFileName = "demo.roi";
    std::vector<FeatureRecord> records;
    std::string header;
    const GrainOptions grains;
    runShapeStep(input, grains, records, ProgressSink{});
    Analysis2DBuffers buffers;
    EXPECT_TRUE(Analyse2D(input, records, header, ProgressSink{}, buffers));
    WaveletPyramid map;
    EXPECT_TRUE(runWaveletSteps(input, grains, records, header, map, ProgressSink{}));
    applyFeaturePrefix(records, state.FeaturePrefix);
    ReportDocument* document =
        NewReportDocument(static_cast<int>(records.size()), records.data(), header, "reference");
    if (document)
        for (size_t k = 0; k < kRoiCount; ++k) document->roiName[k] = state.RoiNames[k];
    return document;
}

std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

class DemoTest : public ::testing::Test {
  protected:
    void SetUp() override { resetReportDocuments(); }
    void TearDown() override { resetReportDocuments(); }
};

TEST_F(DemoTest, CommittedImageAndRoisAreWhatTheGeneratorWrites) {
    TempDir dir;
    ProgramRun run = runProgram(DEMO_GENERATOR, dir.path(), dir.path(), dir.file("log.txt"));
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << dir.read("log.txt");
    for (const char* name : {"demo.bmp", "demo.roi"})
        EXPECT_TRUE(readFile(dir.file(name)) == readFile(kExamples + "/" + name))
            << name << " differs from a fresh run of make_demo_image: regenerate it";
}

TEST_F(DemoTest, FourNamedRoisOverEachTexture) {
    WorkspaceState state = loadDemo(kExamples);
    ASSERT_TRUE(state.GreyImage && state.RoiMap);
    EXPECT_EQ(state.GreyImage->width, 256);
    EXPECT_EQ(state.GreyImage->height, 256);
    EXPECT_EQ(state.BitDepth, 8);
    // Four samples of each class: r62 and the ranking need at least two.
    const std::vector<std::string> names = {"coarse_stripes", "fine_stripes", "checkerboard",
                                            "noise"};
    for (size_t k = 0; k < kRoiCount; ++k)
        EXPECT_EQ(state.RoiNames[k], names[k / 4]) << "ROI " << k + 1;

    // Every ROI pixel lies in exactly one ROI, and ROIs 4q+1..4q+4 inside quarter q.
    std::vector<int> counts(kRoiCount, 0);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const uint16_t word = state.RoiMap->at(x, y);
            if (word == 0) continue;
            ASSERT_EQ(word & (word - 1), 0) << x << "," << y;
            int roi = 0;
            while ((word >> roi) != 1) ++roi;
            EXPECT_EQ(roi / 4, (y >= 128 ? 2 : 0) + (x >= 128 ? 1 : 0)) << x << "," << y;
            ++counts[static_cast<size_t>(roi)];
        }
    for (int c : counts) EXPECT_EQ(c, 1600);

    // All sixteen columns of the report are used.
    ReportDocument* document = analyseDemo(state);
    ASSERT_NE(document, nullptr);
    for (size_t k = 0; k < kRoiCount; ++k)
        EXPECT_EQ(document->roiState[k], kRoiUsed) << "ROI " << k + 1;
}

// The macro as a newcomer runs it, in a copy of the examples folder so that
// nothing is written into the source tree.
TEST_F(DemoTest, MacroRunsOffscreenAndWritesTheCoreAnalysis) {
    ScopedRegistryStore registry;
    TempDir dir;
    for (const char* name : {"demo.txt", "demo.bmp", "demo.roi"})
        fs::copy_file(kExamples + "/" + name, dir.file(name));
    fs::create_directory(dir.file("out"));

    ProgramRun run = runProgram(VANTU_PROGRAM, "demo.txt", dir.path(), dir.file("log.txt"));
    ASSERT_TRUE(run.finished) << "vantu did not exit within the time limit (a message box "
                                 "waiting?):\n"
                              << dir.read("log.txt");
    EXPECT_EQ(run.exitCode, 0) << dir.read("log.txt");

    ReportDocument* document = analyseDemo(loadDemo(dir.path()));
    ASSERT_NE(document, nullptr);

    // The report holds no date, time or folder: it must match byte for byte.
    const std::string par = readFile(dir.file("out/demo.par"));
    ASSERT_FALSE(par.empty()) << "no out/demo.par\n" << dir.read("log.txt");
    const std::string expectedPar = encodeParFile(*document);
    EXPECT_TRUE(par == expectedPar) << "out/demo.par differs from the core's report:\n"
                                    << par.substr(0, 600) << "\n--- expected ---\n"
                                    << expectedPar.substr(0, 600);
    EXPECT_NE(par.find("Clnm1\tcoarse_stripes\r\n"), std::string::npos);
    EXPECT_NE(par.find("Clnm5\tfine_stripes\r\n"), std::string::npos);
    EXPECT_NE(par.find("Clnm16\tnoise\r\n"), std::string::npos);

    // The selection file: the winners of MI+PA+F, all but its time line,
    // which says when it was written.
    const std::string sel = readFile(dir.file("out/demo.sel"));
    ASSERT_FALSE(sel.empty()) << "no out/demo.sel\n" << dir.read("log.txt");
    const MipafOutcome ranking = runMipaf(document);
    ASSERT_TRUE(ranking.ran);
    SelectionFile expectedSel =
        encodeSelection(document, ranking.ranking, SelectionOrder::Ranking, SelectionTime{});
    ASSERT_EQ(expectedSel.sampleCount, 16);
    EXPECT_LE(expectedSel.features.size(), 30u);
    EXPECT_GE(expectedSel.features.size(), 10u);
    std::vector<std::string> lines = crlfLines(sel);
    std::vector<std::string> expectedLines = crlfLines(expectedSel.text);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "*label");
    EXPECT_TRUE(lines[1].starts_with("converted data: 20")) << lines[1];
    lines[1] = expectedLines[1];
    EXPECT_EQ(lines, expectedLines);
    EXPECT_EQ(lines.back(), "*end");

    // r62 reads what the demo hands over and analyses it.
    auto data = std::make_unique<R62DataSet>();
    const SelLoadResult load = loadSelFile(dir.file("out/demo.sel"), *data);
    ASSERT_EQ(load.status, SelLoadStatus::Loaded) << load.messageBox;
    EXPECT_EQ(data->SampleCount, 16);
    EXPECT_EQ(data->CategoryCount, 4);
    EXPECT_EQ(data->FeatureCount, static_cast<int>(expectedSel.features.size()));
    const RawDataAnalysisReport report = runRawDataAnalysis(*data, 1, "now");
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    const std::vector<std::string> header = reportHeaderLines(*data, kRawDataReportTitle, 1, "now");
    ASSERT_GT(report.lines.size(), header.size() + 2);
    for (size_t i = 0; i < header.size(); ++i) EXPECT_EQ(report.lines[i], header[i]);
    EXPECT_EQ(report.lines[header.size()], "");
    EXPECT_EQ(report.lines[header.size() + 1], "* Results [raw-data analysis]");
    // Four well-separated textures: the nearest neighbour is always of the same class.
    EXPECT_EQ(report.misclassified, 0);
}

// Commands and file types are matched in any letter case whatever the
// user's locale: under a Turkish one, where "I" is not the capital of "i",
// the demo with lower-case commands and upper-case names (and "EXIT") writes
// what it writes in the C locale.
TEST_F(DemoTest, LetterCaseOfCommandsAndNamesDoesNotDependOnTheLocale) {
    constexpr const char* kTurkish = "tr_TR.UTF-8";
    if (locale_t turkish = ::newlocale(LC_ALL_MASK, kTurkish, static_cast<locale_t>(nullptr)))
        ::freelocale(turkish);
    else
        GTEST_SKIP() << "the Turkish locale is not installed";
    std::string macro;
    std::istringstream demo(readFile(kExamples + "/demo.txt"));
    for (std::string text; std::getline(demo, text);) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.empty() || text[0] == ';') continue;
        const size_t blank = text.find(' ');
        const std::string command = platform::lowerAscii(text.substr(0, blank));
        macro += command == "exit" ? "EXIT" : command;
        if (blank != std::string::npos) macro += platform::upperAscii(text.substr(blank));
        macro += "\r\n";
    }
    ASSERT_NE(macro.find("loadimage DEMO.BMP\r\nloadroi DEMO.ROI\r\n"), std::string::npos) << macro;
    ASSERT_NE(macro.find("featureselection MIPAF\r\n"), std::string::npos) << macro;

    std::string outputs[2];
    int run = 0;
    for (const char* locale : {"C", kTurkish}) {
        ScopedRegistryStore registry;
        TempDir dir;
        fs::copy_file(kExamples + "/demo.bmp", dir.file("DEMO.BMP"));
        fs::copy_file(kExamples + "/demo.roi", dir.file("DEMO.ROI"));
        fs::create_directory(dir.file("OUT"));
        dir.write("DEMO.TXT", macro);
        const ProgramRun ran =
            runProgram(VANTU_PROGRAM, "DEMO.TXT", dir.path(), dir.file("log.txt"), locale);
        ASSERT_TRUE(ran.finished) << locale << ":\n" << dir.read("log.txt");
        EXPECT_EQ(ran.exitCode, 0) << locale << ":\n" << dir.read("log.txt");
        // The selection file's second line says when it was written.
        std::vector<std::string> sel = crlfLines(readFile(dir.file("OUT/DEMO.SEL")));
        ASSERT_GE(sel.size(), 3u) << locale << ":\n" << dir.read("log.txt");
        sel.erase(sel.begin() + 1);
        std::string& out = outputs[run++];
        out = readFile(dir.file("OUT/DEMO.PAR"));
        ASSERT_FALSE(out.empty()) << locale << ":\n" << dir.read("log.txt");
        for (const std::string& line : sel) out += line + "\n";
    }
    EXPECT_TRUE(outputs[0] == outputs[1]) << "the report or the selection differs";
}

}  // namespace
