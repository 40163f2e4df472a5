// Every window of Vantu is used from the keyboard: each menu of a menu bar
// has its own Alt key, and no two items of a menu or controls of a window
// share one.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <map>
#include <string>

#include "vantu/window_composition.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

QString altKey(const QString& text) {
    return QKeySequence::mnemonic(text).toString();
}

// Who in `texts` (shown ones) has an Alt key another has too.
std::string clashes(const std::vector<QString>& texts) {
    std::map<QString, QString> owners;
    std::string found;
    for (const QString& text : texts) {
        const QString key = altKey(text);
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
                EXPECT_FALSE(altKey(menu->text()).isEmpty())
                    << name << ": " << menu->text().toStdString();
                titles.push_back(menu->text());
                if (menu->menu() != nullptr) checkMenu(menu->menu());
            }
            EXPECT_EQ(clashes(titles), "") << name;
        }
        std::vector<QString> controls;
        for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
            if (button->window() == window) controls.push_back(button->text());
        for (const QLabel* label : window->findChildren<QLabel*>())
            if (label->window() == window && label->buddy() != nullptr)
                controls.push_back(label->text());
        for (const QGroupBox* group : window->findChildren<QGroupBox*>())
            if (group->window() == window) controls.push_back(group->title());
        EXPECT_EQ(clashes(controls), "") << name;
    }
    destroyVantuWindows();
}

}  // namespace
