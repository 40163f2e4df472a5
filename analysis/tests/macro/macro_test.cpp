// The macro language against a recording host: the check pass with its
// messages, loops and folder changes, the execution pass with the calls it
// makes, and the runner's boxes.
#include "analysis/core/macro/macro.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"

namespace fs = std::filesystem;
using platform::MessageResult;

namespace {

// Records every call as one text; a ".txt" image runs as a macro, as the
// program's dispatcher does.
class RecordingHost : public MacroHost {
  public:
    std::vector<std::string> calls;
    bool exiting = false;
    // Saves really write their file, so later lines and loops can see it.
    bool writeOutputs = false;
    bool analysisRuns = true;  // whether RunAnalysis makes a report
    // Files whose load or save fails.
    std::set<std::string> failing;
    bool ok(const std::string& path) const { return failing.count(path) == 0; }

    bool loadImage(const std::string& path) override {
        calls.push_back("loadImage " + path);
        if (path.size() > 4 && path.substr(path.size() - 4) == ".txt") {
            // As the program's dispatcher.
            return macroRanThrough(RunMacroFile(*this, path));
        }
        return ok(path);
    }
    void reloadImage() override { calls.push_back("reloadImage"); }
    bool loadRoi(const std::string& path, int type) override {
        calls.push_back("loadRoi " + path + " " + std::to_string(type));
        return ok(path);
    }
    void renameRoi(int roi, const std::string& name) override {
        calls.push_back("renameRoi " + std::to_string(roi) + " [" + name + "]");
    }
    bool runAnalysis() override {
        calls.push_back("runAnalysis");
        return analysisRuns;
    }
    void grainAnalysis() override { calls.push_back("grainAnalysis"); }
    bool saveReport(const std::string& path) override {
        calls.push_back("saveReport " + path);
        if (writeOutputs) std::ofstream(path) << "report";
        return ok(path);
    }
    bool saveSelected(const std::string& path) override {
        calls.push_back("saveSelected " + path);
        return ok(path);
    }
    bool loadReport(const std::string& path) override {
        calls.push_back("loadReport " + path);
        return ok(path);
    }
    void closeReport() override { calls.push_back("closeReport"); }
    void execute(const std::string& commandLine) override {
        calls.push_back("execute " + commandLine);
    }
    void exit() override {
        calls.push_back("exit");
        exiting = true;
    }
    bool exitRequested() const override { return exiting; }
    void aggregateReports() override { calls.push_back("aggregateReports"); }
    void colourChannel(uint32_t mode) override {
        calls.push_back("colourChannel " + std::to_string(mode));
    }
    void forcePrefix(const std::string& prefix) override {
        calls.push_back("forcePrefix " + prefix);
    }
    void featureSelection(MacroFeatureSelection method) override {
        calls.push_back("featureSelection " + std::to_string(static_cast<int>(method)));
    }
    bool saveImage(const std::string& path, int type) override {
        calls.push_back("saveImage " + path + " " + std::to_string(type));
        return ok(path);
    }
    bool saveMap(const std::string& path, int kind) override {
        calls.push_back("saveMap " + path + " " + std::to_string(kind));
        return ok(path);
    }
    void closeMap() override { calls.push_back("closeMap"); }
    bool loadOptions(const std::string& path) override {
        calls.push_back("loadOptions " + path);
        return ok(fs::path(path).filename().string());
    }
    void beep() override { calls.push_back("beep"); }
};

using Calls = std::vector<std::string>;

// Each test runs in a fresh folder that is its current folder, with the
// dialog seam answering.
class MacroTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = fs::current_path();
        fs::current_path(dir.path());
    }
    void TearDown() override { fs::current_path(saved); }

    std::string write(const std::string& name, const std::string& text) {
        return dir.write(name, text);
    }
    bool exists(const std::string& name) const { return fs::exists(dir.file(name)); }

    MacroCheckResult check(const std::string& text) {
        write("check.txt", text);
        MacroFileSource source;
        EXPECT_TRUE(source.open("check.txt"));
        return MacroCheck(source);
    }
    // The whole runner on a macro file named name.
    MacroRunStatus run(const std::string& text, const std::string& name = "macro.txt") {
        write(name, text);
        return RunMacroFile(host, name);
    }
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : dialogs.messages) texts.push_back(m.text);
        return texts;
    }

    platform::testing::TempDir dir;
    fs::path saved;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
    RecordingHost host;
};

