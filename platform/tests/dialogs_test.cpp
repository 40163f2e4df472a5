#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include "platform/testing/temp_dir.h"

using namespace platform;

namespace {

TEST(DialogSeam, ScriptedAnswersAreGivenInOrderAndRequestsRecorded) {
    ScriptedDialogs script;
    DialogBackendScope scope(script);
    script.messageAnswers = {MessageResult::Cancel};
    EXPECT_EQ(showMessage("Warning", "Report or image not saved!\r\nClose anyway?",
                          MessageButtons::OkCancel, MessageIcon::Warning, 1),
              MessageResult::Cancel);
    // With the queue empty, the default button answers.
    EXPECT_EQ(showMessage("Warning", "again", MessageButtons::OkCancel, MessageIcon::Warning, 1),
              MessageResult::Cancel);
    EXPECT_EQ(showMessage("Error", "x", MessageButtons::YesNoCancel), MessageResult::Yes);
    ASSERT_EQ(script.messages.size(), 3u);
    EXPECT_EQ(script.messages[0].caption, "Warning");
    EXPECT_EQ(script.messages[0].text, "Report or image not saved!\r\nClose anyway?");
    EXPECT_EQ(script.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(script.messages[0].defaultButton, 1);

    script.fileAnswers.push_back({true, "/data/study.ini", 1});
    FileDialogRequest request{FileDialogKind::Open,
                              "Load Options",
                              "Options (*.ini)|*.ini",
                              1,
                              ".ini",
                              "",
                              "",
                              true,
                              false};
    auto answer = showFileDialog(request);
    EXPECT_TRUE(answer.accepted);
    EXPECT_EQ(answer.path, "/data/study.ini");
    EXPECT_FALSE(showFileDialog(request).accepted);  // queue empty: cancelled
    ASSERT_EQ(script.fileDialogs.size(), 2u);
    EXPECT_EQ(script.fileDialogs[0].title, "Load Options");
    EXPECT_TRUE(script.fileDialogs[0].mustExist);
}

TEST(DialogSeam, WithoutABackendBoxesTakeTheirDefaultAndDialogsCancel) {
    ASSERT_EQ(dialogBackend(), nullptr);
    EXPECT_EQ(showMessage("Error", "x", MessageButtons::AbortRetryIgnore, MessageIcon::Error, 2),
              MessageResult::Ignore);
    EXPECT_EQ(showMessage("Error", "x", MessageButtons::YesNo, MessageIcon::Error, 7),
              MessageResult::Yes);
    EXPECT_FALSE(showFileDialog({}).accepted);
}

TEST(DialogSeam, ScopesRestoreThePreviousBackend) {
    ScriptedDialogs outer, inner;
    {
        DialogBackendScope a(outer);
        {
            DialogBackendScope b(inner);
            showMessage("c", "t");
        }
        showMessage("c", "t");
    }
    EXPECT_EQ(inner.messages.size(), 1u);
    EXPECT_EQ(outer.messages.size(), 1u);
    EXPECT_EQ(dialogBackend(), nullptr);
}

TEST(DialogFilters, EntriesSplitIntoDescriptionsAndPatterns) {
    auto entries = parseFilter("Bitmaps (*.bmp)|*.bmp|DICOM|*.dcm; *.dicom|All files|*.*|odd");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].description, "Bitmaps (*.bmp)");
    EXPECT_EQ(entries[1].patterns, (std::vector<std::string>{"*.dcm", "*.dicom"}));
    EXPECT_EQ(entries[2].patterns, (std::vector<std::string>{"*.*"}));
    EXPECT_TRUE(parseFilter("").empty());
}

TEST(DialogSeam, ABareSaveNameTakesTheChosenFiltersExtensionAndAsksBeforeReplacing) {
    platform::testing::TempDir dir;
    dir.write("x.bmp", "old");
    ScriptedDialogs script;
    DialogBackendScope scope(script);
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.title = "Save as";
    request.filter = "ROI (*.roi)|*.roi|Bitmap (*.bmp)|*.bmp|All files|*.*";
    request.defaultExtension = ".roi";
    request.overwritePrompt = true;
    auto save = [&](const std::string& name, int filter) {
        script.fileAnswers.push_back({true, dir.file(name), filter});
        return showFileDialog(request);
    };
    EXPECT_EQ(save("y", 2).path, dir.file("y.bmp"));
    EXPECT_EQ(save("y", 3).path, dir.file("y.roi"));  // no one extension: the default
    EXPECT_EQ(save("y.txt", 2).path, dir.file("y.txt"));
    EXPECT_TRUE(script.messages.empty());
    // "x" names no file, so the dialog did not ask; "x.bmp" does.
    script.messageAnswers = {MessageResult::No, MessageResult::Yes};
    EXPECT_FALSE(save("x", 2).accepted);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].caption, "Save as");
    EXPECT_EQ(script.messages[0].text,
              dir.file("x.bmp") + " already exists.\r\nDo you want to replace it?");
    EXPECT_EQ(save("x", 2).path, dir.file("x.bmp"));

    // The dialog opens on the kind being saved, whatever index it was given:
    // the proposed name's, else the default extension's.
    request.filterIndex = 3;
    request.fileName = "wine.BMP";
    save("z", 2);
    EXPECT_EQ(script.fileDialogs.back().filterIndex, 2);
    request.fileName = "wine";
    save("z", 1);
    EXPECT_EQ(script.fileDialogs.back().filterIndex, 1);
    request.defaultExtension.clear();
    save("z", 3);
    EXPECT_EQ(script.fileDialogs.back().filterIndex, 3);
}

TEST(DialogTexts, LineBreaksBecomePlainNewlines) {
    EXPECT_EQ(displayText("a\r\nb\rc\nd"), "a\nb\nc\nd");
}

}  // namespace
