// The real report window, offscreen, with the dialog seam answering.
#include "analysis/forms/report_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/reports/report_file.h"
#include "analysis/core/runner/analysis_runner.h"
#include "analysis/forms/progress_window.h"
#include "analysis/forms/report_list_model.h"
#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "workspace/forms/class_name_dialog.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// A document with an "_Area" record (columns 1..usedColumns hold pixels)
// followed by one record per feature name, value k + row / 10 in column k.
ReportDocument* addDocument(const std::string& name, std::initializer_list<const char*> features,
                            int usedColumns = 4, const std::string& header = "Run\r\n") {
    std::vector<FeatureRecord> records(1);
    setRecordName(records[0], "_Area");
    for (int k = 0; k < usedColumns; ++k) records[0].values[static_cast<size_t>(k)] = 50.0;
    double row = 1;
    for (const char* feature : features) {
        FeatureRecord record;
        setRecordName(record, feature);
        for (int k = 0; k < usedColumns; ++k)
            record.values[static_cast<size_t>(k)] = (k + 1) + row / 10;
        records.push_back(record);
        ++row;
    }
    return NewReportDocument(static_cast<int>(records.size()), records.data(), header, name);
}

// A stand-in analysis: it completes at once and leaves one document.
bool completeAtOnce(const ProgressSink&) {
    return true;
}
void addScannedDocument(bool) {
    addDocument("scan.bmp", {"Mean"});
}

class ReportWindowTest : public ::testing::Test {
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

    ReportListModel* model() const { return _Report->listModel(); }
    QString caption(int column) const {
        return model()->headerData(column, Qt::Horizontal).toString();
    }
    int columnImage(int column) const {
        return model()->headerData(column, Qt::Horizontal, ReportListModel::kImageRole).toInt();
    }
    QString cell(int row, int column) const {
        return model()->data(model()->index(row, column)).toString();
    }
    int rowImage(int row) const {
        return model()->data(model()->index(row, 0), ReportListModel::kImageRole).toInt();
    }
    std::vector<QString> tabTexts() const {
        std::vector<QString> texts;
        for (int i = 0; i < _Report->tabControl()->count(); ++i)
            texts.push_back(_Report->tabControl()->tabText(i));
        return texts;
    }
    void showWindow() {
        _Report->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(_Report));
    }
    // A left-button press on the list at x, on the middle of row.
    void pressRow(int row, int x) {
        QTableView* list = _Report->listView();
        QRect rect = list->visualRect(model()->index(row, 0));
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, QPoint(x, rect.center().y()));
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, QPoint(x, rect.center().y()));
    }
    // Answers the class-name dialog, if it opens, with answer; returns whether it opened.
    bool clickColumn(int column, const std::function<void(TOptionsClass&)>& answer) {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (!_OptionsClass->isVisible()) return;
            opened = true;
            answer(*_OptionsClass);
        });
        _Report->ListView1ColumnClick(column);
        QCoreApplication::processEvents();
        return opened;
    }

    platform::testing::ScopedRegistryStore store;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
};

TEST_F(ReportWindowTest, WithoutDocumentsOneBlankTabEmptyHeaderAndNumberedColumns) {
    _Report->ReportRefreshTabs();
    EXPECT_EQ(tabTexts(), std::vector<QString>{" "});
    EXPECT_EQ(_Report->tabCount, 0);
    EXPECT_EQ(_Report->CurrentReport, nullptr);
    EXPECT_EQ(_Report->headerMemo()->toPlainText(), "");
    EXPECT_EQ(model()->rowCount(), 0);
    ASSERT_EQ(model()->columnCount(), 17);
    EXPECT_EQ(caption(0), "Feature name");
    for (int k = 1; k <= 16; ++k) {
        EXPECT_EQ(caption(k), QString::number(k));
        EXPECT_EQ(columnImage(k), -1) << k;
        EXPECT_TRUE(model()->headerData(k, Qt::Horizontal, Qt::DecorationRole).isNull());
    }
    EXPECT_EQ(_Report->listView()->columnWidth(0), 120);
    EXPECT_EQ(_Report->listView()->columnWidth(16), 70);
}

