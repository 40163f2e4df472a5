// Every menu reachable by keyboard: each title and item of a menu bar and of
// its menus has an Alt key, and no two entries of one bar or menu share one;
// every labelled control of a window has a key no other on its page has.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QString>
#include <QWidget>

#include "platform/testing/alt_keys.h"

inline void expectDistinctAltKeys(const QList<QAction*>& entries, const QString& where) {
    QSet<QChar> keys;
    for (const QAction* entry : entries) {
        if (entry->isSeparator() || !entry->isVisible()) continue;
        const QString text = entry->text();
        const qsizetype at = text.indexOf('&');
        ASSERT_TRUE(at >= 0 && at + 1 < text.size())
            << where.toStdString() << ": " << text.toStdString();
        const QChar key = text.at(at + 1).toLower();
        EXPECT_FALSE(keys.contains(key)) << where.toStdString() << ": " << text.toStdString();
        keys.insert(key);
        if (const QMenu* menu = entry->menu()) expectDistinctAltKeys(menu->actions(), text);
    }
}

inline void expectAltKeysOnEveryMenu(const QMenuBar* bar) {
    ASSERT_NE(bar, nullptr);
    expectDistinctAltKeys(bar->actions(), "menu bar");
}

inline void expectAltKeysOnEveryControl(const QWidget* window) {
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(platform::testing::altKeyFaults(window), "") << window->objectName().toStdString();
}
