// "Save selected..." and "R62 analysis" on the real report window, offscreen,
// with the dialog seam answering and the desktop services replaced.
#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/reports/selection_file.h"
#include "analysis/forms/report_window.h"
#include "platform/dialogs.h"
#include "platform/shell.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

using platform::MessageIcon;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// A document whose first `used` columns hold pixels, one record per feature
// name in registry order; value k + position / 10 in column k.
ReportDocument* addDocument(const std::vector<std::string>& features, int used = 2) {
    std::vector<FeatureRecord> records(1);
    setRecordName(records[0], "_Area");
    for (int k = 0; k < used; ++k) records[0].values[static_cast<size_t>(k)] = 50.0;
    double position = 1;
    for (const std::string& feature : features) {
        FeatureRecord record;
        setRecordName(record, feature);
        for (int k = 0; k < used; ++k)
            record.values[static_cast<size_t>(k)] = (k + 1) + position / 10;
        records.push_back(record);
        ++position;
    }
    return NewReportDocument(static_cast<int>(records.size()), records.data(), "Run\r\n", "run");
}

// A document r62 takes: its used columns are samples of one class.
ReportDocument* handOverDocument(const std::vector<std::string>& features, int used = 2) {
    ReportDocument* document = addDocument(features, used);
    document->roiName.fill("tissue");
    return document;
}

std::vector<std::string> featuresOf(const std::string& text) {
    std::vector<std::string> names;
    const size_t begin = text.find("*features\r\n");
    const size_t end = text.find("*categories");
    if (begin == std::string::npos || end == std::string::npos) return names;
    size_t at = begin + 11;
    while (at < end) {
        const size_t lineEnd = text.find("\r\n", at);
        const std::string line = text.substr(at, lineEnd - at);
        names.push_back(line.substr(line.find("  ") + 2));
        at = lineEnd + 2;
    }
    return names;
}

class ReportWindowSelectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        analysisSettings().reset();
        createVantuWindows();
        std::filesystem::create_directory(temp.file("with blank"));
        TReport::DesktopServices& desktop = _Report->desktop;
        desktop.keyboardModifiers = [this] { return keys; };
        desktop.temporaryFolder = [this] { return temporaryFolder; };
        desktop.programFolder = [this] { return programs.path() + "/"; };
        desktop.startProgram = [this](const std::string& program, const std::string& argument) {
            started.push_back({program, argument});
            return startResult;
        };
        desktop.openWithAssociatedProgram = [this](const std::string& path) {
            opened.push_back(path);
            return openResult;
        };
    }
    void TearDown() override {
        destroyVantuWindows();
        resetReportDocuments();
        resetFeatureMaps();
        analysisSettings().reset();
    }

    void saveSelected(const std::string& path) {
        dialogs.fileAnswers.push_back({true, path, 1});
        _Report->action("Save selecte&d...")->trigger();
    }
    void handOver() { _Report->action("&R62 analysis")->trigger(); }
    std::string handOverPath() const { return temporaryFolder + "temp.sel"; }
    // A hand-over r62 would refuse: nothing starts, the old file stays and
    // one warning says why.
    void expectRefused(const std::string& reason) {
        EXPECT_TRUE(started.empty());
        EXPECT_TRUE(opened.empty());
        EXPECT_EQ(temp.read("with blank/temp.sel"), "old");
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].caption, "Warning");
        EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Warning);
        EXPECT_NE(dialogs.messages[0].text.find(reason), std::string::npos)
            << dialogs.messages[0].text;
    }
    std::string program() const { return programs.path() + "/r62"; }

    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
    platform::testing::TempDir dir;
    platform::testing::TempDir temp;
    platform::testing::TempDir programs;
    std::string temporaryFolder = temp.file("with blank") + "/";
    Qt::KeyboardModifiers keys;
    struct Start {
        std::string program;
        std::string argument;
    };
    std::vector<Start> started;
    std::vector<std::string> opened;
    bool startResult = true;
    bool openResult = true;
};

TEST_F(ReportWindowSelectionTest, BothCommandsAreEnabled) {
    EXPECT_TRUE(_Report->action("Save selecte&d...")->isEnabled());
    EXPECT_TRUE(_Report->action("&R62 analysis")->isEnabled());
}

TEST_F(ReportWindowSelectionTest, TheDefaultDesktopServicesAreAllThere) {
    const TReport::DesktopServices services = TReport::defaultDesktopServices();
    ASSERT_TRUE(services.keyboardModifiers && services.temporaryFolder && services.programFolder &&
                services.startProgram && services.openWithAssociatedProgram);
    EXPECT_EQ(services.keyboardModifiers(), QGuiApplication::keyboardModifiers());
    EXPECT_EQ(services.temporaryFolder(), platform::temporaryFolder());
    EXPECT_EQ(services.programFolder(), platform::programFolder());
}

