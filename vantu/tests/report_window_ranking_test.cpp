// The report window's ranking commands on the real windows, offscreen: the
// worker behind the progress window, the result box, Cancel in either, and
// the macro command that takes the result without asking.
#include <gtest/gtest.h>

#include <QEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "analysis/forms/macro_host.h"
#include "analysis/forms/progress_window.h"
#include "analysis/forms/report_list_model.h"
#include "analysis/forms/report_window.h"
#include "analysis/forms/selection_box.h"
#include "analysis/tests/reports/selection_test_documents.h"
#include "platform/dialogs.h"
#include "vantu/window_composition.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

class ReportRankingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        createVantuWindows();
        _Report->selectionBox = [this](const std::string& title, const std::string& text) {
            boxes.push_back({title, text});
            return boxAnswer;
        };
    }
    void TearDown() override {
        destroyVantuWindows();
        resetReportDocuments();
    }

    // Two classes of three samples; feature "d<k>" separates them by k.
    void addStudy(int features) {
        std::vector<TestFeature> list;
        for (int f = 0; f < features; ++f) {
            TestFeature feature{"d" + std::to_string(f), {}};
            for (int s = 0; s < 6; ++s)
                feature.values.push_back((s < 3 ? 0.0 : 0.01 * f) + ((s * 7 + f * 3) % 5));
            list.push_back(feature);
        }
        addSelectionDocument({"A", "A", "A", "B", "B", "B"}, list);
        _Report->ReportRefreshTabs();
    }

    std::vector<std::string> checkedNames() const {
        std::vector<std::string> names;
        for (int i = 0; i < featureNameCount(); ++i)
            if (featureNameStateAt(i) == kFeatureChecked) names.push_back(featureNameAt(i));
        return names;
    }

    struct Box {
        std::string title, text;
    };
    std::vector<Box> boxes;
    bool boxAnswer = false;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
};

TEST_F(ReportRankingTest, CancelInTheBoxKeepsEveryCheckButFillsTheRankingList) {
    addStudy(14);
    selectFeatureName("d3", false);
    const std::vector<std::string> before = checkedNames();
    _Report->action("&Fisher")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Fisher coefficient");
    EXPECT_EQ(boxes[0].text.rfind("Feature name:\tF:\r\n---------------------------\r\n", 0), 0u);
    EXPECT_EQ(checkedNames(), before);
    EXPECT_EQ(_Report->rankingList.size(), 10u);
    EXPECT_EQ(_Progress->completionCode(), 101);
    EXPECT_FALSE(_Progress->running());
}

TEST_F(ReportRankingTest, OkChecksExactlyTheWinners) {
    addStudy(14);
    boxAnswer = true;
    _Report->action("Pairs")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Feature pairs");
    // Every feature named in the text is checked, and no other.
    for (const std::string& name : checkedNames())
        EXPECT_NE(boxes[0].text.find(name + "\t"), std::string::npos) << name;
    for (int f = 0; f < 14; ++f) {
        const std::string name = "d" + std::to_string(f);
        const bool inText = boxes[0].text.find("\n" + name + "\t") != std::string::npos ||
                            boxes[0].text.find("\t" + name + "\t") != std::string::npos;
        EXPECT_EQ(FeatureNameState(name) == kFeatureChecked, inText) << name;
    }
    // The list shows the new marks.
    EXPECT_EQ(_Report->listModel()
                  ->data(_Report->listModel()->index(1, 0), ReportListModel::kImageRole)
                  .toInt(),
              FeatureNameState(recordName(NthReportDocument(0)->records[1])));
}

// Presses Cancel from the event loop once the progress window has been
// shown, that is once its worker runs.
class CancelOnceShown : public QObject {
  public:
    explicit CancelOnceShown(TProgress* progress) : progress_(progress) {
        progress_->installEventFilter(this);
    }
    ~CancelOnceShown() override { progress_->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == progress_ && event->type() == QEvent::Show)
            QTimer::singleShot(0, progress_, [p = progress_] { p->CancelClick(); });
        return false;
    }

  private:
    TProgress* progress_;
};

TEST_F(ReportRankingTest, ACancelledTriplesRunLeavesEverythingAsItWas) {
    addStudy(300);  // 4.5 million triples: far longer than the cancel takes to come
    selectFeatureName("d5", false);
    const std::vector<std::string> before = checkedNames();
    _Report->rankingList = {"kept"};
    // Cancel right after the window has started the worker: a fixed delay
    // raced a fast machine that finished the whole run first.
    CancelOnceShown cancel(_Progress);
    _Report->action("Triplets")->trigger();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(checkedNames(), before);
    EXPECT_EQ(_Report->rankingList, std::vector<std::string>{"kept"});
    EXPECT_EQ(_Progress->completionCode(), 0);
    EXPECT_FALSE(_Progress->running());  // the worker was joined, not left behind
}

TEST_F(ReportRankingTest, ASetUpFailureIsShownAndNothingRuns) {
    addSelectionDocument({"A", "A", "B"}, {{"x", {1, 2, 3}}});
    _Report->ReportRefreshTabs();
    _Report->action("Singles")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text,
              "Only one ROI or only one sample of some feature\rNo analysis performed");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(FeatureNameState("x"), kFeatureChecked);
}

TEST_F(ReportRankingTest, TheMacroCommandTakesTheResultWithoutTheBox) {
    addStudy(14);
    VantuMacroHost host(_vantu);
    host.featureSelection(MacroFeatureSelection::Fisher);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(checkedNames().size(), 10u);
    EXPECT_EQ(_Report->rankingList.size(), 10u);
    for (const std::string& name : _Report->rankingList)
        EXPECT_EQ(FeatureNameState(name), kFeatureChecked);

    // MI+PA+F over 40 features: the union of three tables of ten.
    resetReportDocuments();
    addStudy(40);
    host.featureSelection(MacroFeatureSelection::Mipaf);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(checkedNames().size(), 30u);
    EXPECT_EQ(_Report->rankingList.size(), 30u);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ReportRankingTest, TheResultBoxShowsTheTextWithItsTabStops) {
    TSelectionBox box(nullptr, "Feature triples", "a\tb\r\nc\td\r\n");
    EXPECT_EQ(box.windowTitle(), "Feature triples");
    EXPECT_EQ(box.textBox()->toPlainText(), "a\tb\nc\td\n");
    EXPECT_TRUE(box.textBox()->isReadOnly());
    EXPECT_EQ(box.textBox()->tabStopDistance(), box.dialogUnitsToPixels(70));
    EXPECT_GT(box.dialogUnitsToPixels(70), 0);
    QTimer::singleShot(0, &box, [&] { box.okButton()->click(); });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    // Closing the box is Cancel.
    QTimer::singleShot(0, &box, [&] { box.close(); });
    EXPECT_EQ(box.exec(), QDialog::Rejected);
    QTimer::singleShot(0, &box, [&] { box.cancelButton()->click(); });
    EXPECT_EQ(box.exec(), QDialog::Rejected);
}

}  // namespace