std::string errorText(std::initializer_list<const char*> lines) {
    std::string text(kMacroErrorHeader);
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return text;
}

// --- Lines and substitution ------------------------------------------------------

TEST(MacroSyntax, CommandsArgumentsAndComments) {
    MacroLine line = splitMacroLine(" \tLoadImage  my scan.bmp  \tignored\r\n");
    EXPECT_EQ(line.kind, MacroLine::Kind::Command);
    EXPECT_EQ(line.command, "LoadImage");
    EXPECT_EQ(macroArgument(line.rest), "my scan.bmp");
    EXPECT_EQ(splitMacroLine(" \t\r\n").kind, MacroLine::Kind::Empty);
    EXPECT_EQ(splitMacroLine("").kind, MacroLine::Kind::Empty);
    EXPECT_EQ(splitMacroLine("//LoadImage x").kind, MacroLine::Kind::Comment);
    EXPECT_EQ(splitMacroLine("  ;note").kind, MacroLine::Kind::Comment);
    EXPECT_EQ(macroArgument(splitMacroLine("Exit\r\n").rest), "");
    EXPECT_EQ(macroTokens(" $v a\tb  c\r\nd"), (std::vector<std::string>{"$v", "a", "b", "c"}));
    MacroIndexAndText index = macroIndexArgument("  12 \t healthy\ttissue  \r\n");
    EXPECT_EQ(index.index, "12");
    EXPECT_EQ(index.text, "healthy\ttissue");
    EXPECT_EQ(macroIndexArgument(" \r\n").index, "");
}

TEST(MacroSyntax, SubstitutionFollowsDefinitionOrderAndNeverExpandsAValueAgain) {
    std::vector<MacroVariable> vars = {{"$a", "1"}, {"$ab", "2"}, {"%f", "scan.bmp"}};
    EXPECT_EQ(substituteVariables("x$ab $a %f %g 50% $", vars), "x1b 1 scan.bmp %g 50% $");
    EXPECT_EQ(substituteVariables("rep_$v.par", {}), "rep_$v.par");
    // A value that holds a variable's name (its own or another's) stays as it is.
    std::vector<MacroVariable> self = {{"$v", "x$v"}, {"$w", "$v"}};
    EXPECT_EQ(substituteVariables("$v|$w", self), "x$v|$v");
    // Growth stops at the line limit.
    std::vector<MacroVariable> big = {{"$v", std::string(500, 'x')}};
    std::string line;
    for (int i = 0; i < 10; ++i) line += "$v";
    EXPECT_EQ(substituteVariables(line, big), std::string(kMacroLineLength, 'x'));
}

TEST(MacroSyntax, WildcardsIgnoreLetterCase) {
    EXPECT_TRUE(matchMacroWildcard("*.bmp", "A.BMP"));
    EXPECT_TRUE(matchMacroWildcard("s??n*.b*", "scan01.bmp"));
    EXPECT_FALSE(matchMacroWildcard("s?n*", "scan"));
    EXPECT_TRUE(matchMacroWildcard("*.*", "README"));
    EXPECT_TRUE(matchMacroWildcard("*a*a*a*", "banana_a"));
    EXPECT_FALSE(matchMacroWildcard("*.bmp", "a.bmp.txt"));
}