// --- Save selected ---------------------------------------------------------------

TEST_F(ReportWindowSelectionTest, SaveSelectedWithoutADocumentDoesNothing) {
    _Report->action("Save selecte&d...")->trigger();
    EXPECT_TRUE(dialogs.fileDialogs.empty());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ReportWindowSelectionTest, SaveSelectedProposesTheTimeAndLabelsTheFileWithIt) {
    addDocument({"Mean", "Variance"});
    _Report->ReportRefreshTabs();
    saveSelected(dir.file("chosen.sel"));

    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    const platform::FileDialogRequest& request = dialogs.fileDialogs[0];
    EXPECT_EQ(request.kind, platform::FileDialogKind::Save);
    EXPECT_EQ(request.title, "Save Selection");
    EXPECT_EQ(request.filter, "Selection text file (*.sel)|*.sel");
    EXPECT_EQ(request.defaultExtension, ".sel");
    EXPECT_TRUE(request.overwritePrompt);
    std::smatch parts;
    const std::regex name(R"((\d{4}-\d{1,2}-\d{1,2} \d\d)_(\d\d)_(\d\d)\.sel)");
    ASSERT_TRUE(std::regex_match(request.fileName, parts, name)) << request.fileName;

    EXPECT_EQ(dir.read("chosen.sel"),
              "*label\r\n"
              "converted data: " +
                  parts.str(1) + ":" + parts.str(2) + "." + parts.str(3) +
                  "\r\n"
                  "*features\r\n1  Variance\r\n2  Mean\r\n"
                  "*categories\r\n1  1\r\n2  2\r\n"
                  "*data\r\n1  1.2  1.1\r\n2  2.2  2.1\r\n*end");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ReportWindowSelectionTest, ACancelledDialogWritesNothing) {
    addDocument({"Mean"});
    _Report->ReportRefreshTabs();
    _Report->action("Save selecte&d...")->trigger();
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ReportWindowSelectionTest, WithoutModifierKeysTheRankingLeads) {
    addDocument({"a", "b", "c", "d"});
    _Report->ReportRefreshTabs();
    _Report->rankingList = {"c", "a"};
    saveSelected(dir.file("x.sel"));
    EXPECT_EQ(featuresOf(dir.read("x.sel")), (std::vector<std::string>{"c", "a", "b", "d"}));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ReportWindowSelectionTest, ShiftSavesInReverseListOrder) {
    addDocument({"b", "a", "c"});
    _Report->ReportRefreshTabs();
    _Report->rankingList = {"a"};
    keys = Qt::ShiftModifier;
    saveSelected(dir.file("x.sel"));
    EXPECT_EQ(featuresOf(dir.read("x.sel")), (std::vector<std::string>{"c", "a", "b"}));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Save selected");
    EXPECT_EQ(dialogs.messages[0].text, "Saving features in reverse list order");
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::Ok);

    // Shift wins over Ctrl.
    keys = Qt::ShiftModifier | Qt::ControlModifier;
    saveSelected(dir.file("y.sel"));
    EXPECT_EQ(featuresOf(dir.read("y.sel")), (std::vector<std::string>{"c", "a", "b"}));
}

TEST_F(ReportWindowSelectionTest, CtrlSavesInAlphabeticalOrder) {
    addDocument({"b", "C", "a"});
    _Report->ReportRefreshTabs();
    keys = Qt::ControlModifier;
    saveSelected(dir.file("x.sel"));
    EXPECT_EQ(featuresOf(dir.read("x.sel")), (std::vector<std::string>{"a", "b", "C"}));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Save selected");
    EXPECT_EQ(dialogs.messages[0].text, "Saving features in alphabetical order");
}

TEST_F(ReportWindowSelectionTest, LeftOutSamplesAreNamedInAWarning) {
    ReportDocument* document = addDocument({"a", "b"}, 3);
    document->records[1].values[1] = kInf;
    _Report->ReportRefreshTabs();
    saveSelected(dir.file("x.sel"));
    EXPECT_EQ(dir.read("x.sel").find("inf"), std::string::npos);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Warning");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Warning);
    EXPECT_NE(dialogs.messages[0].text.find("1 sample was left out"), std::string::npos)
        << dialogs.messages[0].text;
}

TEST_F(ReportWindowSelectionTest, AFileThatCannotBeWrittenIsReported) {
    addDocument({"a"});
    _Report->ReportRefreshTabs();
    const std::string path = dir.file("no/such/folder/x.sel");
    saveSelected(path);
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(dialogs.messages[0].text, selectionWriteError(path));
}

// --- R62 analysis ----------------------------------------------------------------

