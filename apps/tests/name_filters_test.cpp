// Every file dialog of both programs, seen as a user sees it: the real Qt
// file dialog on a folder of files, one filter entry at a time, must list
// exactly the files that the entry's Windows patterns match.
#include "platform/name_filters.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <set>

#include "analysis/core/reports/report_file.h"
#include "analysis/core/reports/selection_file.h"
#include "platform/dialogs.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/testing/temp_dir.h"
#include "platform/textformat.h"
#include "statistics/core/classifiers/network_testing.h"
#include "statistics/core/data/selection_file_reader.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/graph_window.h"
#include "statistics/forms/silhouette_window.h"
#include "statistics/forms/tree_window.h"
#include "workspace/core/formats/image_writers.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/core/roi/roi_files.h"
#include "workspace/forms/vantu_main_window.h"

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "name_filters_test";
    static char* argv[] = {name, nullptr};
    static QApplication instance(argc, argv);
    return instance;
}

// What Windows matches: '*' any run, '?' one character, letters in any case,
// and "*.*" every name, with or without a dot.
bool windowsMatches(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*") return true;
    auto lower = [](char c) { return platform::lowerAscii(c); };
    std::function<bool(size_t, size_t)> match = [&](size_t p, size_t n) -> bool {
        if (p == pattern.size()) return n == name.size();
        if (pattern[p] == '*') {
            for (size_t k = n; k <= name.size(); ++k)
                if (match(p + 1, k)) return true;
            return false;
        }
        if (n == name.size()) return false;
        if (pattern[p] != '?' && lower(pattern[p]) != lower(name[n])) return false;
        return match(p + 1, n + 1);
    };
    return match(0, 0);
}

// A folder of every kind of file the two programs read or write, in both
// letter cases, and some they do not.
const std::vector<std::string> kFileNames = {
    "scan.bmp",  "SCAN2.BMP", "image.raw", "head.ima",  "knee.img",  "spine.xim",
    "slice.dcm", "cut.dicom", "slicedcm",  "study.ini", "areas.roi", "pixels.txt",
    "run.par",   "feat.sel",  "FEAT2.SEL", "net.cls",   "net.nda",   "NET2.NDA",
    "raw.rda",   "p.pca",     "l.lda",     "t.tst",     "a.ahc",     "s.scm",
    "k.kme",     "c.clr",     "README",    "notes.doc", "p.pca.bak", "macro.plugin"};

// The names the real dialog shows in `folder` with entry `index` of `filters` chosen.
std::set<std::string> listedFiles(const QString& folder, const QStringList& filters, int index) {
    QFileDialog dialog(nullptr, "Open", folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    auto* model = dialog.findChild<QFileSystemModel*>();
    EXPECT_NE(model, nullptr);
    if (model == nullptr) return {};
    QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
    dialog.setDirectory(folder);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters[index]);
    const QModelIndex root = model->index(folder);
    // The folder is read on a thread; its rows arrive once it is loaded.
    for (int wait = 0; wait < 100 && model->rowCount(root) == 0; ++wait) {
        if (loaded.isEmpty()) loaded.wait(50);
        QTest::qWait(10);
    }
    QTest::qWait(20);
    std::set<std::string> names;
    for (int row = 0; row < model->rowCount(root); ++row)
        names.insert(model->fileName(model->index(row, 0, root)).toStdString());
    return names;
}

struct NamedFilter {
    std::string where;
    std::string filter;
};

std::vector<NamedFilter> everyFilterOfBothPrograms() {
    std::vector<NamedFilter> all = {
        {"Vantu: load image", kLoadImageFilter},
        {"Vantu: save image", std::string(kSaveImageFilter)},
        {"Vantu: load ROI", std::string(kLoadRoiFilter)},
        {"Vantu: save ROI", std::string(kSaveRoiFilter)},
        {"Vantu: options file", kOptionsFileFilter},
        {"Vantu: run macro", std::string(kRunMacroFilter)},
        {"Vantu: report", std::string(kReportFilter)},
        {"Vantu: selection file", std::string(kSelectionFilter)},
        {"r62: open input", std::string(kInputOpenFilter)},
        {"r62: open .sel", std::string(kSelOpenFilter)},
        {"r62: save report", std::string(kReportSaveFilter)},
        {"r62: ANN classifier testing", std::string(kNetworkOpenFilter)},
        {"r62: save scatter plot", kGraphSaveFilter},
        {"r62: save dendrogram", kTreeSaveFilter},
        {"r62: save silhouettes", kSilhouetteSaveFilter},
    };
    // The single-entry filters the report prompts put in the save dialog.
    const ReportKind kinds[] = {ReportKind::RawData,     ReportKind::Pca,     ReportKind::Lda,
                                ReportKind::Nda,         ReportKind::Testing, ReportKind::Knn,
                                ReportKind::AnnTraining, ReportKind::Ahc,     ReportKind::Scm,
                                ReportKind::Kmeans};
    for (ReportKind kind : kinds) {
        R62ShellFlags flags;
        flags.setReportFlag(kind);
        const auto choice = exitPromptChoice(flags, groupOf(kind));
        if (choice && choice->filter)
            all.push_back({"r62: save pending report ." + choice->extension, *choice->filter});
    }
    return all;
}