TEST_F(MacroTest, LongLinesAreReadInPiecesAndANulEndsTheLineText) {
    using namespace std::string_literals;
    write("long.txt", std::string(3000, 'a') + "\nab\0cd\nlast"s);
    MacroFileSource source;
    ASSERT_TRUE(source.open("long.txt"));
    std::string line;
    ASSERT_TRUE(source.readLine(line));
    EXPECT_EQ(line, std::string(kMacroLineLength, 'a'));
    ASSERT_TRUE(source.readLine(line));
    EXPECT_EQ(line, std::string(3000 - kMacroLineLength, 'a') + "\n");
    ASSERT_TRUE(source.readLine(line));
    EXPECT_EQ(line, "ab");
    ASSERT_TRUE(source.readLine(line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(source.readLine(line));
    EXPECT_FALSE(MacroFileSource().open(dir.path()));
    EXPECT_FALSE(MacroFileSource().open("missing.txt"));
}

// --- Check pass ------------------------------------------------------------------

TEST_F(MacroTest, EveryCheckMessage) {
    write("scan.bmp", "BM");
    write("a.txt", "");
    struct Case {
        std::string macro;
        std::string message;
    };
    const std::string tooLongName = "$" + std::string(255, 'n');
    const std::vector<Case> cases = {
        {"ChDir no_such_folder", "Invalid directory name in line 1"},
        {"LoadImage", "Argument <filename> is missing in line 1"},
        {"LoadImage missing.bmp", "File \"missing.bmp\" is missing. Line 1"},
        {"LoadReport missing.par", "File \"missing.par\" is missing. Line 1"},
        {"LoadOptions missing.ini", "File \"missing.ini\" is missing. Line 1"},
        {"LoadROI a.txt", "File \"a.txt\" of unsupported type. Line 1"},
        {"LoadROI missing.roi", "File \"missing.roi\" is missing. Line 1"},
        {"RenameRoi", "Class index missing in line 1"},
        {"RenameRoi 17 tumour", "Class index must be from 1 to 16 in line 1"},
        {"RenameRoi 0", "Class index must be from 1 to 16 in line 1"},
        {"RenameRoi x tumour", "Class index must be from 1 to 16 in line 1"},
        {"SaveReport", "Argument <filename> is missing in line 1"},
        {"SaveReport no_such_folder/r.par", "Cannot create file \"no_such_folder/r.par\". Line 1"},
        {"SaveSelected .", "Cannot create file \".\". Line 1"},
        {"SaveImage scan.png", "File \"scan.png\" of unsupported type. Line 1"},
        {"SaveImage no_such_folder/a.dcm", "Cannot create file \"no_such_folder/a.dcm\". Line 1"},
        {"SaveMap map.txt", "File \"map.txt\" of unsupported type. Line 1"},
        {"ColorChannel", "Argument <no.> is missing in line 1"},
        {"ColorChannel Q", "Incorrect argument in line 1. Enter: Y, R, G, B, U, V, H or S"},
        {"ForcePrefix", "Argument <no.> is missing in line 1"},
        {"ForcePrefix abcd", "Incorrect argument in line 1. Prefix might be to long."},
        {"FeatureSelection", "Argument <method> is missing in line 1"},
        {"FeatureSelection Best",
         "Incorrect argument <method> in line 1. Enter: Fisher, Poeacc, Mutual ..."},
        {"Frobnicate now", "Unknown command \"Frobnicate\" in line 1"},
        {"For\nEnd", "Variable name is missing in line 1"},
        {"For v a b\nEnd", "Variable name is missing in line 1"},
        {"For " + tooLongName + " a\nEnd", "Incorrect variable name in line 1"},
        {"For $v " + std::string(kMaxMacroNameAndValue - 1, 'x') + "\nEnd",
         "Incorrect constant in line 1"},
        {"For %f *.nothing\nEnd", "Incorrect wildcard or no such file 1"},
        {"For %f\nEnd", "Incorrect wildcard or no such file 1"},
        {"For $v\nLoadImage missing.bmp\nEnd", "Empty For-End loop in line 1"},
        {"For $v a\nReloadImage", "For-End loop problem in line 1"},
    };
    for (const Case& c : cases) {
        MacroCheckResult result = check(c.macro);
        EXPECT_EQ(result.errors, 1) << c.macro;
        EXPECT_EQ(result.text, errorText({c.message.c_str()})) << c.macro;
    }
    // A name and value of exactly 508 characters still fit.
    EXPECT_EQ(check("For $v " + std::string(kMaxMacroNameAndValue - 2, 'x') + "\nEnd").errors, 0);
}

TEST_F(MacroTest, ValidLinesPassTheCheck) {
    write("scan.bmp", "BM");
    write("rois.ROI", "");
    write("opts.ini", "");
    write("old.par", "");
    MacroCheckResult result = check(
        "LoadImage scan.bmp\nReloadImage\nLoadROI rois.ROI\nRenameRoi 16 a b\nRunAnalysis\n"
        "GrainAnalysis\nSaveReport new.par\nSaveSelected old.par\nLoadReport old.par\n"
        "CloseReport\nExecute true\nAggregateReports\nColorChannel s\nForcePrefix ab\n"
        "FeatureSelection mipaf\nSaveImage x.DICOM\nSaveMap m.bmf\nCloseMap\n"
        "LoadOptions opts.ini\nChDir\nExit\n");
    EXPECT_EQ(result.errors, 0) << result.text;
    EXPECT_EQ(result.text, kMacroErrorHeader);
    EXPECT_EQ(result.existingFiles, 1);
    // The probes are gone again.
    EXPECT_FALSE(exists("new.par"));
    EXPECT_FALSE(exists("x.DICOM"));
    EXPECT_FALSE(exists("m.bmf"));
}

TEST_F(MacroTest, CommandsIgnoreLetterCaseAndCommentsAreSkippedInBothPasses) {
    write("scan.bmp", "BM");
    EXPECT_EQ(run("loadimage scan.bmp\nLOADIMAGE scan.bmp\nLoadImage scan.bmp\n"
                  "/ LoadImage missing.bmp\n;Bogus\n  //x\n\nrunANALYSIS\n"),
              MacroRunStatus::Executed);
    EXPECT_EQ(host.calls, (Calls{"loadImage scan.bmp", "loadImage scan.bmp", "loadImage scan.bmp",
                                 "runAnalysis"}));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MacroTest, AByteOrderMarkIsNoPartOfTheFirstCommand) {
    write("scan.bmp", "BM");
    EXPECT_EQ(run("\xEF\xBB\xBFLoadImage scan.bmp\r\nRunAnalysis\r\n"), MacroRunStatus::Executed);
    EXPECT_EQ(host.calls, (Calls{"loadImage scan.bmp", "runAnalysis"}));
    EXPECT_TRUE(dialogs.messages.empty());
}

// Old Mac files end lines with a lone CR; lines of every kind may mix, also
// in a loop that returns to its body.
TEST_F(MacroTest, ALoneCrEndsALineLikeLfAndCrLf) {
    write("scan.bmp", "BM");
    EXPECT_EQ(run("LoadImage scan.bmp\rFor $v a b\r\nSaveReport r$v.par\rEnd\nRunAnalysis\r"),
              MacroRunStatus::Executed);
    EXPECT_EQ(host.calls, (Calls{"loadImage scan.bmp", "saveReport ra.par", "saveReport rb.par",
                                 "runAnalysis"}));
    EXPECT_EQ(check("RunAnalysis\rBogus\r").text,
              errorText({"Unknown command \"Bogus\" in line 2"}));
}

TEST_F(MacroTest, NineFaultyLinesListTheFirstEightAndNothingRuns) {
    std::string macro = "RunAnalysis\n";
    for (int i = 1; i <= 9; ++i) macro += "Bogus" + std::to_string(i) + "\n";
    EXPECT_EQ(run(macro), MacroRunStatus::CheckFailed);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Warning);
    std::string expected(kMacroErrorHeader);
    for (int i = 1; i <= 8; ++i)
        expected += "Unknown command \"Bogus" + std::to_string(i) + "\" in line " +
                    std::to_string(i + 1) + "\r\n";
    EXPECT_EQ(dialogs.messages[0].text, expected);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(MacroTest, TestEndLetsTheLinesAfterItRunUnchecked) {
    EXPECT_EQ(run("RunAnalysis\nTestEnd\nLoadImage missing.bmp\nBogus\nColorChannel Q\n"
                  "RenameRoi 40 x\nTestEnd\nSaveImage x.png\nCloseMap\n"),
              MacroRunStatus::Executed);
    EXPECT_EQ(host.calls, (Calls{"runAnalysis", "loadImage missing.bmp", "beep", "closeMap"}));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MacroTest, ATopLevelEndEndsTheCheckAndTheMacro) {
    EXPECT_EQ(run("RunAnalysis\nEnd\nBogus\nRunAnalysis\n"), MacroRunStatus::Executed);
    EXPECT_EQ(host.calls, (Calls{"runAnalysis"}));
}

TEST_F(MacroTest, ALoopOverConstantsChecksEveryOutputNameBeforeAnythingRuns) {
    const std::string macro = "For $v a b\n  SaveReport rep_$v.par\nEnd\nRunAnalysis\n";
    // Neither file exists: no question, both written in order.
    host.writeOutputs = true;
    EXPECT_EQ(run(macro), MacroRunStatus::Executed);
    EXPECT_EQ(host.calls, (Calls{"saveReport rep_a.par", "saveReport rep_b.par", "runAnalysis"}));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(exists("rep_a.par") && exists("rep_b.par"));

    // Both exist now: both are counted, and Cancel runs nothing.
    EXPECT_EQ(check(macro).existingFiles, 2);
    host.calls.clear();
    dialogs.messageAnswers = {MessageResult::Cancel};
    EXPECT_EQ(run(macro), MacroRunStatus::Cancelled);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Warning");
    EXPECT_EQ(dialogs.messages[0].text,
              "There are files that already exist and will be overwritten.");
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::OkCancel);
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Warning);
    EXPECT_TRUE(host.calls.empty());

    dialogs.messageAnswers = {MessageResult::Ok};
    EXPECT_EQ(run(macro), MacroRunStatus::Executed);
    EXPECT_EQ(host.calls.size(), 3u);
}

