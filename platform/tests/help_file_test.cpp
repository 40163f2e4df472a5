// Both programs' help command when there is no help file beside them.
#include "platform/help_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"

namespace {

TEST(HelpFile, AMissingHelpFileIsSaidWithThePathThatWasTried) {
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope(dialogs);
    platform::testing::TempDir folder;
    const std::string path = folder.path() + "/Vantu.chm";
    EXPECT_FALSE(platform::openHelpFile(path, "Error"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text, "Cannot open the help file " + path + ".");
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::Ok);
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Warning);

    // A folder of that name is no help file either.
    std::filesystem::create_directory(folder.file("vantu.chm"));
    EXPECT_FALSE(platform::openHelpFile(folder.path() + "/vantu.chm", "r62"));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].caption, "r62");
}

}  // namespace