TEST(NameFilters, EveryEntryOfEveryDialogListsWhatItsWindowsPatternsMatch) {
    app();
    platform::testing::TempDir folder;
    for (const std::string& name : kFileNames) std::ofstream(folder.path() + "/" + name) << "x";
    const QString where = QString::fromStdString(folder.path());

    int entriesChecked = 0;
    for (const NamedFilter& named : everyFilterOfBothPrograms()) {
        SCOPED_TRACE(named.where + ": " + named.filter);
        const std::vector<platform::FilterEntry> entries = platform::parseFilter(named.filter);
        const QStringList qt = platform::qtNameFilters(named.filter);
        ASSERT_EQ(qt.size(), static_cast<qsizetype>(entries.size()));
        ASSERT_FALSE(entries.empty());
        for (size_t k = 0; k < entries.size(); ++k) {
            SCOPED_TRACE(qt[static_cast<qsizetype>(k)].toStdString());
            std::set<std::string> expected;
            for (const std::string& name : kFileNames)
                for (const std::string& pattern : entries[k].patterns)
                    if (windowsMatches(pattern, name)) expected.insert(name);
            EXPECT_FALSE(expected.empty());
            EXPECT_EQ(listedFiles(where, qt, static_cast<int>(k)), expected);
            ++entriesChecked;
        }
    }
    EXPECT_GE(entriesChecked, 40);
}

TEST(NameFilters, TheAnnTestingDialogListsClassificationAndNdaReports) {
    app();
    platform::testing::TempDir folder;
    for (const std::string& name : kFileNames) std::ofstream(folder.path() + "/" + name) << "x";
    const QStringList qt = platform::qtNameFilters(std::string(kNetworkOpenFilter));
    ASSERT_EQ(qt.size(), 1);
    EXPECT_EQ(qt[0].toStdString(), "Classification & NDA report files (*.cls *.nda)");
    EXPECT_EQ(listedFiles(QString::fromStdString(folder.path()), qt, 0),
              (std::set<std::string>{"net.cls", "net.nda", "NET2.NDA"}));
}

TEST(NameFilters, DescriptionsShowTheRealPatternsInTheBracketQtReads) {
    using platform::qtNameFilterStrings;
    // A description without a bracket gets one; a wrong bracket is replaced.
    EXPECT_EQ(qtNameFilterStrings("bitmap|*.bmp"), std::vector<std::string>{"bitmap (*.bmp)"});
    EXPECT_EQ(qtNameFilterStrings("Bitmatp *.BMP|*.bmp"),
              std::vector<std::string>{"Bitmatp *.BMP (*.bmp)"});
    EXPECT_EQ(qtNameFilterStrings("Dicom (*.dcm; *.dicom)|*dcm; *.dicom"),
              std::vector<std::string>{"Dicom (*dcm *.dicom)"});
    // "*.*" lists names without a dot too, as on Windows.
    EXPECT_EQ(qtNameFilterStrings("Macro (*.txt)|*.txt|All files|*.*"),
              (std::vector<std::string>{"Macro (*.txt)", "All files (*)"}));
    // The entry order is kept, so filter indices keep their meaning.
    const auto r62 = qtNameFilterStrings(std::string(kReportSaveFilter));
    ASSERT_EQ(r62.size(), 9u);
    EXPECT_EQ(r62[4], "classification report file (*.cls)");
    EXPECT_TRUE(qtNameFilterStrings("").empty());
    EXPECT_TRUE(qtNameFilterStrings("odd").empty());
}

}  // namespace