TEST_F(ReportWindowTest, ShowsTheLastDocumentWithItsHeaderColumnsAndValues) {
    addDocument("first", {"Mean"});
    ReportDocument* second = addDocument("second", {"Mean", "Skewness"}, 3, "Line 1\r\nLine 2\r\n");
    second->roiName[1] = "healthy";
    second->records[1].values[0] = 3.14159265;
    second->records[1].values[1] = 123456.7;
    second->records[1].values[2] = kInf;
    second->records[2].values[0] = -kInf;
    second->records[2].values[1] = 0.000012345678;
    second->records[2].values[2] = 1e-300;
    _Report->ReportRefreshTabs();

    EXPECT_EQ(tabTexts(), (std::vector<QString>{"first", "second"}));
    EXPECT_EQ(_Report->tabControl()->currentIndex(), 1);
    EXPECT_EQ(_Report->tabCount, 2);
    EXPECT_EQ(_Report->CurrentReport, second);
    EXPECT_EQ(_Report->headerMemo()->toPlainText(), "Line 1\nLine 2\n");
    ASSERT_EQ(model()->rowCount(), 3);
    EXPECT_EQ(cell(0, 0), "_Area");
    EXPECT_EQ(cell(1, 0), "Mean");
    EXPECT_EQ(cell(1, 1), "3.1416");
    EXPECT_EQ(cell(1, 2), "1.2346e+05");
    EXPECT_EQ(cell(1, 3), "NaN");
    EXPECT_EQ(cell(2, 1), "NaN");
    EXPECT_EQ(cell(2, 2), "1.2346e-05");
    EXPECT_EQ(cell(2, 3), "1e-300");
    EXPECT_EQ(cell(2, 4), "0");
    EXPECT_EQ(model()->data(model()->index(1, 1), Qt::TextAlignmentRole).toInt(),
              static_cast<int>(Qt::AlignRight | Qt::AlignVCenter));

    EXPECT_EQ(caption(1), "1");
    EXPECT_EQ(caption(2), "healthy");
    EXPECT_EQ(columnImage(1), kRoiUsed);
    EXPECT_EQ(columnImage(4), kRoiEmpty);
    EXPECT_FALSE(model()->headerData(1, Qt::Horizontal, Qt::DecorationRole).isNull());
    // Auxiliary records have no check; "Skewness" is held by one of two documents.
    EXPECT_EQ(rowImage(0), kFeatureUnknown);
    EXPECT_EQ(rowImage(1), kFeatureChecked);
    EXPECT_EQ(rowImage(2), kFeaturePartial);
}

TEST_F(ReportWindowTest, ChangingTabsShowsThatDocument) {
    ReportDocument* first = addDocument("first", {"Mean"}, 4, "First run\r\n");
    addDocument("second", {"Mean", "Skewness"});
    _Report->ReportRefreshTabs();
    _Report->tabControl()->setCurrentIndex(0);
    EXPECT_EQ(_Report->CurrentReport, first);
    EXPECT_EQ(_Report->headerMemo()->toPlainText(), "First run\n");
    EXPECT_EQ(model()->rowCount(), 2);
}

TEST_F(ReportWindowTest, AnAnalysisRunShowsItsDocumentInTheReport) {
    registerProgressJob(kMode2D, [] {
        return std::optional<ProgressJob>(ProgressJob{&completeAtOnce, &addScannedDocument});
    });
    _vantu->state.GreyImage = newPlane(8, 8);
    _vantu->state.RoiMap = newPlane(8, 8);  // the whole image in ROI 1
    std::fill_n(_vantu->state.RoiMap->current, 64, uint16_t{1});
    _vantu->Run1Click();
    EXPECT_EQ(tabTexts(), std::vector<QString>{"scan.bmp"});
    EXPECT_EQ(_Report->CurrentReport, NthReportDocument(0));
    EXPECT_TRUE(_Report->isVisible());
    EXPECT_TRUE(_vantu->action("Report")->isChecked());
}

