// What a user reads in the report window's list: whole class names, whole
// feature names, numbers with their exponents, a tooltip where a text is cut,
// columns the user can widen, and a window that opens on the screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <string>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/forms/report_list_delegate.h"
#include "analysis/forms/report_list_model.h"
#include "analysis/forms/report_window.h"
#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "workspace/forms/class_name_dialog.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

// The demo's four classes, and values that print with exponents.
ReportDocument* addDemoDocument() {
    std::vector<FeatureRecord> records(3);
    setRecordName(records[0], "_Area");
    setRecordName(records[1], "S(1,0)AngScMom");
    setRecordName(records[2], "WavEnHL_s-4_long_feature_name");
    const double area[] = {7213, 4194304, 7213, 6400};
    const double angular[] = {0.005607, 4.6678e-05, -1.2345e-300, 0.00059871};
    for (size_t k = 0; k < 4; ++k) {
        records[0].values[k] = area[k];
        records[1].values[k] = angular[k];
        records[2].values[k] = 1.0;
    }
    ReportDocument* document =
        NewReportDocument(static_cast<int>(records.size()), records.data(), "Run\r\n", "demo");
    const char* classes[] = {"coarse_stripes", "fine_stripes", "checkerboard", "noise"};
    for (size_t k = 0; k < 4; ++k) document->roiName[k] = classes[k];
    return document;
}

class ReportListLayoutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        analysisSettings().reset();
        createVantuWindows();
    }
    void TearDown() override {
        destroyVantuWindows();
        resetReportDocuments();
        analysisSettings().reset();
    }

    QTableView* list() const { return _Report->listView(); }
    QModelIndex at(int row, int column) const { return list()->model()->index(row, column); }
    // The view's own drawing options for a cell, as its delegate gets them.
    QStyleOptionViewItem optionFor(const QModelIndex& index) const {
        QStyleOptionViewItem option;
        option.initFrom(list()->viewport());
        option.widget = list();
        option.font = list()->font();
        option.fontMetrics = QFontMetrics(list()->font());
        option.rect = list()->visualRect(index);
        option.decorationSize = list()->iconSize();
        option.features |= QStyleOptionViewItem::HasDisplay;
        if (index.column() == 0) option.features |= QStyleOptionViewItem::HasDecoration;
        return option;
    }
    bool cut(int row, int column) const {
        return ReportListDelegate::textIsCut(optionFor(at(row, column)), at(row, column));
    }
    // The tooltip the pointer resting on a cell brings up ("" for none).
    QString tooltipAt(int row, int column) {
        QToolTip::hideText();
        const QRect rect = list()->visualRect(at(row, column));
        QHelpEvent help(QEvent::ToolTip, rect.center(),
                        list()->viewport()->mapToGlobal(rect.center()));
        QApplication::sendEvent(list()->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }

    platform::testing::ScopedRegistryStore store;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
};

TEST_F(ReportListLayoutTest, ColumnsFitTheirWidestTextsOnRefresh) {
    addDemoDocument();
    _Report->resize(1200, 600);
    _Report->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(_Report));
    _Report->ReportRefreshTabs();

    QHeaderView* header = list()->horizontalHeader();
    const QFontMetrics headerFont(header->font());
    for (int k = 1; k <= 4; ++k) {
        const QString caption = list()->model()->headerData(k, Qt::Horizontal).toString();
        // The whole class name fits its header: "coarse_stripes" and
        // "fine_stripes" no longer both read "e_stripes".
        EXPECT_GE(header->sectionSize(k), header->sectionSizeHint(k)) << caption.toStdString();
        EXPECT_GT(header->sectionSize(k), headerFont.horizontalAdvance(caption));
        for (int row = 0; row < 3; ++row) EXPECT_FALSE(cut(row, k)) << row << " " << k;
    }
    EXPECT_FALSE(cut(2, 0));
    EXPECT_EQ(list()->model()->data(at(1, 2)).toString(), "4.6678e-05");
    EXPECT_EQ(list()->model()->data(at(0, 2)).toString(), "4.1943e+06");
    EXPECT_EQ(list()->model()->data(at(1, 3)).toString(), "-1.2345e-300");
    // Short columns keep their first widths.
    EXPECT_EQ(list()->columnWidth(16), 70);
    // Nothing is cut, so the pointer brings up no tooltip.
    EXPECT_EQ(tooltipAt(1, 2), QString());
}

TEST_F(ReportListLayoutTest, TheUserMayNarrowAColumnAndACutTextShowsWholeAsATooltip) {
    addDemoDocument();
    _Report->resize(1200, 600);
    _Report->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(_Report));
    _Report->ReportRefreshTabs();

    QHeaderView* header = list()->horizontalHeader();
    EXPECT_EQ(header->sectionResizeMode(2), QHeaderView::Interactive);
    header->resizeSection(2, 40);
    header->resizeSection(0, 60);
    EXPECT_TRUE(cut(1, 2));
    EXPECT_TRUE(cut(2, 0));
    EXPECT_EQ(tooltipAt(1, 2), "4.6678e-05");
    EXPECT_EQ(tooltipAt(2, 0), "WavEnHL_s-4_long_feature_name");

    // A refresh sizes the columns to their contents again.
    _Report->ReportRefreshTabs();
    EXPECT_FALSE(cut(1, 2));
    EXPECT_FALSE(cut(2, 0));
    QToolTip::hideText();
}

TEST_F(ReportListLayoutTest, ALongerClassNameWidensItsColumn) {
    addDemoDocument();
    _Report->ReportRefreshTabs();
    QHeaderView* header = list()->horizontalHeader();
    const int before = header->sectionSize(4);
    QTimer::singleShot(0, [] {
        if (!_OptionsClass->isVisible()) return;
        _OptionsClass->nameEdit()->setText("heterogeneous_noise_texture");
        _OptionsClass->scopeButton(1)->setChecked(true);
        _OptionsClass->accept();
    });
    _Report->ListView1ColumnClick(4);
    QCoreApplication::processEvents();
    EXPECT_EQ(list()->model()->headerData(4, Qt::Horizontal).toString(),
              "heterogeneous_noise_texture");
    EXPECT_GT(header->sectionSize(4), before);
    EXPECT_GE(header->sectionSize(4), header->sectionSizeHint(4));
}

TEST_F(ReportListLayoutTest, HeaderCaptionsGiveTheirWholeTextAsATooltip) {
    addDemoDocument();
    _Report->ReportRefreshTabs();
    EXPECT_EQ(list()->model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
              "coarse_stripes");
    EXPECT_EQ(list()->model()->headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString(),
              "Feature name");
}

TEST_F(ReportListLayoutTest, TheWindowOpensInsideTheFreeScreenArea) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect free = screen->availableGeometry();
    // Placed so that its bottom would hang below the screen.
    _Report->move(free.left() + 10, free.bottom() - 200);
    _Report->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(_Report));
    QTest::qWait(300);
    EXPECT_TRUE(free.contains(_Report->frameGeometry()))
        << _Report->frameGeometry().y() << "+" << _Report->frameGeometry().height() << " in "
        << free.height();
}

}  // namespace
