// r62's main window, offscreen, with the dialog seam answering.
#include "statistics/forms/r62_main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/shell.h"
#include "platform/testing/temp_dir.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/r62_options.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/class_cluster_table.h"
#include "statistics/forms/graph_window.h"
#include "statistics/forms/html_help.h"
#include "statistics/forms/r62_options_window.h"
#include "statistics/forms/save_with_replace.h"
#include "statistics/forms/silhouette_window.h"
#include "statistics/forms/tree_window.h"
#include "statistics/tests/forms/menu_keys.h"
#include "statistics/tests/forms/r62_test_app.h"

using platform::FileDialogKind;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;

namespace {

// Two features, two categories, six samples. Unstandardised, samples 3 and 4
// are each other's nearest neighbours across the classes: 1-NN misses both.
const char kGoodSel[] =
    "*label\r\n"
    "converted data\r\n"
    "*features\r\n"
    "1 Mean\r\n"
    "2 Variance\r\n"
    "*categories\r\n"
    "1 healthy\r\n"
    "2 lesion\r\n"
    "*data\r\n"
    "1 1.0 10.0\r\n"
    "1 1.2 10.5\r\n"
    "1 5.0 30.0\r\n"
    "2 5.1 30.2\r\n"
    "2 6.0 31.0\r\n"
    "2 6.3 33.0\r\n"
    "*end\r\n";

// Line 10 holds a letter.
const char kBadSel[] =
    "*label\r\n"
    "converted data\r\n"
    "*features\r\n"
    "1 Mean\r\n"
    "2 Variance\r\n"
    "*categories\r\n"
    "1 healthy\r\n"
    "2 lesion\r\n"
    "*data\r\n"
    "1 1.0 x10.0\r\n"
    "1 1.2 10.5\r\n"
    "*end\r\n";

std::vector<std::string> linesOf(const QString& text) {
    std::vector<std::string> lines;
    std::istringstream in(text.toStdString());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

platform::FileDialogResult chosen(const std::string& path) {
    platform::FileDialogResult answer;
    answer.accepted = true;
    answer.path = path;
    return answer;
}

class R62MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        r62TestApplication();
        resetAll();
        goodPath = dir.write("good.sel", kGoodSel);
        badPath = dir.write("bad.sel", kBadSel);
    }
    void TearDown() override {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        resetAll();
    }
    static void resetAll() {
        resetR62Data();
        resetR62Options();
        resetR62Shell();
        resetR62DialogFolder();
    }

    TMainWindow& make(const std::vector<std::string>& arguments = {}) {
        window = std::make_unique<TMainWindow>(arguments);
        return *window;
    }
    // A window with good.sel loaded through the open dialog.
    TMainWindow& loaded() {
        TMainWindow& w = make();
        dialogs.fileAnswers.push_back(chosen(goodPath));
        w.GetDataClick();
        dialogs.fileDialogs.clear();
        dialogs.messages.clear();
        return w;
    }
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : dialogs.messages) texts.push_back(m.text);
        return texts;
    }

    platform::testing::TempDir dir;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
    std::unique_ptr<TMainWindow> window;
    std::string goodPath;
    std::string badPath;
};

// --- start-up -------------------------------------------------------------------

TEST_F(R62MainWindowTest, StartsWithItsCaptionMenusAndEmptyPanes) {
    TMainWindow& w = make();
    EXPECT_EQ(w.windowTitle(), "r62 - texture data analysis");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.fileDialogs.empty());

    QStringList titles;
    for (QAction* item : w.menuBar()->actions()) titles << item->text();
    EXPECT_EQ(titles, QStringList({"&Files", "&Options", "&Analysis", "&Classification",
                                   "C&lustering", "&Segmentation", "A&bout", "&Exit"}));
    // Options, About and Exit are commands of the bar itself.
    for (const char* command : {"&Options", "&About", "&Exit"}) {
        ASSERT_NE(w.action(command), nullptr) << command;
        EXPECT_EQ(w.action(command)->menu(), nullptr) << command;
        EXPECT_TRUE(w.action(command)->isEnabled()) << command;
    }

    auto captions = [&](const char* title) {
        QStringList list;
        for (QAction* item : w.menu(title)->actions())
            list << (item->isSeparator() ? QString("-") : item->text());
        return list;
    };
    EXPECT_EQ(captions("&Files"), QStringList({"&Get Input Data", "&Save Report"}));
    EXPECT_EQ(captions("&Analysis"), QStringList({"&Raw Data", "&PCA", "&LDA", "&NDA"}));
    EXPECT_EQ(captions("&Classification"),
              QStringList({"&1_NN", "-", "ANN: &one-class (training)", "ANN: &n-class (training)",
                           "-", "ANN classifier &testing"}));
    EXPECT_EQ(captions("Clustering"), QStringList({"&AHC", "&SCM", "-", "&k-means"}));
    EXPECT_EQ(captions("Segmentation"), QStringList({"&Image segmentation"}));
    expectAltKeysOnEveryMenu(w.menuBar());
    expectAltKeysOnEveryControl(&w);

    // Before any data every available command is enabled (it answers that no
    // data are there).
    for (const char* caption :
         {"&Get Input Data", "&Save Report", "&Raw Data", "&PCA", "&LDA", "&NDA", "1_NN",
          "ANN: one-class (training)", "ANN: n-class (training)", "ANN classifier testing", "AHC",
          "SCM", "k-means", "Image segmentation"})
        EXPECT_TRUE(w.action(caption)->isEnabled()) << caption;
    for (QAction* item : w.menuBar()->actions()) EXPECT_TRUE(item->isEnabled());

    EXPECT_TRUE(w.MemoIn->isReadOnly());
    EXPECT_TRUE(w.MemoOut->isReadOnly());
    EXPECT_EQ(w.MemoIn->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(w.MemoIn->toPlainText().isEmpty());
    EXPECT_TRUE(w.MemoOut->toPlainText().isEmpty());
    EXPECT_EQ(w.MemoIn->font().pixelSize(), 13);
    EXPECT_EQ(w.statusText(), "");
    EXPECT_EQ(w.Label1->text(), "Input (data)");
    EXPECT_EQ(w.OutputWinLabel->text(), "Output (report)");
    EXPECT_TRUE(w.ProgressBar->isHidden());
    EXPECT_EQ(w.ProgressBar->width(), 203);
    // 2 and 110 pixels right of the splitter, whose right edge is at 355 + 16.
    EXPECT_EQ(w.OutputWinLabel->x(), 373);
    EXPECT_EQ(w.ProgressBar->x(), 481);
    EXPECT_EQ(r62Data().NewConsistentData, 0);
}

