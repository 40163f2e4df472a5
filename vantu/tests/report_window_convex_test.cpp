// The report window's convex-border search and feature space on the real
// windows, offscreen.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTimer>
#include <string>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "analysis/forms/feature_space_window.h"
#include "analysis/forms/progress_window.h"
#include "analysis/forms/report_window.h"
#include "analysis/tests/reports/selection_test_documents.h"
#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

class ReportConvexTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        createVantuWindows();
        _Report->selectionBox = [this](const std::string& title, const std::string& text) {
            boxes.push_back({title, text});
            return boxAnswer;
        };
        // A = {1, 3}, B = {5, 7} in "apart"; "mixed" separates nothing.
        addSelectionDocument({"A", "A", "B", "B"},
                             {{"apart", {1, 3, 5, 7}}, {"mixed", {1, 5, 2, 6}}});
        _Report->ReportRefreshTabs();
    }
    void TearDown() override {
        destroyVantuWindows();
        resetReportDocuments();
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

}  // namespace

TEST_F(ReportConvexTest, OkChecksTheBorderFeaturesAndRanksThem) {
    boxAnswer = true;
    _Report->rankingList = {"old"};
    _Report->action("Convex border")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Neat split - convex bound");
    EXPECT_NE(boxes[0].text.find("  A = (apart >= 1.000000) && (apart <= 3.000000);\r\n"),
              std::string::npos);
    EXPECT_EQ(checkedNames(), std::vector<std::string>{"apart"});
    EXPECT_EQ(_Report->rankingList, std::vector<std::string>{"apart"});
}

TEST_F(ReportConvexTest, CancelInTheBoxKeepsChecksAndRanking) {
    const std::vector<std::string> before = checkedNames();
    _Report->rankingList = {"kept"};
    _Report->action("Convex border")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(checkedNames(), before);
    EXPECT_EQ(_Report->rankingList, std::vector<std::string>{"kept"});
}

TEST_F(ReportConvexTest, FeatureSpaceAcceptChecksTheAxesAndSavesPictures) {
    platform::testing::TempDir dir;
    // While the window is up: turn it, save it three ways, then accept.
    QTimer::singleShot(0, _FFSpace, [&] {
        EXPECT_EQ(_FFSpace->ComboBox1->currentText().toStdString(), "apart");
        EXPECT_EQ(_FFSpace->ComboBox2->currentText().toStdString(), "mixed");
        EXPECT_EQ(_FFSpace->ComboBox3->currentIndex(), 0);  // 2 mod 2
        const auto before = _FFSpace->view().rotation.matrix();
        _FFSpace->Image1MouseDown(QPoint(10, 10));
        _FFSpace->Image1MouseMove(QPoint(30, 10), Qt::LeftButton);
        EXPECT_NE(_FFSpace->view().rotation.matrix(), before);
        for (int filter = 1; filter <= 3; ++filter) {
            platform::FileDialogResult answer;
            answer.accepted = true;
            answer.filterIndex = filter;
            answer.path = dir.file("space" + std::to_string(filter));
            dialogs.fileAnswers.push_back(answer);
            _FFSpace->Button1Click();
        }
        _FFSpace->ComboBox2->setCurrentIndex(0);
        _FFSpace->comboBox2Change();
        _FFSpace->AcceptButtonClick();
    });
    _Report->action("&3D feature space")->trigger();
    // Bare names take the chosen kind's extension.
    EXPECT_EQ(dir.read("space1.emf").substr(40, 4), " EMF");
    EXPECT_EQ(static_cast<unsigned char>(dir.read("space2.wmf")[0]), 0xD7);
    EXPECT_EQ(dir.read("space3.bmp").substr(0, 2), "BM");
    EXPECT_EQ(checkedNames(), std::vector<std::string>{"apart"});
    EXPECT_EQ(_Report->rankingList, std::vector<std::string>{"apart"});
}

TEST_F(ReportConvexTest, FeatureSpaceCloseChangesNothing) {
    const std::vector<std::string> before = checkedNames();
    QTimer::singleShot(0, _FFSpace, [] { _FFSpace->CloseButtonClick(); });
    _Report->action("&3D feature space")->trigger();
    EXPECT_EQ(checkedNames(), before);
}
