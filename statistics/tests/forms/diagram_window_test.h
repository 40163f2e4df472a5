// What the tests of r62's diagram windows (scatter plot, dendrogram,
// silhouettes) share: the offscreen application, the dialog seam answering,
// a folder for saved pictures and an owner window; the window flags and the
// diagram state reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QWidget>
#include <memory>
#include <string>

#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/graph_window.h"
#include "statistics/tests/forms/r62_test_app.h"

namespace diagram_test {

// The save dialog's answer: `path` picked.
inline platform::FileDialogResult chosen(const std::string& path) {
    platform::FileDialogResult answer;
    answer.accepted = true;
    answer.path = path;
    return answer;
}

// Deletes the windows that closed themselves.
inline void pump() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class DiagramWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        r62TestApplication();
        resetState();
        owner = std::make_unique<QWidget>();
    }
    void TearDown() override {
        owner.reset();
        pump();
        resetState();
    }
    // The globals the windows touch; a fixture with more extends it.
    virtual void resetState() {
        resetR62Shell();
        resetR62Diagram();
    }

    // The one save dialog asked for a BMP file with `filter`, and the file at
    // `path` holds `picture`.
    void expectSavedBitmap(const std::string& filter, const std::string& path,
                           const QImage& picture) {
        ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
        EXPECT_EQ(dialogs.fileDialogs[0].kind, platform::FileDialogKind::Save);
        EXPECT_EQ(dialogs.fileDialogs[0].filter, filter);
        EXPECT_EQ(dialogs.fileDialogs[0].defaultExtension, ".bmp");
        EXPECT_EQ(r62Diagram().DiagramSaved, 1);
        QImage back;
        ASSERT_TRUE(back.load(QString::fromStdString(path), "BMP"));
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture);
    }

    platform::testing::TempDir dir;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
    std::unique_ptr<QWidget> owner;
};

}  // namespace diagram_test