TEST_F(MacroTest, TrailingBlanksOfAnOutputNameDoNotHideAnExistingFile) {
    write("out.par", "old");
    EXPECT_EQ(check("SaveReport out.par   \r\n").existingFiles, 1);
    EXPECT_FALSE(exists("out.par   "));
}

TEST_F(MacroTest, MessagesInsideLoopsCarryTheLinesOfTheFile) {
    MacroCheckResult result =
        check("For $v a b\r\n\r\nLoadImage $v.bmp\r\nEnd\r\nLoadImage c.bmp\r\n");
    EXPECT_EQ(result.text,
              errorText({"File \"a.bmp\" is missing. Line 3", "File \"b.bmp\" is missing. Line 3",
                         "File \"c.bmp\" is missing. Line 5"}));
}

TEST_F(MacroTest, NestedLoopsRunEveryCombinationInOrder) {
    EXPECT_EQ(run("For $a x y\nFor $b 1 2\nSaveReport $a$b.par\nEnd\nSaveSelected $a.sel\nEnd\n"
                  "SaveReport $a.par\n"),
              MacroRunStatus::Executed);
    // After its loop a variable is gone: "$a" stays as written.
    EXPECT_EQ(host.calls, (Calls{"saveReport x1.par", "saveReport x2.par", "saveSelected x.sel",
                                 "saveReport y1.par", "saveReport y2.par", "saveSelected y.sel",
                                 "saveReport $a.par"}));
}