TEST_F(R62MainWindowTest, MovingTheSplitterKeepsTheOutputLabelAndProgressBarBesideIt) {
    TMainWindow& w = make();
    w.show();
    QCoreApplication::processEvents();
    w.Splitter1->setSizes({300, 410});
    QCoreApplication::processEvents();
    w.Splitter1Moved();
    const int right = w.MemoIn->width() + w.Splitter1->handleWidth();
    EXPECT_EQ(w.MemoIn->width(), 300);
    EXPECT_EQ(w.OutputWinLabel->x(), right + 2);
    EXPECT_EQ(w.ProgressBar->x(), right + 110);
}

TEST_F(R62MainWindowTest, AnAnalysisWithoutDataSaysSoAndKeepsAPendingReport) {
    TMainWindow& w = make();
    r62Shell().setReportFlag(ReportKind::Pca);
    w.action("1_NN")->trigger();
    EXPECT_EQ(messageTexts(),
              std::vector<std::string>({"No new consistent data available for analysis."}));
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::None);
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::Pca));
    EXPECT_FALSE(r62Shell().ClassificationReportPending());
    EXPECT_TRUE(w.MemoOut->toPlainText().isEmpty());
    EXPECT_EQ(w.statusText(), "");
}

// --- command line ---------------------------------------------------------------

TEST_F(R62MainWindowTest, OneArgumentEndingInDotSelIsLoadedAtStart) {
    TMainWindow& w = make({goodPath});
    EXPECT_TRUE(dialogs.fileDialogs.empty());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(w.windowTitle(), "r62 - good.sel");
    EXPECT_EQ(w.statusText(), "Input data loaded");
    EXPECT_EQ(r62Data().NewConsistentData, 1);
    EXPECT_EQ(r62Data().SampleCount, 6);
    EXPECT_TRUE(w.InputFileName.empty());
}

TEST_F(R62MainWindowTest, AnyOtherCommandLineOpensNothing) {
    const std::string upper = dir.write("upper.SEL", kGoodSel);
    const std::vector<std::vector<std::string>> commandLines = {
        {upper}, {goodPath, goodPath}, {"-x", goodPath}, {dir.write("data.txt", kGoodSel)}};
    for (const auto& arguments : commandLines) {
        TMainWindow& w = make(arguments);
        EXPECT_EQ(w.windowTitle(), "r62 - texture data analysis") << arguments[0];
        EXPECT_TRUE(w.InputFileName.empty());
        EXPECT_TRUE(w.MemoIn->toPlainText().isEmpty());
        EXPECT_EQ(r62Data().NewConsistentData, 0);
    }
    EXPECT_TRUE(dialogs.fileDialogs.empty());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(R62MainWindowTest, AMissingStartUpFileIsReportedAndNothingIsAskedFor) {
    const std::string missing = dir.file("missing.sel");
    TMainWindow& w = make({missing});
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "R62: Cannot load the \"" + missing + "\" file ..");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
    EXPECT_TRUE(dialogs.fileDialogs.empty());
    EXPECT_TRUE(w.InputFileName.empty());
    EXPECT_EQ(w.windowTitle(), "r62 - texture data analysis");
    EXPECT_EQ(r62Data().NewConsistentData, 0);
}

// --- loading --------------------------------------------------------------------

TEST_F(R62MainWindowTest, GetInputDataLoadsAGoodFileAndShowsItNumbered) {
    TMainWindow& w = make();
    dialogs.fileAnswers.push_back(chosen(goodPath));
    w.action("&Get Input Data")->trigger();

    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogs[0].kind, FileDialogKind::Open);
    EXPECT_EQ(dialogs.fileDialogs[0].filter, "r62 input file (*.sel)|*.sel");
    EXPECT_EQ(dialogs.fileDialogs[0].title, "Wczytywanie pliku *.sel z danymi do analizy");
    EXPECT_TRUE(dialogs.messages.empty());

    EXPECT_EQ(w.windowTitle(), "r62 - good.sel");
    EXPECT_EQ(w.statusText(), "Input data loaded");
    const std::vector<std::string> pane = linesOf(w.MemoIn->toPlainText());
    ASSERT_EQ(pane.size(), 16u);
    EXPECT_EQ(pane[0], "*label");
    EXPECT_EQ(pane[8], "*data");
    EXPECT_EQ(pane[9], "   1 1 1.0 10.0");
    EXPECT_EQ(pane[14], "   6 2 6.3 33.0");
    EXPECT_EQ(pane[15], "*end");
    EXPECT_EQ(w.MemoIn->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(r62Data().NewConsistentData, 1);
    EXPECT_EQ(r62Data().FeatureSelected[1], 1);
    EXPECT_EQ(r62Data().FeatureSelected[2], 1);
    EXPECT_EQ(r62Data().DataFileName, "good.sel");
}

