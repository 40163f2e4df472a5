#include "statistics/core/r62_shell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

R62ShellFlags with(std::initializer_list<ReportKind> kinds) {
    R62ShellFlags flags;
    for (ReportKind kind : kinds) flags.setReportFlag(kind);
    return flags;
}

TEST(R62ShellFlags, EachReportKindMarksItsGroupAndClearingAGroupLeavesTheOthers) {
    R62ShellFlags flags = with({ReportKind::Lda, ReportKind::AnnTraining, ReportKind::Scm});
    EXPECT_EQ(flags.AnalysisReportFlags[3], 1);
    EXPECT_EQ(flags.ClassificationReportFlags[2], 1);
    EXPECT_EQ(flags.ClusteringReportFlags[2], 1);
    EXPECT_TRUE(flags.AnalysisReportPending());
    EXPECT_TRUE(flags.ClassificationReportPending());
    EXPECT_TRUE(flags.ClusteringReportPending());

    flags.ClearClassificationReportFlags();
    EXPECT_FALSE(flags.ClassificationReportPending());
    EXPECT_TRUE(flags.AnalysisReportPending());
    EXPECT_TRUE(flags.reportFlag(ReportKind::Scm));
    flags.clearAllReportFlags();
    EXPECT_FALSE(flags.anyReportPending());

    EXPECT_EQ(groupOf(ReportKind::Testing), ReportGroup::Analysis);
    EXPECT_EQ(groupOf(ReportKind::Knn), ReportGroup::Classification);
    EXPECT_EQ(groupOf(ReportKind::Kmeans), ReportGroup::Clustering);
}

TEST(R62ShellFlags, TheSilhouetteWindowCountsUnlessLeftOut) {
    R62ShellFlags flags;
    EXPECT_FALSE(flags.toolWindowOpen());
    flags.SilhouetteWindowOpen = 1;
    EXPECT_TRUE(flags.toolWindowOpen());
    EXPECT_FALSE(flags.toolWindowOpen(false));
    flags.reset();
    for (uint8_t R62ShellFlags::*open :
         {&R62ShellFlags::OptionsWindowOpen, &R62ShellFlags::GraphWindowOpen,
          &R62ShellFlags::TreeWindowOpen}) {
        R62ShellFlags one;
        one.*open = 1;
        EXPECT_TRUE(one.toolWindowOpen(false));
    }
}

TEST(R62SaveReportChoice, NamesTheFileByTheKindOfThePendingReport) {
    EXPECT_FALSE(saveReportChoice(R62ShellFlags()).has_value());

    const struct {
        ReportKind kind;
        const char* filter;
        const char* extension;
    } singles[] = {
        {ReportKind::RawData, "Raw data analysis report file (*.rda)|*.rda", "rda"},
        {ReportKind::Pca, "PCA report file (*.pca)|*.pca", "pca"},
        {ReportKind::Lda, "LDA report file (*.lda)|*.lda", "lda"},
        {ReportKind::Nda, "NDA report file (*.nda)|*.nda", "nda"},
        {ReportKind::Testing, "testing report file (*.tst)|*.tst", "tst"},
        {ReportKind::Ahc, "Clustering report file (*.clr)|*.clr", "clr"},
        {ReportKind::Scm, "Clustering report file (*.clr)|*.clr", "clr"},
        {ReportKind::Kmeans, "Clustering report file (*.clr)|*.clr", "clr"},
    };
    for (const auto& c : singles) {
        auto choice = saveReportChoice(with({c.kind}));
        ASSERT_TRUE(choice.has_value()) << c.extension;
        EXPECT_EQ(choice->filter, c.filter);
        EXPECT_FALSE(choice->filterIndex.has_value());
        EXPECT_EQ(choice->extension, c.extension);
    }

    // A classification report selects the .cls entry of the whole filter.
    for (ReportKind kind : {ReportKind::Knn, ReportKind::AnnTraining}) {
        auto choice = saveReportChoice(with({kind}));
        ASSERT_TRUE(choice.has_value());
        EXPECT_EQ(choice->group, ReportGroup::Classification);
        EXPECT_EQ(choice->filter, std::string(kReportSaveFilter));
        EXPECT_EQ(choice->filterIndex, 5);
        EXPECT_EQ(choice->extension, "cls");
    }

    // Analysis before classification before clustering; in a group the later flag.
    EXPECT_EQ(saveReportChoice(with({ReportKind::Kmeans, ReportKind::Knn}))->extension, "cls");
    EXPECT_EQ(saveReportChoice(with({ReportKind::Knn, ReportKind::Testing}))->extension, "tst");
    EXPECT_EQ(saveReportChoice(with({ReportKind::Lda, ReportKind::Pca}))->extension, "lda");
}