TEST_F(ReportWindowTest, EveryRunBringsAMinimisedReportWindowBackToTheFront) {
    registerProgressJob(kMode2D, [] {
        return std::optional<ProgressJob>(ProgressJob{&completeAtOnce, &addScannedDocument});
    });
    _vantu->state.GreyImage = newPlane(8, 8);
    _vantu->state.RoiMap = newPlane(8, 8);  // the whole image in ROI 1
    std::fill_n(_vantu->state.RoiMap->current, 64, uint16_t{1});
    _vantu->show();
    for (int run = 1; run <= 3; ++run) {
        SCOPED_TRACE(run);
        _Report->showMinimized();
        _vantu->activateWindow();
        _vantu->Run1Click();
        EXPECT_FALSE(_Report->isMinimized());
        EXPECT_TRUE(_Report->isVisible());
        EXPECT_TRUE(QTest::qWaitForWindowActive(_Report));
        EXPECT_EQ(_Report->tabCount, run);
    }
}

TEST_F(ReportWindowTest, ShowingTheWindowCatchesUpWithNewDocuments) {
    addDocument("made while hidden", {"Mean"});
    _vantu->action("Report")->trigger();
    EXPECT_EQ(tabTexts(), std::vector<QString>{"made while hidden"});
    EXPECT_EQ(model()->rowCount(), 2);
}

TEST_F(ReportWindowTest, CheckingARowByMouseChecksTheFeatureInEveryDocument) {
    addDocument("first", {"Mean", "Variance"});
    addDocument("second", {"Mean", "Skewness", "Variance"});
    _Report->ReportRefreshTabs();
    showWindow();

    ASSERT_EQ(rowImage(1), kFeatureChecked);
    pressRow(1, 5);  // "Mean", on its image
    EXPECT_EQ(rowImage(1), kFeatureUnchecked);
    EXPECT_EQ(FeatureNameState("Mean"), kFeatureUnchecked);
    _Report->tabControl()->setCurrentIndex(0);
    EXPECT_EQ(rowImage(1), kFeatureUnchecked);
    pressRow(1, 17);
    EXPECT_EQ(rowImage(1), kFeatureChecked);
    _Report->tabControl()->setCurrentIndex(1);
    EXPECT_EQ(rowImage(1), kFeatureChecked);

    // Beyond the image the press only highlights the row.
    pressRow(1, 18);
    pressRow(1, 60);
    EXPECT_EQ(rowImage(1), kFeatureChecked);

    // Held by one document only: image 2, and a press changes nothing.
    ASSERT_EQ(rowImage(2), kFeaturePartial);
    pressRow(2, 5);
    EXPECT_EQ(rowImage(2), kFeaturePartial);
    EXPECT_EQ(featureNameUses("Skewness"), 1);
    // Auxiliary record: no check at all.
    pressRow(0, 5);
    EXPECT_EQ(rowImage(0), kFeatureUnknown);
}

TEST_F(ReportWindowTest, SelectAllDeselectAllAndInvert) {
    addDocument("first", {"A", "B", "C"});
    addDocument("second", {"A", "B", "C", "Only"});
    _Report->ReportRefreshTabs();

    _Report->action("&Deselect all")->trigger();
    for (int row = 1; row <= 3; ++row) EXPECT_EQ(rowImage(row), kFeatureUnchecked) << row;
    EXPECT_EQ(rowImage(4), kFeaturePartial);
    _Report->action("Select &all")->trigger();
    for (int row = 1; row <= 3; ++row) EXPECT_EQ(rowImage(row), kFeatureChecked) << row;

    selectFeatureName("B", false);
    _Report->action("Invert selection")->trigger();
    EXPECT_EQ(rowImage(1), kFeatureUnchecked);
    EXPECT_EQ(rowImage(2), kFeatureChecked);
    EXPECT_EQ(rowImage(3), kFeatureUnchecked);
    EXPECT_EQ(rowImage(4), kFeaturePartial);
    EXPECT_EQ(featureNameUses("Only"), 1);
}