TEST_F(R62MainWindowTest, ABadFileShowsTheMarkerInBlueAndLeavesNoData) {
    TMainWindow& w = loaded();
    dialogs.fileAnswers.push_back(chosen(badPath));
    w.GetDataClick();

    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Error at line 10 of \"bad.sel\"\r[non-numeric data format].");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::None);
    const std::vector<std::string> pane = linesOf(w.MemoIn->toPlainText());
    ASSERT_EQ(pane.size(), 11u);
    EXPECT_EQ(pane[9], "1 1.0 x10.0");
    EXPECT_EQ(pane[10], "^ Error at line 10...");
    EXPECT_EQ(w.MemoIn->palette().color(QPalette::Text), QColor(Qt::blue));
    EXPECT_EQ(w.windowTitle(), "r62 - bad.sel");
    EXPECT_EQ(r62Data().NewConsistentData, 0);

    // Nothing can be analysed now.
    dialogs.messages.clear();
    w.k_NNClick();
    EXPECT_EQ(messageTexts(),
              std::vector<std::string>({"No new consistent data available for analysis."}));

    // The next good file is shown in black again.
    dialogs.fileAnswers.push_back(chosen(goodPath));
    w.GetDataClick();
    EXPECT_EQ(w.MemoIn->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(r62Data().NewConsistentData, 1);
}

TEST_F(R62MainWindowTest, ACancelledOpenDialogEmptiesThePanesButKeepsTheData) {
    TMainWindow& w = loaded();
    w.k_NNClick();
    ASSERT_FALSE(w.MemoOut->toPlainText().isEmpty());
    r62Shell().ClearClassificationReportFlags();

    w.GetDataClick();  // the scripted dialog cancels
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_TRUE(w.MemoIn->toPlainText().isEmpty());
    EXPECT_TRUE(w.MemoOut->toPlainText().isEmpty());
    EXPECT_EQ(r62Data().NewConsistentData, 1);
    EXPECT_EQ(r62Data().FeatureSelected[1], 0);
    EXPECT_EQ(w.windowTitle(), "r62 - good.sel");
}

// --- 1-NN -----------------------------------------------------------------------

TEST_F(R62MainWindowTest, OneNNWritesItsReportIntoTheOutputPane) {
    TMainWindow& w = loaded();
    w.action("1_NN")->trigger();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(w.statusText(), "k-NN classification");
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::Knn));
    EXPECT_FALSE(w.MemoOut->isHidden());

    const std::vector<std::string> pane = linesOf(w.MemoOut->toPlainText());
    EXPECT_EQ(pane, w.memoOutLines());
    ASSERT_EQ(pane.size(), 11u);
    EXPECT_EQ(pane[0].rfind("* r62 report file [k-NN classification] <", 0), 0u) << pane[0];
    EXPECT_EQ(pane[1], "* Data file name: \"good.sel\"");
    EXPECT_EQ(pane[2], "* Selected features [2 out of 2]");
    EXPECT_EQ(pane[3].rfind("Mean [#1/#1]; p.mean= 4.10000E+000, p.std=", 0), 0u) << pane[3];
    EXPECT_EQ(pane[5], "Feature vector standardized: NO");
    EXPECT_EQ(pane[6], "");
    EXPECT_EQ(pane[7], "* Results [1-NN classification]");
    EXPECT_EQ(pane[8], "Missclassified data vectors: 2/6 [or 33.33%]");
    EXPECT_EQ(pane[9], "Sample No:  3; Category:  1; ClassResult:  2");
    EXPECT_EQ(pane[10], "Sample No:  4; Category:  2; ClassResult:  1");
}

TEST_F(R62MainWindowTest, OneNNFollowsTheStandardisationOptionAndClearsOtherReports) {
    TMainWindow& w = loaded();
    r62Shell().setReportFlag(ReportKind::Lda);
    r62Shell().setReportFlag(ReportKind::Kmeans);
    r62Options().StandardizeData = 1;
    w.k_NNClick();
    const std::vector<std::string>& report = w.memoOutLines();
    ASSERT_GE(report.size(), 6u);
    EXPECT_EQ(report[5], "Feature vector standardized: YES");
    EXPECT_FALSE(r62Shell().AnalysisReportPending());
    EXPECT_FALSE(r62Shell().ClusteringReportPending());
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::Knn));
}

