// On a real X display with a window manager: every box and dialog r62 opens
// lies on top of the window manager's stacking order, also over the windows
// that stay on top (plot, dendrogram). Reads the root window's client
// stacking list with xprop; starts openbox when no window manager runs.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/dialogs.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/testing/temp_dir.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/r62_options.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/class_cluster_table.h"
#include "statistics/forms/graph_window.h"
#include "statistics/forms/r62_main_window.h"
#include "statistics/forms/tree_window.h"
#include "statistics/tests/forms/r62_test_app.h"

namespace {

const char kSel[] =
    "*label\nlabel\n*features\n1 Mean\n2 Variance\n3 Skewness\n"
    "*categories\n1 a\n2 b\n*data\n"
    "1 1 2 3\n1 2 3 5\n1 2 2 4\n2 4 1 2\n2 5 6 1\n2 6 5 2\n*end\n";

QString xprop(const QStringList& arguments) {
    QProcess process;
    process.start("xprop", arguments);
    if (!process.waitForFinished(5000)) return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

bool windowManagerRuns() {
    return xprop({"-root", "-notype", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
}

// The client windows from bottom to top.
std::vector<WId> stacking() {
    std::vector<WId> ids;
    const QString text = xprop({"-root", "-notype", "_NET_CLIENT_LIST_STACKING"});
    static const QRegularExpression hex("0x[0-9a-fA-F]+");
    for (auto match = hex.globalMatch(text); match.hasNext();)
        ids.push_back(static_cast<WId>(match.next().captured().toULongLong(nullptr, 16)));
    return ids;
}

bool onTop(const QWidget* window) {
    const std::vector<WId> ids = stacking();
    return !ids.empty() && ids.back() == window->winId();
}

// Waits until the window manager lists `window` on top of every other.
bool becomesTop(const QWidget* window) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        if (onTop(window)) return true;
        QTest::qWait(50);
    }
    return false;
}

class BoxStackingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        r62TestApplication();
        if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "no X display";
        if (QStandardPaths::findExecutable("xprop").isEmpty()) GTEST_SKIP() << "no xprop";
        if (!windowManagerRuns()) {
            if (QStandardPaths::findExecutable("openbox").isEmpty()) GTEST_SKIP() << "no openbox";
            wm.start("openbox", {"--sm-disable"});
            QElapsedTimer clock;
            clock.start();
            while (!windowManagerRuns() && clock.elapsed() < 5000) QTest::qWait(50);
            ASSERT_TRUE(windowManagerRuns());
            QTest::qWait(300);  // the manager takes over the screen
        }
        resetR62Data();
        resetR62Options();
        resetR62Shell();
        const std::string sel = dir.write("data.sel", kSel);
        main = std::make_unique<TMainWindow>(std::vector<std::string>{sel});
        ASSERT_EQ(r62Data().NewConsistentData, 1);
        platform::setDialogOwner(main.get());
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    }
    void TearDown() override {
        platform::setDialogOwner(nullptr);
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (wm.state() != QProcess::NotRunning) {
            wm.terminate();
            wm.waitForFinished(3000);
        }
    }

    // The user works in `window`. (Whether the window manager gives it the
    // focus does not matter: the box must come on top either way.)
    static void workIn(QWidget* window) {
        window->activateWindow();
        QTest::qWait(100);
    }

    // Runs `open`, which blocks in a modal box or dialog; once it shows,
    // records whether it came on top of the stacking order, then `dismiss`es it.
    bool modalOnTop(const std::function<void()>& open,
                    const std::function<void(QWidget*)>& dismiss) {
        bool top = false;
        bool seen = false;
        QTimer poll;
        poll.setInterval(50);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (seen || modal == nullptr || !modal->isVisible()) return;
            seen = true;
            top = becomesTop(modal);
            if (!top)
                ADD_FAILURE()
                    << "\"" << modal->windowTitle().toStdString() << "\" under "
                    << xprop({"-id", QString::number(stacking().back()), "WM_NAME"}).toStdString();
            dismiss(modal);
        });
        poll.start();
        open();
        poll.stop();
        return seen && top;
    }

    platform::testing::TempDir dir;
    QProcess wm;
    platform::QtDialogs dialogs{platform::QtDialogs::Mode::Interactive};
    platform::DialogBackendScope scope{dialogs};
    std::unique_ptr<TMainWindow> main;
};

void press(QWidget* box, QMessageBox::StandardButton which) {
    if (auto* message = qobject_cast<QMessageBox*>(box)) message->button(which)->click();
}

void reject(QWidget* dialog) {
    if (auto* modal = qobject_cast<QDialog*>(dialog)) modal->reject();
}

TEST_F(BoxStackingTest, BoxesAndDialogsOpenInFrontOfTheWindowsThatStayOnTop) {
    // The plot stays on top: its question and its Save As come over it.
    main->PCAClick();
    QPointer<TGraphWindow> graph = main->graphWindow();
    ASSERT_NE(graph, nullptr);
    ASSERT_TRUE(becomesTop(graph));
    workIn(graph);
    EXPECT_TRUE(modalOnTop([&] { graph->SaveClick(); }, reject)) << "Save As under the plot";
    // A box of the main window while the plot is shown.
    workIn(main.get());
    EXPECT_TRUE(
        modalOnTop([&] { main->AbouClick(); }, [](QWidget* box) { press(box, QMessageBox::Ok); }))
        << "About under the plot";
    workIn(graph);
    EXPECT_TRUE(
        modalOnTop([&] { graph->CloseClick(); }, [](QWidget* box) { press(box, QMessageBox::No); }))
        << "the unsaved-diagram question under the plot";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(graph.isNull());

    // The dendrogram stays on top: the class/cluster table opens over it.
    main->AHCClick();
    TTreeWindow* tree = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* found = dynamic_cast<TTreeWindow*>(window)) tree = found;
    ASSERT_NE(tree, nullptr);
    ASSERT_TRUE(becomesTop(tree));
    workIn(tree);
    tree->AcceptClick();
    ASSERT_NE(classClusterTableWindow(), nullptr);
    EXPECT_TRUE(becomesTop(classClusterTableWindow())) << "the table under the dendrogram";
    classClusterTableWindow()->close();
    tree->close();
}

}  // namespace