TEST_F(ReportWindowTest, SelectAndDeselectHighlightedRows) {
    addDocument("first", {"A", "B", "C"});
    _Report->ReportRefreshTabs();
    _Report->action("&Deselect all")->trigger();
    QTableView* list = _Report->listView();
    list->selectRow(1);
    list->selectionModel()->select(model()->index(3, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    _Report->action("Select &highlighted")->trigger();
    EXPECT_EQ(rowImage(1), kFeatureChecked);
    EXPECT_EQ(rowImage(2), kFeatureUnchecked);
    EXPECT_EQ(rowImage(3), kFeatureChecked);
    list->selectRow(3);
    _Report->action("De&select highlighted")->trigger();
    EXPECT_EQ(rowImage(1), kFeatureChecked);
    EXPECT_EQ(rowImage(3), kFeatureUnchecked);
}

TEST_F(ReportWindowTest, AggregatingTheLastOfThreeTabsLeavesTwoWithTheLastSelected) {
    addDocument("a", {"Mean"});
    ReportDocument* b = addDocument("b", {"Mean"}, 4, "Run B\r\n");
    addDocument("c", {"Mean"}, 4, "Run C\r\n");
    b->saved = 1;
    b->path = "/data/b.par";
    b->roiName[0] = "healthy";
    b->roiState[1] = kRoiExcluded;
    _Report->ReportRefreshTabs();
    ASSERT_EQ(_Report->tabControl()->currentIndex(), 2);

    _Report->action("Aggregate reports")->trigger();

    EXPECT_EQ(tabTexts(), (std::vector<QString>{"a", "b"}));
    EXPECT_EQ(_Report->tabControl()->currentIndex(), 1);
    ASSERT_EQ(_Report->CurrentReport, b);
    EXPECT_EQ(b->recordCount(), 4);
    EXPECT_EQ(b->header, "Run B\r\n\r\n\r\nRun C\r\n");
    EXPECT_EQ(model()->rowCount(), 4);
    // The merged records are in no file yet.
    EXPECT_EQ(b->saved, 0u);
    EXPECT_EQ(b->roiName[0], "healthy");
    EXPECT_EQ(b->roiState[1], kRoiExcluded);
    EXPECT_EQ(FeatureNameState("Mean"), kFeatureChecked);
    EXPECT_EQ(featureNameUses("Mean"), 3);
}

TEST_F(ReportWindowTest, TheFirstTabCannotBeAggregated) {
    addDocument("a", {"Mean"});
    addDocument("b", {"Mean"});
    _Report->ReportRefreshTabs();
    _Report->tabControl()->setCurrentIndex(0);
    _Report->AggregateClick();
    EXPECT_EQ(reportDocumentCount(), 2);
    EXPECT_EQ(tabTexts().size(), 2u);
}

TEST_F(ReportWindowTest, ClosingAnUnsavedDocumentAsksAndCancelKeepsIt) {
    addDocument("a", {"Mean"});
    addDocument("b", {"Mean"});
    _Report->ReportRefreshTabs();

    dialogs.messageAnswers.push_back(MessageResult::Cancel);
    _Report->action("&Close")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const platform::MessageRequest& asked = dialogs.messages[0];
    EXPECT_EQ(asked.caption, "Warning");
    EXPECT_EQ(asked.text, "Report not saved!\r\nClose anyway?");
    EXPECT_EQ(asked.buttons, MessageButtons::OkCancel);
    EXPECT_EQ(asked.icon, MessageIcon::Warning);
    EXPECT_EQ(asked.defaultButton, 1);
    EXPECT_EQ(reportDocumentCount(), 2);
    EXPECT_EQ(tabTexts().size(), 2u);

    dialogs.messageAnswers.push_back(MessageResult::Ok);
    _Report->closeButton()->click();
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(tabTexts(), std::vector<QString>{"a"});
    EXPECT_EQ(_Report->CurrentReport, NthReportDocument(0));
}

TEST_F(ReportWindowTest, ASavedDocumentClosesWithoutAsking) {
    ReportDocument* a = addDocument("a", {"Mean"});
    a->saved = 1;
    _Report->ReportRefreshTabs();
    _Report->CloseClick();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(reportDocumentCount(), 0);
    EXPECT_EQ(tabTexts(), std::vector<QString>{" "});
    EXPECT_EQ(_Report->CurrentReport, nullptr);
    EXPECT_EQ(model()->rowCount(), 0);
    _Report->CloseClick();  // nothing left: nothing happens
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ReportWindowTest, CloseAllAsksOnceWhenAnyDocumentIsUnsaved) {
    addDocument("a", {"Mean"})->saved = 1;
    addDocument("b", {"Mean"});
    _Report->ReportRefreshTabs();

    dialogs.messageAnswers.push_back(MessageResult::Cancel);
    _Report->action("Close &all")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Some of reports are not saved!\r\nClose anyway?");
    EXPECT_EQ(dialogs.messages[0].caption, "Warning");
    EXPECT_EQ(dialogs.messages[0].defaultButton, 1);
    EXPECT_EQ(reportDocumentCount(), 2);

    dialogs.messageAnswers.push_back(MessageResult::Ok);
    _Report->Closeall1Click();
    EXPECT_EQ(reportDocumentCount(), 0);
    EXPECT_EQ(tabTexts(), std::vector<QString>{" "});
    EXPECT_EQ(featureNameCount(), 0);
    _Report->Closeall1Click();
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(ReportWindowTest, SaveAllWritesNewDocumentsIntoTheChosenFolderWithoutThePrefix) {
    platform::testing::TempDir dir;
    ReportDocument* kept = addDocument("kept", {"Mean"});
    kept->path = dir.file("kept.par");
    kept->saved = 1;
    addDocument("scan1.bmp", {"Mean"});
    addDocument("old.par", {"Mean"});
    addDocument("upper.PAR", {"Mean"});
    _Report->ReportRefreshTabs();
    _Report->tabControl()->setCurrentIndex(0);

    dialogs.fileAnswers.push_back({true, dir.path() + "/new*", 1});
    _Report->action("Save all reports...")->trigger();

    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogs[0].title, "Choose folder & prefix for new files");
    EXPECT_EQ(dialogs.fileDialogs[0].fileName, "*");
    EXPECT_TRUE(dialogs.messages.empty());
    for (const char* name : {"kept.par", "scan1.bmp.par", "old.par", "upper.PAR.par"})
        EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
    EXPECT_FALSE(std::filesystem::exists(dir.file("newscan1.bmp.par")));
    EXPECT_EQ(unsavedReportCount(), 0);
    EXPECT_EQ(NthReportDocument(1)->path, dir.file("scan1.bmp.par"));
    // Each document's own tab takes its new name; the selection stays.
    EXPECT_EQ(tabTexts(),
              (std::vector<QString>{"kept.par", "scan1.bmp.par", "old.par", "upper.PAR.par"}));
    EXPECT_EQ(_Report->tabControl()->currentIndex(), 0);
}

TEST_F(ReportWindowTest, SaveAllAsksNothingWhenEveryDocumentIsSavedOrHasAFile) {
    platform::testing::TempDir dir;
    ReportDocument* a = addDocument("a", {"Mean"});
    a->saved = 1;
    _Report->ReportRefreshTabs();
    _Report->Save3Click();
    EXPECT_TRUE(dialogs.fileDialogs.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.par")));
    a->path = dir.file("a.par");

    ReportDocument* b = addDocument("b", {"Mean"});
    b->path = dir.file("b.par");
    _Report->ReportRefreshTabs();
    _Report->Save3Click();
    EXPECT_TRUE(dialogs.fileDialogs.empty());
    EXPECT_TRUE(std::filesystem::exists(dir.file("b.par")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("a.par")));  // rewritten, saved or not
    EXPECT_EQ(b->saved, 1u);
}

TEST_F(ReportWindowTest, SaveAllCancelledWritesNothingAndFailuresAreReported) {
    platform::testing::TempDir dir;
    ReportDocument* a = addDocument("a", {"Mean"});
    _Report->ReportRefreshTabs();
    _Report->Save3Click();  // the scripted dialog cancels
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(a->saved, 0u);

    dialogs.fileAnswers.push_back({true, dir.path() + "/no/such/folder/x", 1});
    _Report->Save3Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(dialogs.messages[0].text,
              parFileMessage(ParFileStatus::CannotCreate, dir.path() + "/no/such/folder/a.par"));
    EXPECT_EQ(a->saved, 0u);
    EXPECT_EQ(tabTexts(), std::vector<QString>{"a"});
}

TEST_F(ReportWindowTest, SaveAsProposesTheTabCaptionAndRenamesTheTab) {
    platform::testing::TempDir dir;
    addDocument("first", {"Mean"});
    ReportDocument* second = addDocument("second", {"Mean"});
    _Report->ReportRefreshTabs();

    dialogs.fileAnswers.push_back({true, dir.file("result.par"), 1});
    _Report->action("Save report as...")->trigger();
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    const platform::FileDialogRequest& asked = dialogs.fileDialogs[0];
    EXPECT_EQ(asked.kind, platform::FileDialogKind::Save);
    EXPECT_EQ(asked.title, "Save Report");
    EXPECT_EQ(asked.filter, "Report text file (*.par)|*.par");
    EXPECT_EQ(asked.defaultExtension, ".par");
    EXPECT_TRUE(asked.overwritePrompt);
    EXPECT_EQ(asked.fileName, "second");
    EXPECT_EQ(second->saved, 1u);
    EXPECT_EQ(second->path, dir.file("result.par"));
    EXPECT_EQ(tabTexts(), (std::vector<QString>{"first", "result.par"}));
    EXPECT_EQ(dir.read("result.par"), encodeParFile(*second));
}

TEST_F(ReportWindowTest, AFailedSaveAsSaysSoAndLeavesTheDocumentUnsaved) {
    platform::testing::TempDir dir;
    ReportDocument* a = addDocument("a", {"Mean"});
    _Report->ReportRefreshTabs();
    const std::string path = dir.path() + "/missing/a.par";
    dialogs.fileAnswers.push_back({true, path, 1});
    _Report->Save1Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(dialogs.messages[0].text, parFileMessage(ParFileStatus::CannotCreate, path));
    EXPECT_EQ(a->saved, 0u);
    EXPECT_EQ(a->path, "");
    EXPECT_EQ(tabTexts(), std::vector<QString>{"a"});
}

TEST_F(ReportWindowTest, SaveRewritesTheFileOrAsksForOneAndReportsAFailure) {
    platform::testing::TempDir dir;
    ReportDocument* a = addDocument("a", {"Mean"});
    _Report->ReportRefreshTabs();

    // Without a file it acts as "Save report as...".
    dialogs.fileAnswers.push_back({true, dir.file("a.par"), 1});
    _Report->action("&Save report")->trigger();
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(a->saved, 1u);

    a->saved = 0;
    a->roiName[0] = "renamed";
    _Report->Save2Click();
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(a->saved, 1u);
    EXPECT_NE(dir.read("a.par").find("Clnm1\trenamed"), std::string::npos);

    a->saved = 0;
    a->path = dir.path() + "/gone/a.par";
    _Report->Save2Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text, "Error writing the file! Try to use \"Save as\" option.");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(a->saved, 0u);
}

TEST_F(ReportWindowTest, CommandsWithoutADocumentDoNothing) {
    _Report->ReportRefreshTabs();
    _Report->Save2Click();
    _Report->Save1Click();
    _Report->Save3Click();
    _Report->AggregateClick();
    _Report->CheckallClick();
    _Report->Invert1Click();
    _Report->ListView1ColumnClick(1);
    EXPECT_FALSE(_Report->ListView1MouseDown(QPoint(5, 5)));
    EXPECT_TRUE(dialogs.fileDialogs.empty());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(tabTexts(), std::vector<QString>{" "});
}

TEST_F(ReportWindowTest, LoadingAMalformedFileShowsTheReadersMessageAndMakesNoDocument) {
    platform::testing::TempDir dir;
    const std::string bad = dir.write("bad.par", "just some text\r\nno separators\r\n");
    dialogs.fileAnswers.push_back({true, bad, 1});
    _Report->action("&Load report...")->trigger();

    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogs[0].title, "Load Report");
    EXPECT_EQ(dialogs.fileDialogs[0].filter, "Report text file (*.par)|*.par");
    EXPECT_TRUE(dialogs.fileDialogs[0].mustExist);
    EXPECT_TRUE(dialogs.fileDialogs[0].multiSelect);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(dialogs.messages[0].text, LoadReportPar(bad).message);
    EXPECT_EQ(reportDocumentCount(), 0);
    EXPECT_EQ(tabTexts(), std::vector<QString>{" "});
}

TEST_F(ReportWindowTest, SaveAndLoadRoundTrip) {
    platform::testing::TempDir dir;
    ReportDocument* original = addDocument("run", {"Mean", "Variance"}, 3, "Image: a.bmp\r\n");
    original->roiName[0] = "healthy";
    original->roiName[2] = "tumour";
    original->records[1].values[1] = kInf;
    original->records[2].values[0] = 1.0 / 3.0;
    _Report->ReportRefreshTabs();
    dialogs.fileAnswers.push_back({true, dir.file("run.par"), 1});
    _Report->Save1Click();
    const std::vector<FeatureRecord> records = original->records;
    _Report->CloseClick();
    ASSERT_EQ(reportDocumentCount(), 0);
    ASSERT_TRUE(dialogs.messages.empty());

    // Two files at once, loaded in order; a bad one in between is reported and skipped.
    const std::string bad = dir.write("bad.par", "nothing here");
    platform::FileDialogResult answer{true, dir.file("run.par"), 1};
    answer.paths = {dir.file("run.par"), bad, dir.file("run.par")};
    dialogs.fileAnswers.push_back(answer);
    _Report->Load1Click();

    EXPECT_EQ(dialogs.messages.size(), 1u);
    ASSERT_EQ(reportDocumentCount(), 2);
    EXPECT_EQ(tabTexts(), (std::vector<QString>{"run.par", "run.par"}));
    EXPECT_EQ(_Report->tabControl()->currentIndex(), 1);
    ReportDocument* loaded = _Report->CurrentReport;
    ASSERT_EQ(loaded, NthReportDocument(1));
    EXPECT_EQ(loaded->saved, 1u);
    EXPECT_EQ(loaded->path, dir.file("run.par"));
    EXPECT_EQ(loaded->header, "Image: a.bmp\r\n");
    EXPECT_EQ(loaded->roiName[0], "healthy");
    EXPECT_EQ(loaded->roiName[1], "");
    EXPECT_EQ(loaded->roiName[2], "tumour");
    ASSERT_EQ(loaded->recordCount(), 3);
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(recordName(loaded->records[i]), recordName(records[i]));
        for (size_t k = 0; k < 16; ++k) {
            if (std::isinf(records[i].values[k])) {
                EXPECT_TRUE(std::isinf(loaded->records[i].values[k]));
            } else {
                EXPECT_NEAR(loaded->records[i].values[k], records[i].values[k],
                            1e-7 * std::abs(records[i].values[k]));
            }
        }
    }
    EXPECT_EQ(caption(1), "healthy");
    EXPECT_EQ(caption(2), "2");
    EXPECT_EQ(cell(1, 2), "NaN");
    EXPECT_EQ(cell(2, 1), "0.33333");
    EXPECT_EQ(unsavedReportCount(), 0);
}

