// Every window of Vantu is used from the keyboard: each menu of a menu bar
// has its own Alt key, no two items of a menu share one, and every labelled
// control of a window or dialog page has a key of its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <map>
#include <string>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/options/grain_options.h"
#include "analysis/forms/analysis_options_dialog.h"
#include "platform/testing/alt_keys.h"
#include "vantu/window_composition.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

// Who in `texts` (shown ones) has an Alt key another has too.
std::string clashes(const std::vector<QString>& texts) {
    std::map<QString, QString> owners;
    std::string found;
    for (const QString& text : texts) {
        const QString key = platform::testing::altKeyOf(text);
        if (key.isEmpty()) continue;
        auto [at, fresh] = owners.emplace(key, text);
        if (!fresh) found += (at->second + " / " + text + "; ").toStdString();
    }
    return found;
}

void checkMenu(const QMenu* menu) {
    std::vector<QString> texts;
    for (QAction* item : menu->actions()) {
        if (!item->isVisible() || item->isSeparator()) continue;
        texts.push_back(item->text());
        if (item->menu() != nullptr) checkMenu(item->menu());
    }
    EXPECT_EQ(clashes(texts), "") << menu->title().toStdString();
}

TEST(AltKeys, EveryMenuBarAndWindowOfVantuHasDistinctAltKeys) {
    testApplication();
    createVantuWindows();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const std::string name = window->objectName().toStdString();
        for (const QMenuBar* bar : window->findChildren<QMenuBar*>()) {
            if (bar->window() != window) continue;
            std::vector<QString> titles;
            for (QAction* menu : bar->actions()) {
                if (!menu->isVisible()) continue;
                EXPECT_FALSE(platform::testing::altKeyOf(menu->text()).isEmpty())
                    << name << ": " << menu->text().toStdString();
                titles.push_back(menu->text());
                if (menu->menu() != nullptr) checkMenu(menu->menu());
            }
            EXPECT_EQ(clashes(titles), "") << name;
        }
        EXPECT_EQ(platform::testing::altKeyFaults(window), "") << name;
    }
    // The one dialog made when it is opened.
    GrainOptions grain;
    AnalysisOptionsDialog options(nullptr, analysisSettings(), grain);
    EXPECT_EQ(platform::testing::altKeyFaults(&options), "") << "options";
    destroyVantuWindows();
}

}  // namespace
