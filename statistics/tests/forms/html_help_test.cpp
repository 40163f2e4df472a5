// The help handler and the HTML Help stand-in.
#include "statistics/forms/html_help.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/shell.h"
#include "platform/testing/temp_dir.h"

namespace {

// Records what would have been opened, instead of starting a program.
struct RecordingOpener {
    RecordingOpener() {
        previous = setHelpOpener([this](const std::string& path) {
            opened.push_back(path);
            return true;
        });
    }
    ~RecordingOpener() { setHelpOpener(previous); }
    std::vector<std::string> opened;
    HelpOpener previous;
};

TEST(R62HtmlHelp, HelpCommandsBecomeHtmlHelpCommands) {
    const struct {
        unsigned in;
        int out;
        uintptr_t data;
        bool withFile;
    } cases[] = {
        {HELP_CONTEXT, HH_HELP_CONTEXT, 42, true},
        {HELP_CONTEXTPOPUP, HH_HELP_CONTEXT, 42, true},
        {HELP_KEY, HH_DISPLAY_INDEX, 42, true},
        {HELP_QUIT, HH_CLOSE_ALL, 0, false},
        {3, HH_DISPLAY_TOPIC, 0, true},
        {0x105, HH_DISPLAY_TOPIC, 0, true},
    };
    for (const auto& c : cases) {
        const HtmlHelpCall call = htmlHelpCallFor(c.in, 42);
        EXPECT_EQ(call.command, c.out) << c.in;
        EXPECT_EQ(call.data, c.data) << c.in;
        EXPECT_EQ(call.withFile, c.withFile) << c.in;
    }
    EXPECT_EQ(HH_DISPLAY_TOPIC, 0);
    EXPECT_EQ(HH_DISPLAY_INDEX, 2);
    EXPECT_EQ(HH_HELP_CONTEXT, 15);
    EXPECT_EQ(HH_CLOSE_ALL, 18);
}

TEST(R62HtmlHelp, TheHookOpensTheApplicationsHelpFileBesideTheProgram) {
    RecordingOpener opener;
    setApplicationHelpFile(kR62HelpFile);
    bool callHelp = true;
    EXPECT_TRUE(HtmlHelpHook(HELP_CONTEXT, 7, callHelp));
    EXPECT_FALSE(callHelp);
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(opener.opened[0], platform::programFolder() + "vantu.chm");

    // Closing has nothing to open.
    callHelp = true;
    EXPECT_TRUE(HtmlHelpHook(HELP_QUIT, 0, callHelp));
    EXPECT_FALSE(callHelp);
    EXPECT_EQ(opener.opened.size(), 1u);

    // An absolute name is opened as it is.
    EXPECT_TRUE(HtmlHelpA("/opt/help/vantu.chm", HH_DISPLAY_INDEX, 0));
    EXPECT_EQ(opener.opened.back(), "/opt/help/vantu.chm");
    setApplicationHelpFile("");
}

TEST(R62HtmlHelp, TheHelpFileIsFoundWhateverTheCaseOfItsName) {
    platform::testing::TempDir dir;
    EXPECT_EQ(resolveHelpFile(dir.path(), "vantu.chm"), dir.path() + "/vantu.chm");
    dir.write("Vantu.chm", "help");
    EXPECT_EQ(resolveHelpFile(dir.path(), "vantu.chm"), dir.path() + "/Vantu.chm");
    dir.write("vantu.chm", "help");
    EXPECT_EQ(resolveHelpFile(dir.path(), "vantu.chm"), dir.path() + "/vantu.chm");
    EXPECT_EQ(resolveHelpFile(dir.path() + "/missing", "vantu.chm"),
              dir.path() + "/missing/vantu.chm");
}

}  // namespace