TEST_F(ReportWindowTest, TheClassNameDialogOpensOverTheReportAndLeavesItInFront) {
    ReportDocument* a = addDocument("a", {"Mean"});
    a->saved = 1;
    _Report->ReportRefreshTabs();
    _vantu->show();
    showWindow();
    _Report->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(_Report));
    QWidget* ownerBefore = _OptionsClass->parentWidget();
    QWidget* parentWhileOpen = nullptr;
    EXPECT_TRUE(clickColumn(2, [&](TOptionsClass& dialog) {
        parentWhileOpen = dialog.parentWidget();
        dialog.nameEdit()->setText("b");
        dialog.scopeButton(1)->setChecked(true);
        dialog.accept();
    }));
    EXPECT_EQ(parentWhileOpen, _Report);
    EXPECT_EQ(_OptionsClass->parentWidget(), ownerBefore);
    EXPECT_TRUE(_OptionsClass->isWindow());
    EXPECT_EQ(a->roiName[1], "b");
    EXPECT_TRUE(_Report->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(_Report));
}

TEST_F(ReportWindowTest, AColumnClickRenamesTheColumnThroughTheClassNameDialog) {
    ReportDocument* a = addDocument("a", {"Mean"});
    a->saved = 1;
    a->roiName[2] = "old";
    _Report->ReportRefreshTabs();

    bool checkedBefore = false;
    QString labelBefore;
    QString nameBefore;
    EXPECT_TRUE(clickColumn(3, [&](TOptionsClass& dialog) {
        checkedBefore = dialog.useBox()->isChecked();
        labelBefore = dialog.nameLabel()->text();
        nameBefore = dialog.nameEdit()->text();
        dialog.nameEdit()->setText("new");
        dialog.useBox()->setChecked(false);
        dialog.scopeButton(1)->setChecked(true);
        dialog.accept();
    }));
    EXPECT_TRUE(checkedBefore);
    EXPECT_EQ(labelBefore, "Roi3 class &name:");
    EXPECT_EQ(nameBefore, "old");
    EXPECT_EQ(a->roiName[2], "new");
    EXPECT_EQ(a->roiState[2], kRoiExcluded);
    EXPECT_EQ(a->saved, 0u);
    EXPECT_EQ(caption(3), "new");
    EXPECT_EQ(columnImage(3), kRoiExcluded);

    // The dialog shows the excluded state; Cancel changes nothing.
    EXPECT_TRUE(clickColumn(3, [&](TOptionsClass& dialog) {
        checkedBefore = dialog.useBox()->isChecked();
        dialog.nameEdit()->setText("other");
        dialog.reject();
    }));
    EXPECT_FALSE(checkedBefore);
    EXPECT_EQ(a->roiName[2], "new");

    // Empty columns and the name column open nothing.
    EXPECT_FALSE(clickColumn(5, [](TOptionsClass& dialog) { dialog.reject(); }));
    EXPECT_FALSE(clickColumn(0, [](TOptionsClass& dialog) { dialog.reject(); }));
}