TEST_F(ReportWindowSelectionTest, HandOverStartsR62BesideVantuWithTheFileAsOneArgument) {
    // The report was saved in the study's folder: r62 is told where that is.
    handOverDocument({"a", "b", "c"})->path = dir.file("study.rep");
    _Report->ReportRefreshTabs();
    _Report->rankingList = {"a"};
    // A stand-in r62 that records its arguments and the study's folder.
    const std::string script =
        programs.write("r62",
                       "#!/bin/sh\nprintf '%s|%s|%s' \"$#\" \"$1\" \"$VANTU_STUDY_FOLDER\" > "
                       "\"$(dirname \"$0\")/args.tmp\"\n"
                       "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args.txt\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    _Report->desktop.startProgram = platform::startProgram;

    handOver();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(programs.file("args.txt")) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(programs.read("args.txt"), "1|" + handOverPath() + "|" + dir.path());
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.fileDialogs.empty());

    const std::string text = temp.read("with blank/temp.sel");
    EXPECT_EQ(text.substr(0, 24), "*label\r\nconverted data: ");
    EXPECT_EQ(featuresOf(text), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(text.substr(text.size() - 6), "\r\n*end");
}

TEST_F(ReportWindowSelectionTest, HandOverOverwritesTheTemporaryFile) {
    handOverDocument({"a"});
    _Report->ReportRefreshTabs();
    temp.write("with blank/temp.sel", "old");
    handOver();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, program());
    EXPECT_EQ(started[0].argument, handOverPath());
    EXPECT_EQ(featuresOf(temp.read("with blank/temp.sel")), (std::vector<std::string>{"a"}));
}

TEST_F(ReportWindowSelectionTest, WhenR62CannotStartTheFileOpensWithItsProgram) {
    handOverDocument({"a"});
    _Report->ReportRefreshTabs();
    startResult = false;
    handOver();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(opened, (std::vector<std::string>{handOverPath()}));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ReportWindowSelectionTest, WhenNothingCanBeStartedTheUserIsTold) {
    handOverDocument({"a"});
    _Report->ReportRefreshTabs();
    startResult = false;
    openResult = false;
    handOver();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text, r62StartError({program(), handOverPath()}));
}

TEST_F(ReportWindowSelectionTest, AHandOverFileThatCannotBeWrittenStartsNothing) {
    handOverDocument({"a"});
    _Report->ReportRefreshTabs();
    temporaryFolder = temp.file("missing") + "/";
    handOver();
    EXPECT_TRUE(started.empty());
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(dialogs.messages[0].text, selectionWriteError(handOverPath()));
}

TEST_F(ReportWindowSelectionTest, WithoutADocumentR62StartsWithoutData) {
    handOver();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, program());
    EXPECT_EQ(started[0].argument, "");
    EXPECT_FALSE(std::filesystem::exists(handOverPath()));
    EXPECT_TRUE(dialogs.messages.empty());

    // Nothing to open when r62 cannot start.
    startResult = false;
    handOver();
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Cannot start \"" + program() + "\".");
}

TEST_F(ReportWindowSelectionTest, MoreFeaturesThanR62ReadsAreRefusedBeforeAnythingStarts) {
    std::vector<std::string> names;
    for (int k = 1; k <= 31; ++k) names.push_back("f" + std::to_string(k));
    handOverDocument(names);
    _Report->ReportRefreshTabs();
    _Report->action("Select &all")->trigger();
    temp.write("with blank/temp.sel", "old");
    handOver();
    expectRefused("31 features are checked, r62 reads at most 30.");

    // 30 go over as before.
    dialogs.messages.clear();
    selectFeatureName("f7", false);
    handOver();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(featuresOf(temp.read("with blank/temp.sel")).size(), 30u);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ReportWindowSelectionTest, HandOverWarnsOfLeftOutSamplesBeforeStarting) {
    ReportDocument* document = handOverDocument({"a"}, 4);
    document->records[1].values[0] = kInf;
    document->records[1].values[2] = kInf;
    _Report->ReportRefreshTabs();
    handOver();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Warning");
    EXPECT_NE(dialogs.messages[0].text.find("2 samples were left out"), std::string::npos)
        << dialogs.messages[0].text;
    EXPECT_EQ(started.size(), 1u);
}

TEST_F(ReportWindowSelectionTest, AClassWithOneSampleIsRefusedBeforeAnythingStarts) {
    handOverDocument({"a"}, 3);
    ReportDocument* lesion = handOverDocument({"a"}, 1);
    lesion->roiName[0] = "Lesion";
    _Report->ReportRefreshTabs();
    temp.write("with blank/temp.sel", "old");
    handOver();
    expectRefused("The class \"Lesion\" has 1 sample, r62 needs at least 2 of each class.");

    // A second sample of the class: it goes over, and r62 reads it.
    dialogs.messages.clear();
    handOverDocument({"a"}, 1)->roiName[0] = "lesion";
    handOver();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