TEST_F(MacroTest, SixteenNestedLoopsAreAllowedASeventeenthIsNot) {
    auto nested = [](int depth) {
        std::string macro;
        // Distinct letters: "$v1" would also match the start of "$v10".
        for (int i = 0; i < depth; ++i) macro += "For $" + std::string(1, char('a' + i)) + " a\n";
        macro += "RunAnalysis\n";
        for (int i = 0; i < depth; ++i) macro += "End\n";
        return macro;
    };
    EXPECT_EQ(check(nested(16)).errors, 0);
    EXPECT_EQ(check(nested(17)).text, errorText({"Incorrect variable name in line 17"}));
}

TEST_F(MacroTest, AFaultyLoopIsSkippedUpToItsOwnEnd) {
    // The inner End does not end the skipped loop; the line after the outer End is checked.
    MacroCheckResult result =
        check("For x\nFor $w a\nBogus1\nEnd\nBogus2\nEnd\nBogus3\nFor $v\nEnd\nBogus4\n");
    EXPECT_EQ(
        result.text,
        errorText({"Variable name is missing in line 1", "Unknown command \"Bogus3\" in line 7",
                   "Empty For-End loop in line 8", "Unknown command \"Bogus4\" in line 10"}));
}

TEST_F(MacroTest, FileLoopsRunOverASortedSnapshotOfTheMatches) {
    fs::create_directory(dir.file("images"));
    for (const char* name : {"images/c.bmp", "images/a.bmp", "images/B.BMP", "images/notes.txt"})
        write(name, "BM");
    fs::create_directory(dir.file("images/folder.bmp"));
    write("a.par", "");
    write("b.par", "");
    host.writeOutputs = true;
    // The body writes files that match the pattern: the loop does not see them.
    EXPECT_EQ(run("For %f images/*.bmp\nLoadImage images/%f\nEnd\n"
                  "For %p *.par\nSaveReport new_%p\nEnd\n"),
              MacroRunStatus::Executed);
    EXPECT_EQ(host.calls,
              (Calls{"loadImage images/B.BMP", "loadImage images/a.bmp", "loadImage images/c.bmp",
                     "saveReport new_a.par", "saveReport new_b.par"}));
    EXPECT_EQ(findMacroFiles("*.par"),
              (std::vector<std::string>{"a.par", "b.par", "new_a.par", "new_b.par"}));
}