TEST_F(R62MainWindowTest, LdaOnTooFewSamplesSaysWhyOnceAndLeavesNoReportToSave) {
    // A small hand-over: 8 samples of 30 features.
    std::string sel = "*label\r\nhand-over\r\n*features\r\n";
    for (int f = 1; f <= 30; ++f) sel += std::to_string(f) + " F" + std::to_string(f) + "\r\n";
    sel += "*categories\r\n1 a\r\n2 b\r\n*data\r\n";
    for (int s = 1; s <= 8; ++s) {
        sel += std::to_string(s % 2 + 1);
        for (int f = 1; f <= 30; ++f) sel += " " + std::to_string((s * 37 + f * f * 11) % 101);
        sel += "\r\n";
    }
    sel += "*end\r\n";
    TMainWindow& w = make();
    dialogs.fileAnswers.push_back(chosen(dir.write("small.sel", sel)));
    w.GetDataClick();
    ASSERT_EQ(r62Data().NewConsistentData, 1);
    dialogs.messages.clear();

    w.LDAClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(dialogs.messages[0].text,
              "Linear Discriminant Analysis runtime error.\r[Wrong data.]\r8 samples are too few "
              "for 30 features: their scatter matrix is singular.\rSelect at most 7 features "
              "(\"Options\" menu item) or add samples.");
    EXPECT_FALSE(r62Shell().AnalysisReportPending());
    EXPECT_EQ(w.graphWindow(), nullptr);

    // Leaving asks only whether to leave: there is no report to save.
    dialogs.messages.clear();
    dialogs.messageAnswers.push_back(MessageResult::No);
    w.ExiClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Do you want to exit r62?");
}

TEST_F(R62MainWindowTest, OneNNWithoutSelectedFeaturesShowsItsErrorAndKeepsThePane) {
    TMainWindow& w = loaded();
    r62Data().FeatureSelected.fill(0);
    w.k_NNClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "k-NN classifier runtime error.\rNumber of selected features should be at least "
              "1.\r[Use \"Options\" menu item to select features.]");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_TRUE(w.MemoOut->toPlainText().isEmpty());
}

TEST_F(R62MainWindowTest, ARangeCheckErrorIsShownAndTheProgramGoesOn) {
    TMainWindow& w = loaded();
    r62Data().SampleCount = 2001;  // beyond the arrays: the run must stop, not read past them
    w.action("1_NN")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text, "Range check error");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_FALSE(r62Shell().ClassificationReportPending());

    r62Data().SampleCount = 6;
    dialogs.messages.clear();
    w.action("1_NN")->trigger();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(w.memoOutLines().size(), 11u);
}

// --- saving ---------------------------------------------------------------------