TEST_F(ReportWindowTest, ClassScopeFromTheHeaderReachesEveryDocument) {
    ReportDocument* a = addDocument("a", {"Mean"});
    ReportDocument* b = addDocument("b", {"Mean"});
    a->saved = b->saved = 1;
    _Report->ReportRefreshTabs();
    showWindow();

    bool opened = false;
    QTimer::singleShot(0, [&] {
        opened = _OptionsClass->isVisible();
        _OptionsClass->nameEdit()->setText("healthy");
        _OptionsClass->scopeButton(2)->setChecked(true);
        _OptionsClass->accept();
    });
    QHeaderView* header = _Report->listView()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 20, header->height() / 2));
    EXPECT_TRUE(opened);
    for (ReportDocument* d : {a, b}) {
        EXPECT_EQ(d->roiName[1], "healthy");
        EXPECT_EQ(d->saved, 0u);
    }
    EXPECT_EQ(caption(2), "healthy");
}

TEST_F(ReportWindowTest, HideAndCloseUncheckTheMainWindowsReportItem) {
    QAction* report = _vantu->action("Report");
    report->trigger();
    ASSERT_TRUE(report->isChecked());
    _Report->action("&Hide")->trigger();
    EXPECT_TRUE(_Report->isHidden());
    EXPECT_FALSE(report->isChecked());

    report->trigger();
    ASSERT_TRUE(report->isChecked());
    _Report->close();
    EXPECT_TRUE(_Report->isHidden());
    EXPECT_FALSE(report->isChecked());
}

TEST_F(ReportWindowTest, EveryCommandIsThereAndEnabled) {
    for (const char* caption : {"&Load report...",
                                "&Save report",
                                "Save report as...",
                                "Save all reports...",
                                "Aggregate reports",
                                "&Close",
                                "Close &all",
                                "&Hide",
                                "Select &all",
                                "&Deselect all",
                                "Invert selection",
                                "Select &highlighted",
                                "De&select highlighted",
                                "Save selecte&d...",
                                "&R62 analysis",
                                "&Fisher",
                                "&POE+ACC",
                                "&Mutual information",
                                "Singles",
                                "Pairs",
                                "Convex border",
                                "&3D feature space",
                                "Triplets",
                                "MI+PA+F (30)"}) {
        QAction* item = _Report->action(caption);
        ASSERT_NE(item, nullptr) << caption;
        EXPECT_TRUE(item->isEnabled()) << caption;
    }
    EXPECT_NE(_Report->menu("Optimal subsets"), nullptr);
}

}  // namespace