TEST_F(MacroTest, ChDirChangesTheFolderOnceInTheCheckAndOnceInTheRun) {
    fs::create_directories(dir.file("sub/sub"));
    write("sub/in.bmp", "BM");
    host.writeOutputs = true;
    EXPECT_EQ(run("ChDir sub\nLoadImage in.bmp\nSaveReport out.par\n"), MacroRunStatus::Executed);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(host.calls, (Calls{"loadImage in.bmp", "saveReport out.par"}));
    // The check pass went into sub and came back; the run went into sub only once.
    EXPECT_TRUE(exists("sub/out.par"));
    EXPECT_FALSE(exists("sub/sub/out.par"));
    EXPECT_EQ(fs::current_path(), fs::path(dir.file("sub")));

    // A failed check restores the folder too.
    fs::current_path(dir.path());
    EXPECT_EQ(run("ChDir sub\nBogus\n"), MacroRunStatus::CheckFailed);
    EXPECT_EQ(fs::current_path(), fs::path(dir.path()));
}

TEST_F(MacroTest, EveryCommandReachesTheHostWithItsArgument) {
    write("opts.ini", "");
    write("my scan.bmp", "BM");
    EXPECT_EQ(run("LoadImage  my scan.bmp \t comment\nTestEnd\nReloadImage\nLoadROI r.BMP\n"
                  "LoadROI r.roi\nRenameRoi 3 healthy  tissue \nRunAnalysis\nGrainAnalysis\n"
                  "SaveReport r.par\nSaveSelected s.sel\nLoadReport r.par\nCloseReport\n"
                  "Execute prog --flag \"a b\"\nAggregateReports\nColorChannel r\n"
                  "ColorChannel Hue\nForcePrefix abcdef\nFeatureSelection triplets\n"
                  "FeatureSelection Fisher\nSaveImage i.bmp\nSaveImage i.raw\nSaveImage i.dcm\n"
                  "SaveImage i.Dicom\nSaveMap m.BMF\nSaveMap m.bmp\nCloseMap\n"
                  "LoadOptions opts.ini\nBogus\n"),
              MacroRunStatus::Executed);
    const std::string options = (fs::path(dir.path()) / "opts.ini").string();
    EXPECT_EQ(host.calls, (Calls{"loadImage my scan.bmp",
                                 "reloadImage",
                                 "loadRoi r.BMP 2",
                                 "loadRoi r.roi 1",
                                 "renameRoi 3 [healthy  tissue]",
                                 "runAnalysis",
                                 "grainAnalysis",
                                 "saveReport r.par",
                                 "saveSelected s.sel",
                                 "loadReport r.par",
                                 "closeReport",
                                 "execute prog --flag \"a b\"",
                                 "aggregateReports",
                                 "colourChannel 1",
                                 "colourChannel 6",
                                 "forcePrefix abc",
                                 "featureSelection 6",
                                 "featureSelection 1",
                                 "saveImage i.bmp 1",
                                 "saveImage i.raw 2",
                                 "saveImage i.dcm 3",
                                 "saveImage i.Dicom 3",
                                 "saveMap m.BMF 1",
                                 "saveMap m.bmp 2",
                                 "closeMap",
                                 "loadOptions " + options,
                                 "beep"}));
}

TEST_F(MacroTest, ExitStopsTheMacroAndTheMacrosThatLoadedIt) {
    EXPECT_EQ(run("RunAnalysis\nExit\nSaveReport after.par\n"), MacroRunStatus::Executed);
    EXPECT_EQ(host.calls, (Calls{"runAnalysis", "exit"}));

    host = RecordingHost();
    write("inner.txt", "For $v a b\nExit\nEnd\n");
    EXPECT_EQ(run("For $w 1 2\nLoadImage inner.txt\nSaveReport after$w.par\nEnd\n", "outer.txt"),
              MacroRunStatus::Executed);
    EXPECT_EQ(host.calls, (Calls{"loadImage inner.txt", "exit"}));
}