TEST_F(R62MainWindowTest, AHandOverSavesInTheStudysFolderNotInTheTemporaryOne) {
    platform::testing::TempDir temporary;
    platform::testing::TempDir study;
    const std::string handOver = temporary.write("temp.sel", kGoodSel);
    const char* oldTemporary = std::getenv("TMPDIR");
    const std::string keptTemporary = oldTemporary ? oldTemporary : "";
    ::setenv("TMPDIR", temporary.path().c_str(), 1);
    auto askedFolders = [&](TMainWindow& w) {
        dialogs.fileDialogs.clear();
        w.k_NNClick();
        w.SaveReportClick();  // cancelled
        w.PCAClick();
        dialogs.fileAnswers.push_back(chosen(study.file("plot.bmp")));
        w.graphWindow()->SaveClick();
        w.graphWindow()->close();
        std::vector<std::string> folders;
        for (const auto& request : dialogs.fileDialogs) folders.push_back(request.initialDirectory);
        return folders;
    };

    // Vantu names the folder of the report the data came from.
    ::setenv(platform::kStudyFolderVariable, study.path().c_str(), 1);
    EXPECT_EQ(askedFolders(make({handOver})),
              std::vector<std::string>({study.path(), study.path()}));
    // Without it, the temporary folder names no study: the dialogs open
    // where a file was last chosen.
    ::unsetenv(platform::kStudyFolderVariable);
    resetR62DialogFolder();
    window.reset();
    EXPECT_EQ(askedFolders(make({handOver})), std::vector<std::string>({"", ""}));
    EXPECT_EQ(r62DialogFolder(), study.path());
    if (oldTemporary)
        ::setenv("TMPDIR", keptTemporary.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

TEST_F(R62MainWindowTest, SaveReportWritesTheOutputPaneUnderTheExtensionOfItsKind) {
    TMainWindow& w = loaded();
    w.k_NNClick();
    const std::string target = dir.file("knn.cls");
    dialogs.fileAnswers.push_back(chosen(target));
    w.action("&Save Report")->trigger();

    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    const platform::FileDialogRequest& request = dialogs.fileDialogs[0];
    EXPECT_EQ(request.kind, FileDialogKind::Save);
    EXPECT_EQ(request.fileName, "good.cls");
    EXPECT_EQ(request.title, "good.cls");
    EXPECT_EQ(request.filter, std::string(kReportSaveFilter));
    EXPECT_EQ(request.filterIndex, 5);
    EXPECT_EQ(request.defaultExtension, ".cls");
    EXPECT_EQ(request.initialDirectory, dir.path());
    EXPECT_TRUE(dialogs.messages.empty());

    std::string expected;
    for (const std::string& line : w.memoOutLines()) expected += line + "\r\n";
    EXPECT_EQ(dir.read("knn.cls"), expected);
    EXPECT_EQ(w.statusText(), "Report file saved");
    EXPECT_FALSE(r62Shell().anyReportPending());

    // Saved: nothing is left to save.
    w.SaveReportClick();
    EXPECT_EQ(messageTexts(),
              std::vector<std::string>({"Neither analysis, classification nor "
                                        "clustering report available for saving."}));
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
}

TEST_F(R62MainWindowTest, SaveReportOffersEachKindItsOwnNameAndFilter) {
    TMainWindow& w = loaded();
    w.setReport({"report"});
    const struct {
        ReportKind kind;
        const char* filter;  // nullptr: the dialog's filter stays as it was
        const char* name;
    } kinds[] = {
        {ReportKind::RawData, "Raw data analysis report file (*.rda)|*.rda", "good.rda"},
        {ReportKind::Pca, "PCA report file (*.pca)|*.pca", "good.pca"},
        {ReportKind::Lda, "LDA report file (*.lda)|*.lda", "good.lda"},
        {ReportKind::Nda, "NDA report file (*.nda)|*.nda", "good.nda"},
        {ReportKind::Testing, "testing report file (*.tst)|*.tst", "good.tst"},
        {ReportKind::Scm, "Clustering report file (*.clr)|*.clr", "good.clr"},
        // After another kind's save, a classification report is still
        // offered on its own entry: a bare name becomes a .cls.
        {ReportKind::Knn, kReportSaveFilter.data(), "good.cls"},
        {ReportKind::AnnTraining, kReportSaveFilter.data(), "good"},
    };
    for (const auto& k : kinds) {
        r62Shell().clearAllReportFlags();
        r62Shell().setReportFlag(k.kind);
        const bool classification = k.kind == ReportKind::Knn || k.kind == ReportKind::AnnTraining;
        platform::FileDialogResult answer = chosen(dir.file(k.name));
        answer.filterIndex = classification ? 5 : 1;  // the entry the dialog opens on
        dialogs.fileAnswers.push_back(answer);
        w.SaveReportClick();
        const platform::FileDialogRequest& request = dialogs.fileDialogs.back();
        EXPECT_EQ(request.filter, k.filter) << k.name;
        EXPECT_EQ(request.filterIndex, answer.filterIndex) << k.name;
        const std::string saved =
            std::filesystem::path(k.name).has_extension() ? k.name : "good.cls";
        EXPECT_EQ(dir.read(saved), "report\r\n") << k.name;
        EXPECT_FALSE(r62Shell().anyReportPending()) << k.name;
    }
}

TEST_F(R62MainWindowTest, AnExistingFileIsReplacedOnlyWhenTheUserAgrees) {
    TMainWindow& w = loaded();
    w.k_NNClick();
    const std::string existing = dir.write("old.cls", "old");
    const std::string fresh = dir.file("new.cls");

    // No: the dialog comes again; cancelling it saves nothing.
    dialogs.fileAnswers.push_back(chosen(existing));
    dialogs.messageAnswers.push_back(MessageResult::No);
    w.SaveReportClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "File \"" + existing + "\" already exists!\rDo you want to replace it?");
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(dialogs.fileDialogs.size(), 2u);
    EXPECT_EQ(dir.read("old.cls"), "old");
    EXPECT_TRUE(r62Shell().ClassificationReportPending());
    EXPECT_EQ(w.statusText(), "k-NN classification");

    // No, then a new name.
    dialogs.fileAnswers.push_back(chosen(existing));
    dialogs.messageAnswers.push_back(MessageResult::No);
    dialogs.fileAnswers.push_back(chosen(fresh));
    w.SaveReportClick();
    EXPECT_EQ(dir.read("old.cls"), "old");
    EXPECT_FALSE(dir.read("new.cls").empty());
    EXPECT_FALSE(r62Shell().ClassificationReportPending());

    // Yes: replaced.
    w.k_NNClick();
    dialogs.fileAnswers.push_back(chosen(existing));
    dialogs.messageAnswers.push_back(MessageResult::Yes);
    w.SaveReportClick();
    // The same report, but for the time in its first line (the two runs may
    // fall in different seconds).
    auto withoutTime = [](std::string text) { return text.substr(text.find('\n')); };
    EXPECT_EQ(withoutTime(dir.read("old.cls")), withoutTime(dir.read("new.cls")));
    EXPECT_EQ(w.statusText(), "Report file saved");
}

TEST_F(R62MainWindowTest, AFailedWriteSaysSoAndTheReportStaysUnsaved) {
    TMainWindow& w = loaded();
    w.k_NNClick();
    const std::string unwritable = dir.file("no-such-folder/knn.cls");
    dialogs.fileAnswers.push_back(chosen(unwritable));
    w.action("&Save Report")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text, "Cannot create file \"" + unwritable + "\".");
    EXPECT_TRUE(r62Shell().ClassificationReportPending());
    EXPECT_EQ(w.statusText(), "k-NN classification");
    EXPECT_FALSE(std::filesystem::exists(unwritable));
}

// --- prompts at a load ------------------------------------------------------------

TEST_F(R62MainWindowTest, ALoadOffersToSaveTheUnsavedReportFirst) {
    TMainWindow& w = loaded();
    w.k_NNClick();
    const std::vector<std::string> report = w.memoOutLines();

    // Yes: saved under the proposed kind, then the file is chosen.
    dialogs.messageAnswers.push_back(MessageResult::Yes);
    dialogs.fileAnswers.push_back(chosen(dir.file("good.cls")));
    dialogs.fileAnswers.push_back(chosen(goodPath));
    w.GetDataClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "The classification report has not been saved.\rDo you want to save it now?");
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
    ASSERT_EQ(dialogs.fileDialogs.size(), 2u);
    EXPECT_EQ(dialogs.fileDialogs[0].kind, FileDialogKind::Save);
    EXPECT_EQ(dialogs.fileDialogs[0].fileName, "good.cls");
    EXPECT_EQ(dialogs.fileDialogs[0].filterIndex, 5);
    EXPECT_EQ(dialogs.fileDialogs[1].kind, FileDialogKind::Open);
    EXPECT_EQ(dir.read("good.cls"), reportFileText(report));
    EXPECT_TRUE(w.MemoOut->toPlainText().isEmpty());
    EXPECT_FALSE(r62Shell().anyReportPending());
    EXPECT_EQ(w.statusText(), "Input data loaded");

    // No: the report is given up, and none is pending after the load.
    w.k_NNClick();
    dialogs.messages.clear();
    dialogs.messageAnswers.push_back(MessageResult::No);
    dialogs.fileAnswers.push_back(chosen(goodPath));
    w.GetDataClick();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(r62Shell().anyReportPending());
    EXPECT_TRUE(w.MemoOut->toPlainText().isEmpty());
}