TEST(R62SaveReportChoice, LoadPromptsSelectEntriesOfTheFullFilterAndExitUsesSingleFilters) {
    const struct {
        ReportKind kind;
        ReportGroup group;
        int index;  // 0: the index is left as it is
        const char* extension;
    } prompts[] = {
        {ReportKind::RawData, ReportGroup::Analysis, 1, "rda"},
        {ReportKind::Pca, ReportGroup::Analysis, 2, "pca"},
        {ReportKind::Lda, ReportGroup::Analysis, 3, "lda"},
        {ReportKind::Nda, ReportGroup::Analysis, 4, "nda"},
        {ReportKind::Testing, ReportGroup::Analysis, 0, "tst"},
        {ReportKind::Knn, ReportGroup::Classification, 5, "cls"},
        {ReportKind::Ahc, ReportGroup::Clustering, 7, "ahc"},
        {ReportKind::Scm, ReportGroup::Clustering, 8, "scm"},
        {ReportKind::Kmeans, ReportGroup::Clustering, 9, "kme"},
    };
    for (const auto& p : prompts) {
        const R62ShellFlags flags = with({p.kind});
        auto choice = loadPromptChoice(flags, p.group);
        ASSERT_TRUE(choice.has_value()) << p.extension;
        EXPECT_EQ(choice->filter, std::string(kReportSaveFilter));
        EXPECT_EQ(choice->filterIndex.value_or(0), p.index) << p.extension;
        EXPECT_EQ(choice->extension, p.extension);
        for (ReportGroup other :
             {ReportGroup::Analysis, ReportGroup::Classification, ReportGroup::Clustering})
            if (other != p.group) {
                EXPECT_FALSE(loadPromptChoice(flags, other).has_value());
            }
    }

    auto pca = exitPromptChoice(with({ReportKind::Pca}), ReportGroup::Analysis);
    ASSERT_TRUE(pca.has_value());
    EXPECT_EQ(pca->filter, "PCA report file (*.pca)|*.pca");
    auto knn = exitPromptChoice(with({ReportKind::Knn}), ReportGroup::Classification);
    ASSERT_TRUE(knn.has_value());
    EXPECT_EQ(knn->filter, "classification report file (*.cls)|*.cls");
    EXPECT_EQ(knn->extension, "cls");
    auto kmeans = exitPromptChoice(with({ReportKind::Kmeans}), ReportGroup::Clustering);
    ASSERT_TRUE(kmeans.has_value());
    EXPECT_EQ(kmeans->extension, "clr");
}

TEST(R62SaveReportChoice, TheQuestionsAndTheProposedName) {
    EXPECT_EQ(unsavedReportQuestion(ReportGroup::Analysis, false),
              "The R62 analysis report has not been saved.\rDo you want to save it now?");
    EXPECT_EQ(unsavedReportQuestion(ReportGroup::Analysis, true),
              "The analysis report has not been saved.\rDo you want to save it now?");
    EXPECT_EQ(unsavedReportQuestion(ReportGroup::Classification, false),
              "The classification report has not been saved.\rDo you want to save it now?");
    EXPECT_EQ(unsavedReportQuestion(ReportGroup::Clustering, true),
              "The R62 clustering report has not been saved.\rDo you want to save it now?");
    EXPECT_EQ(replaceFileQuestion("/tmp/data.cls"),
              "File \"/tmp/data.cls\" already exists!\rDo you want to replace it?");

    EXPECT_EQ(reportFileName("data.sel", "rda"), "data.rda");
    EXPECT_EQ(reportFileName("temp.sel", "kme"), "temp.kme");
    EXPECT_EQ(reportFileName("ab", "cls"), "cls");
    EXPECT_EQ(reportFileName("", "cls"), "cls");

    EXPECT_EQ(reportFileText({"* r62 report file", "", "last"}),
              "* r62 report file\r\n\r\nlast\r\n");
    EXPECT_EQ(reportFileText({}), "");
}

TEST(R62CommandLine, OnlyOneArgumentEndingInDotSelIsLoaded) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(commandLineInputFile(Args{"C:\\x\\data.sel"}), "C:\\x\\data.sel");
    EXPECT_EQ(commandLineInputFile(Args{"/home/u/temp.sel"}), "/home/u/temp.sel");
    EXPECT_EQ(commandLineInputFile(Args{".sel"}), ".sel");
    EXPECT_EQ(commandLineInputFile(Args{"C:\\x\\data.SEL"}), "");
    EXPECT_EQ(commandLineInputFile(Args{"data.sel "}), "");
    EXPECT_EQ(commandLineInputFile(Args{"sel"}), "");
    EXPECT_EQ(commandLineInputFile(Args{"a.cls"}), "");
    EXPECT_EQ(commandLineInputFile(Args{}), "");
    EXPECT_EQ(commandLineInputFile(Args{"a.sel", "b.sel"}), "");
    EXPECT_EQ(commandLineInputFile(Args{"-x", "b.sel"}), "");
}

}  // namespace