TEST_F(MacroTest, AMacroThatLoadsItselfIsRefusedAndStops) {
    EXPECT_EQ(run("RunAnalysis\nLoadImage self.txt\nSaveReport done.par\n", "self.txt"),
              MacroRunStatus::Failed);
    EXPECT_EQ(host.calls, (Calls{"runAnalysis", "loadImage self.txt"}));
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{macroAlreadyRunningText("self.txt"),
                                        macroFailureText("LoadImage", "self.txt", 2)}));

    // Through another macro, and by another spelling of its path: each
    // macro on the way stops.
    host.calls.clear();
    dialogs.messages.clear();
    write("b.txt", "LoadImage ./a.txt\nGrainAnalysis\n");
    EXPECT_EQ(run("LoadImage b.txt\nRunAnalysis\n", "a.txt"), MacroRunStatus::Failed);
    EXPECT_EQ(host.calls, (Calls{"loadImage b.txt", "loadImage ./a.txt"}));
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{macroAlreadyRunningText("./a.txt"),
                                        macroFailureText("LoadImage", "./a.txt", 1),
                                        macroFailureText("LoadImage", "b.txt", 1)}));

    // A macro may run again once it has ended.
    host.calls.clear();
    dialogs.messages.clear();
    write("twice.txt", "LoadImage b2.txt\nLoadImage b2.txt\n");
    write("b2.txt", "RunAnalysis\n");
    EXPECT_EQ(RunMacroFile(host, "twice.txt"), MacroRunStatus::Executed);
    EXPECT_EQ(host.calls,
              (Calls{"loadImage b2.txt", "runAnalysis", "loadImage b2.txt", "runAnalysis"}));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MacroTest, AMissingMacroFileSaysSo) {
    EXPECT_EQ(RunMacroFile(host, "missing.txt"), MacroRunStatus::CannotOpen);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text, "Cannot open script file.");
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Warning);
}

TEST_F(MacroTest, AMacroThatOnlyLoadsAndAnalysesAsksNothing) {
    write("scan.bmp", "BM");
    EXPECT_EQ(run("LoadImage scan.bmp\nRunAnalysis\n"), MacroRunStatus::Executed);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(host.calls, (Calls{"loadImage scan.bmp", "runAnalysis"}));
}

// A source whose position can never be taken (a pipe, say).
class UnseekableSource : public MacroSource {
  public:
    explicit UnseekableSource(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    bool readLine(std::string& line) override {
        if (next_ >= lines_.size()) return false;
        line = lines_[next_++];
        return true;
    }
    std::optional<long> position() override { return std::nullopt; }
    bool seek(long) override { return false; }

  private:
    std::vector<std::string> lines_;
    size_t next_ = 0;
};

TEST_F(MacroTest, ALoopThatCannotReturnToItsBodyEndsTheCheck) {
    UnseekableSource source({"Bogus\n", "For $v a b\n", "Bogus2\n", "End\n", "Bogus3\n"});
    MacroCheckResult result = MacroCheck(source);
    EXPECT_EQ(result.errors, kMaxMacroErrors);
    EXPECT_EQ(result.text,
              errorText({"Unknown command \"Bogus\" in line 1", "Incorrect constant in line 2"}));
}

}  // namespace

// --- Failures in the execution pass --------------------------------------------

TEST_F(MacroTest, AFailedFileOperationStopsTheMacroNamingCommandFileAndLine) {
    // Every file operation, each failing in turn: the lines after it never run.
    write("scan.bmp", "BM");
    write("rois.roi", "x");
    write("old.par", "x");
    write("opts.ini", "x");
    const std::vector<std::pair<std::string, std::string>> commands = {
        {"LoadImage", "scan.bmp"},   {"LoadROI", "rois.roi"},     {"SaveReport", "out.par"},
        {"SaveSelected", "out.sel"}, {"LoadReport", "old.par"},   {"SaveImage", "out.bmp"},
        {"SaveMap", "out.bmf"},      {"LoadOptions", "opts.ini"},
    };
    for (const auto& [command, file] : commands) {
        SCOPED_TRACE(command);
        host = RecordingHost();
        host.failing = {file};
        dialogs.messages.clear();
        EXPECT_EQ(run("RunAnalysis\n\n" + command + " " + file + "  \nSaveReport after.par\n"),
                  MacroRunStatus::Failed);
        ASSERT_EQ(host.calls.size(), 2u);
        EXPECT_EQ(host.calls[0], "runAnalysis");
        EXPECT_NE(host.calls[1].find(file), std::string::npos);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].caption, "Error");
        EXPECT_EQ(dialogs.messages[0].text, macroFailureText(command, file, 3));
        EXPECT_EQ(dialogs.messages[0].text, "Command \"" + command +
                                                "\" failed in line 3 (file \"" + file +
                                                "\").\r\nThe macro was stopped.");
    }
    // The same operations succeeding run to the end without a word.
    host = RecordingHost();
    dialogs.messages.clear();
    EXPECT_EQ(run("LoadImage scan.bmp\nSaveReport a.par\nSaveImage b.bmp\n"),
              MacroRunStatus::Executed);
    EXPECT_EQ(host.calls.size(), 3u);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MacroTest, AnAnalysisThatMadeNoReportStopsTheMacroBeforeItsSave) {
    // The save would write the report of an earlier run under this name.
    host.analysisRuns = false;
    write("a.bmp", "BM");
    EXPECT_EQ(run("LoadImage a.bmp\nRunAnalysis\nSaveReport a.par\n"), MacroRunStatus::Failed);
    EXPECT_EQ(host.calls, (Calls{"loadImage a.bmp", "runAnalysis"}));
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{
                                  "Command \"RunAnalysis\" failed in line 2.\r\nThe macro was "
                                  "stopped."}));
}