TEST_F(R62MainWindowTest, ALoadProposesEachAnalysisAndClusteringKindByItsEntry) {
    TMainWindow& w = loaded();
    w.setReport({"report"});
    r62Shell().setReportFlag(ReportKind::Pca);
    r62Shell().setReportFlag(ReportKind::Kmeans);
    w.setStatusText("PCA analysis");
    dialogs.messageAnswers = {MessageResult::Yes, MessageResult::Yes};
    dialogs.fileAnswers.push_back(chosen(dir.file("good.pca")));
    dialogs.fileAnswers.push_back(chosen(dir.file("good.kme")));
    w.GetDataClick();  // then the open dialog is cancelled

    EXPECT_EQ(messageTexts(),
              std::vector<std::string>(
                  {"The R62 analysis report has not been saved.\rDo you want to save it now?",
                   "The R62 clustering report has not been saved.\rDo you want to save it now?"}));
    ASSERT_EQ(dialogs.fileDialogs.size(), 3u);
    EXPECT_EQ(dialogs.fileDialogs[0].fileName, "good.pca");
    EXPECT_EQ(dialogs.fileDialogs[0].filterIndex, 2);
    EXPECT_EQ(dialogs.fileDialogs[1].fileName, "good.kme");
    EXPECT_EQ(dialogs.fileDialogs[1].filterIndex, 9);
    EXPECT_EQ(dir.read("good.pca"), "report\r\n");
    EXPECT_EQ(dir.read("good.kme"), "report\r\n");
    EXPECT_EQ(w.statusText(), "");
}

TEST_F(R62MainWindowTest, ALoadStopsWhenTheReportCouldNotBeSaved) {
    TMainWindow& w = loaded();
    w.k_NNClick();
    const std::vector<std::string> report = w.memoOutLines();
    dialogs.messageAnswers.push_back(MessageResult::Yes);
    dialogs.fileAnswers.push_back(chosen(dir.file("no-such-folder/good.cls")));
    w.GetDataClick();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].caption, "Error");
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);  // no open dialog
    EXPECT_EQ(w.memoOutLines(), report);
    EXPECT_TRUE(r62Shell().ClassificationReportPending());
    EXPECT_FALSE(w.MemoIn->toPlainText().isEmpty());
}

// --- exit -----------------------------------------------------------------------

TEST_F(R62MainWindowTest, ExitAsksWhetherToLeave) {
    TMainWindow& w = make();
    w.show();
    dialogs.messageAnswers.push_back(MessageResult::No);
    w.action("&Exit")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Do you want to exit r62?");
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Question);
    EXPECT_TRUE(w.isVisible());

    dialogs.messageAnswers.push_back(MessageResult::Yes);
    w.ExiClick();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(R62MainWindowTest, ExitAsksAboutEveryPendingReportAndCancelKeepsTheProgram) {
    TMainWindow& w = loaded();
    w.show();
    w.k_NNClick();

    // Cancel: no exit question, the report stays pending.
    dialogs.messageAnswers.push_back(MessageResult::Cancel);
    w.ExiClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "The classification report has not been saved.\rDo you want to save it now?");
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(r62Shell().ClassificationReportPending());

    // Yes: saved, then the exit question; No there keeps the program.
    dialogs.messages.clear();
    dialogs.messageAnswers = {MessageResult::Yes, MessageResult::No};
    dialogs.fileAnswers.push_back(chosen(dir.file("exit.cls")));
    w.ExiClick();
    EXPECT_EQ(messageTexts(), std::vector<std::string>({"The classification report has not been "
                                                        "saved.\rDo you want to save it now?",
                                                        "Do you want to exit r62?"}));
    EXPECT_EQ(dialogs.fileDialogs.back().filter, "classification report file (*.cls)|*.cls");
    EXPECT_EQ(dialogs.fileDialogs.back().fileName, "good.cls");
    EXPECT_FALSE(dir.read("exit.cls").empty());
    EXPECT_FALSE(r62Shell().anyReportPending());
    EXPECT_TRUE(w.isVisible());

    // Clustering and analysis reports are asked about too, in that order.
    r62Shell().setReportFlag(ReportKind::Kmeans);
    r62Shell().setReportFlag(ReportKind::Pca);
    dialogs.messages.clear();
    dialogs.messageAnswers = {MessageResult::No, MessageResult::No, MessageResult::Yes};
    w.ExiClick();
    EXPECT_EQ(messageTexts(),
              std::vector<std::string>(
                  {"The analysis report has not been saved.\rDo you want to save it now?",
                   "The R62 clustering report has not been saved.\rDo you want to save it now?",
                   "Do you want to exit r62?"}));
    EXPECT_FALSE(w.isVisible());
}

TEST_F(R62MainWindowTest, ClosingTheWindowAsksAboutUnsavedReportsOnly) {
    TMainWindow& w = loaded();
    w.show();
    // Nothing unsaved: it closes without a question.
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(dialogs.messages.empty());

    w.show();
    w.k_NNClick();
    dialogs.messageAnswers.push_back(MessageResult::Cancel);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNoCancel);

    // Yes, then the save dialog cancelled: still open.
    dialogs.messageAnswers.push_back(MessageResult::Yes);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());

    dialogs.messageAnswers.push_back(MessageResult::No);
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(dialogs.messages.size(), 3u);
}

// --- tool windows -----------------------------------------------------------------

TEST_F(R62MainWindowTest, WhileAToolWindowIsOpenTheCommandsDoNothing) {
    TMainWindow& w = loaded();
    w.action("&Options")->trigger();
    QPointer<TOptionsWin> options = w.optionsWindow();
    ASSERT_TRUE(options);
    EXPECT_EQ(r62Shell().OptionsWindowOpen, 1);
    EXPECT_TRUE(options->isVisible());

    r62Shell().setReportFlag(ReportKind::Pca);
    w.k_NNClick();
    w.GetDataClick();
    w.SaveReportClick();
    w.OptionsClick();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.fileDialogs.empty());
    EXPECT_TRUE(w.MemoOut->toPlainText().isEmpty());
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::Pca));
    EXPECT_FALSE(r62Shell().ClassificationReportPending());
    EXPECT_EQ(w.optionsWindow(), options.data());
    EXPECT_EQ(w.findChildren<TOptionsWin*>().size(), 1);

    // Closed and freed: the commands work again.
    options->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(options.isNull());
    EXPECT_EQ(r62Shell().OptionsWindowOpen, 0);
    w.k_NNClick();
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::Knn));
    EXPECT_FALSE(w.MemoOut->toPlainText().isEmpty());
}

TEST_F(R62MainWindowTest, TheFrameCountsTheSilhouetteWindowUnlessTheCommandLeavesItOut) {
    TMainWindow& w = loaded();
    int runs = 0;
    auto routine = [&] {
        ++runs;
        return true;
    };
    for (uint8_t R62ShellFlags::*open :
         {&R62ShellFlags::GraphWindowOpen, &R62ShellFlags::TreeWindowOpen}) {
        r62Shell().*open = 1;
        EXPECT_FALSE(w.runAnalysisFrame("x", ReportKind::Pca, routine));
        EXPECT_FALSE(w.runAnalysisFrame("x", ReportKind::Pca, routine, false));
        r62Shell().*open = 0;
    }
    r62Shell().SilhouetteWindowOpen = 1;
    EXPECT_FALSE(w.runAnalysisFrame("one", ReportKind::AnnTraining, routine));
    EXPECT_TRUE(w.runAnalysisFrame("n-class", ReportKind::AnnTraining, routine, false));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(w.statusText(), "n-class");
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::AnnTraining));
    EXPECT_TRUE(dialogs.messages.empty());
}

// --- report header, About, help -----------------------------------------------------

TEST_F(R62MainWindowTest, TheReportHeaderHidesTheOutputPaneUntilTheReportIsShown) {
    TMainWindow& w = loaded();
    w.show();
    ASSERT_TRUE(PrepareWorkingData(0).prepared);
    w.WriteReportHeader(" [PCA analysis]");
    EXPECT_TRUE(w.MemoOut->isHidden());
    ASSERT_EQ(w.memoOutLines().size(), 6u);
    EXPECT_EQ(w.memoOutLines()[0].rfind("* r62 report file [PCA analysis] <", 0), 0u);
    EXPECT_EQ(w.memoOutLines()[5], "Feature vector standardized: NO");
    w.memoOutAdd("* Results");
    w.showMemoOut();
    EXPECT_FALSE(w.MemoOut->isHidden());
    EXPECT_EQ(linesOf(w.MemoOut->toPlainText()), w.memoOutLines());
    EXPECT_EQ(w.memoOutLines().back(), "* Results");
}

TEST_F(R62MainWindowTest, AboutNamesTheProgramAndItsLimits) {
    TMainWindow& w = make();
    w.action("&About")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(dialogs.messages[0].text.rfind("Program r62 v.3.3\rMRI texture data analysis and "
                                             "classification\r<30 features, 40 classes, 2000 "
                                             "samples>\r\r",
                                             0),
              0u);
}

TEST_F(R62MainWindowTest, HelpOpensTheHelpFileBesideTheProgram) {
    TMainWindow& w = make();
    std::vector<std::string> opened;
    HelpOpener previous = setHelpOpener([&](const std::string& path) {
        opened.push_back(path);
        return true;
    });
    w.HelpClick();
    setHelpOpener(previous);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(std::filesystem::path(opened[0]).parent_path(),
              std::filesystem::path(platform::programFolder()).parent_path());
    EXPECT_EQ(std::filesystem::path(opened[0]).filename(), "vantu.chm");
}

}  // namespace