TEST_F(MacroTest, AFailureInsideLoopsAndInnerMacrosStopsEverything) {
    // In the second iteration of a loop: the line is the file's line, the
    // remaining iterations and the lines after the loop do not run.
    host.failing = {"rep_b.par"};
    EXPECT_EQ(run("For $v a b c\nRunAnalysis\nSaveReport rep_$v.par\nEnd\nExit\n"),
              MacroRunStatus::Failed);
    EXPECT_EQ(host.calls, (Calls{"runAnalysis", "saveReport rep_a.par", "runAnalysis",
                                 "saveReport rep_b.par"}));
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{macroFailureText("SaveReport", "rep_b.par", 3)}));

    // A macro loaded by another fails: both stop, each naming its own line.
    host = RecordingHost();
    host.failing = {"bad.bmp"};
    dialogs.messages.clear();
    write("bad.bmp", "BM");
    write("inner.txt", "RunAnalysis\nLoadImage bad.bmp\nRunAnalysis\n");
    EXPECT_EQ(run("LoadImage inner.txt\nSaveReport never.par\n", "outer.txt"),
              MacroRunStatus::Failed);
    EXPECT_EQ(host.calls, (Calls{"loadImage inner.txt", "runAnalysis", "loadImage bad.bmp"}));
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{macroFailureText("LoadImage", "bad.bmp", 2),
                                        macroFailureText("LoadImage", "inner.txt", 1)}));
}

TEST_F(MacroTest, OperationsThatCannotFailAndUnknownCommandsNeverStopTheMacro) {
    // A command without its argument after "TestEnd" is skipped, not a failure.
    EXPECT_EQ(run("TestEnd\nLoadImage\nSaveReport\nFrobnicate\nCloseReport\nRunAnalysis\n"),
              MacroRunStatus::Executed);
    EXPECT_EQ(host.calls, (Calls{"beep", "closeReport", "runAnalysis"}));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MacroTest, DeeplyNestedLoopsAreRefusedByTheCheckInsteadOfRunningForMinutes) {
    // Eight nested loops in 18 lines: 6^8 = 1.7 million bodies to check.
    std::string text;
    for (int depth = 0; depth < 8; ++depth)
        text += "For $v" + std::to_string(depth) + " a b c d e f\n";
    text += "SaveReport r_$v0$v1$v2$v3$v4$v5$v6$v7.par\nRunAnalysis\n";
    for (int depth = 0; depth < 8; ++depth) text += "End\n";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run(text), MacroRunStatus::CheckFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_TRUE(host.calls.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find("The loops run more than 100000 lines"),
              std::string::npos)
        << dialogs.messages[0].text;

    // A long but sensible loop still runs: 40 x 50 values, 3 commands each.
    host = RecordingHost();
    dialogs.messages.clear();
    std::string forty, fifty;
    for (int i = 0; i < 40; ++i) forty += " a" + std::to_string(i);
    for (int i = 0; i < 50; ++i) fifty += " b" + std::to_string(i);
    EXPECT_EQ(run("For $x" + forty + "\nFor $y" + fifty +
                  "\nRunAnalysis\nRenameRoi 1 $x$y\nCloseReport\nEnd\nEnd\n"),
              MacroRunStatus::Executed);
    EXPECT_EQ(host.calls.size(), 6000u);
}