namespace {

// --- clustering and networks ------------------------------------------------------

template <typename Window>
Window* openChild(const QWidget& owner) {
    for (QObject* child : owner.children())
        if (auto* window = dynamic_cast<Window*>(child)) return window;
    return nullptr;
}

TEST_F(R62MainWindowTest, AhcReportsOpensTheDendrogramAndAcceptAddsTheClusters) {
    TMainWindow& w = loaded();
    w.action("AHC")->trigger();
    EXPECT_TRUE(dialogs.messages.empty()) << messageTexts()[0];
    EXPECT_EQ(w.statusText(), "Agglomerative Hierarchical Clustering");
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::Ahc));
    EXPECT_EQ(
        w.memoOutLines()[0].rfind("* r62 report file [agglomerative hierarchical clustering] <", 0),
        0u);
    ASSERT_EQ(r62Shell().TreeWindowOpen, 1);
    auto* tree = openChild<TTreeWindow>(w);
    ASSERT_NE(tree, nullptr);

    // While the dendrogram is open every analysis does nothing.
    const size_t before = w.memoOutLines().size();
    w.action("k-means")->trigger();
    EXPECT_EQ(w.memoOutLines().size(), before);

    tree->AcceptClick();
    const std::vector<std::string>& lines = w.memoOutLines();
    ASSERT_GT(lines.size(), before);
    EXPECT_EQ(lines[before], "Cutoff link No. 5");
    // Samples 1 and 2 stand apart from the other four.
    EXPECT_EQ(lines.back(), "> 4 sample(s)");
    ASSERT_NE(classClusterTableWindow(), nullptr);
    EXPECT_EQ(classClusterTableWindow()->StringGrid1->item(1, 1)->text(), "2");
    tree->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(r62Shell().TreeWindowOpen, 0);
}

TEST_F(R62MainWindowTest, KMeansShowsSilhouettesAndTheClassClusterTable) {
    TMainWindow& w = loaded();
    w.action("k-means")->trigger();
    EXPECT_TRUE(dialogs.messages.empty()) << messageTexts()[0];
    EXPECT_EQ(w.statusText(), "K-means Clustering Method");
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::Kmeans));
    EXPECT_EQ(r62Shell().SilhouetteWindowOpen, 1);
    ASSERT_NE(classClusterTableWindow(), nullptr);
    // Every sample of a category is counted once, whichever cluster it is in.
    QTableWidget* grid = classClusterTableWindow()->StringGrid1;
    EXPECT_EQ(grid->item(1, 0)->text(), "Class 1");
    EXPECT_EQ(grid->item(0, 2)->text(), "Cluster 2");
    for (int row : {1, 2})
        EXPECT_EQ(grid->item(row, 1)->text().toInt() + grid->item(row, 2)->text().toInt(), 3);
    const auto& lines = w.memoOutLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Number of clusters: 2"), lines.end());

    // The n-class training alone may run beside the silhouette window.
    w.action("AHC")->trigger();
    EXPECT_EQ(r62Shell().TreeWindowOpen, 0);
    w.action("ANN: n-class (training)")->trigger();
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::AnnTraining));
    EXPECT_EQ(w.statusText(), "Neural-network 2-class classifier training");
    EXPECT_TRUE(w.ProgressBar->isHidden());

    // Other data: the table of the old ones closes.
    for (QWidget* top : QApplication::topLevelWidgets())
        if (dynamic_cast<TSilhouetteWindow*>(top) != nullptr) top->close();
    if (w.graphWindow() != nullptr) w.graphWindow()->close();
    dialogs.messageAnswers = {MessageResult::No, MessageResult::No};
    dialogs.fileAnswers.push_back(chosen(goodPath));
    w.GetDataClick();
    EXPECT_EQ(r62Data().SampleCount, 6);
    EXPECT_EQ(classClusterTableWindow(), nullptr);
}

TEST_F(R62MainWindowTest, NdaPlotsItsFeaturesWithTheClassBoundaries) {
    TMainWindow& w = loaded();
    r62Options().HLayer = 2;
    w.action("&NDA")->trigger();
    EXPECT_EQ(w.statusText(), "NDA analysis");
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::Nda));
    EXPECT_EQ(w.memoOutLines()[0].rfind("* r62 report file [", 0), 0u);
    EXPECT_NE(w.graphWindow(), nullptr);
    EXPECT_TRUE(w.ProgressBar->isHidden());
}

TEST_F(R62MainWindowTest, NetworkTestingAsksForTheFileAndKeepsClusteringReports) {
    TMainWindow& w = loaded();
    r62Shell().setReportFlag(ReportKind::Scm);
    r62Shell().setReportFlag(ReportKind::Pca);
    dialogs.fileAnswers.push_back(platform::FileDialogResult{});  // cancelled
    w.action("ANN classifier testing")->trigger();
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogs[0].kind, FileDialogKind::Open);
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::Scm));
    EXPECT_FALSE(r62Shell().reportFlag(ReportKind::Pca));
    EXPECT_FALSE(r62Shell().reportFlag(ReportKind::Testing));
}

}  // namespace

namespace {

TEST_F(R62MainWindowTest, ATitleBarCloseDuringARunIsRefusedAndTheReportKept) {
    TMainWindow& w = loaded();
    w.show();
    // The timer fires inside the run, while it repaints the windows.
    bool closeTried = false;
    bool closed = false;
    QTimer::singleShot(0, &w, [&] {
        closeTried = true;
        closed = w.close();
    });
    w.action("k-means")->trigger();
    ASSERT_TRUE(closeTried);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(dialogs.messages.empty()) << messageTexts()[0];
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::Kmeans));

    // After the run the window closes as before, asking about the report.
    dialogs.messageAnswers.push_back(platform::MessageResult::No);
    EXPECT_TRUE(w.close());
    ASSERT_EQ(dialogs.messages.size(), 1u);
}

}  // namespace
