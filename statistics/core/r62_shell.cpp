#include "statistics/core/r62_shell.h"

namespace {

struct KindInfo {
    ReportKind kind;
    ReportGroup group;
    int flag;                 // 1-based index within its group
    std::string_view filter;  // the single-entry filter of "&Save Report" and exit
    std::string_view extension;
    int loadFilterIndex;  // entry of the full filter the load prompt selects, 0 = none
    std::string_view loadExtension;
};

// In flag order, so a later entry of a group wins where several flags are set.
constexpr KindInfo kKinds[] = {
    {ReportKind::RawData, ReportGroup::Analysis, 1, "Raw data analysis report file (*.rda)|*.rda",
     "rda", 1, "rda"},
    {ReportKind::Pca, ReportGroup::Analysis, 2, "PCA report file (*.pca)|*.pca", "pca", 2, "pca"},
    {ReportKind::Lda, ReportGroup::Analysis, 3, "LDA report file (*.lda)|*.lda", "lda", 3, "lda"},
    {ReportKind::Nda, ReportGroup::Analysis, 4, "NDA report file (*.nda)|*.nda", "nda", 4, "nda"},
    {ReportKind::Testing, ReportGroup::Analysis, 5, "testing report file (*.tst)|*.tst", "tst", 0,
     "tst"},
    {ReportKind::Knn, ReportGroup::Classification, 1, "classification report file (*.cls)|*.cls",
     "cls", 5, "cls"},
    {ReportKind::AnnTraining, ReportGroup::Classification, 2,
     "classification report file (*.cls)|*.cls", "cls", 5, "cls"},
    {ReportKind::Ahc, ReportGroup::Clustering, 1, "Clustering report file (*.clr)|*.clr", "clr", 7,
     "ahc"},
    {ReportKind::Scm, ReportGroup::Clustering, 2, "Clustering report file (*.clr)|*.clr", "clr", 8,
     "scm"},
    {ReportKind::Kmeans, ReportGroup::Clustering, 3, "Clustering report file (*.clr)|*.clr", "clr",
     9, "kme"},
};

const KindInfo& infoOf(ReportKind kind) {
    for (const KindInfo& info : kKinds)
        if (info.kind == kind) return info;
    throw RangeCheckError();
}

// The pending kind of a group: the last set flag in flag order.
const KindInfo* pendingKind(const R62ShellFlags& flags, ReportGroup group) {
    const KindInfo* found = nullptr;
    for (const KindInfo& info : kKinds)
        if (info.group == group && flags.reportFlag(info.kind)) found = &info;
    return found;
}

template <class Flags>
bool anySet(const Flags& flags) {
    for (uint8_t flag : flags)
        if (flag != 0) return true;
    return false;
}

}  // namespace

ReportGroup groupOf(ReportKind kind) {
    return infoOf(kind).group;
}

bool R62ShellFlags::AnalysisReportPending() const {
    return anySet(AnalysisReportFlags);
}
bool R62ShellFlags::ClassificationReportPending() const {
    return anySet(ClassificationReportFlags);
}
bool R62ShellFlags::ClusteringReportPending() const {
    return anySet(ClusteringReportFlags);
}

bool R62ShellFlags::reportPending(ReportGroup group) const {
    switch (group) {
        case ReportGroup::Analysis:
            return AnalysisReportPending();
        case ReportGroup::Classification:
            return ClassificationReportPending();
        case ReportGroup::Clustering:
            return ClusteringReportPending();
    }
    return false;
}

bool R62ShellFlags::anyReportPending() const {
    return AnalysisReportPending() || ClassificationReportPending() || ClusteringReportPending();
}

void R62ShellFlags::ClearAnalysisReportFlags() {
    AnalysisReportFlags.fill(0);
}
void R62ShellFlags::ClearClassificationReportFlags() {
    ClassificationReportFlags.fill(0);
}
void R62ShellFlags::ClearClusteringReportFlags() {
    ClusteringReportFlags.fill(0);
}

void R62ShellFlags::clearReportFlags(ReportGroup group) {
    switch (group) {
        case ReportGroup::Analysis:
            ClearAnalysisReportFlags();
            break;
        case ReportGroup::Classification:
            ClearClassificationReportFlags();
            break;
        case ReportGroup::Clustering:
            ClearClusteringReportFlags();
            break;
    }
}

void R62ShellFlags::clearAllReportFlags() {
    ClearAnalysisReportFlags();
    ClearClassificationReportFlags();
    ClearClusteringReportFlags();
}

void R62ShellFlags::setReportFlag(ReportKind kind) {
    const KindInfo& info = infoOf(kind);
    switch (info.group) {
        case ReportGroup::Analysis:
            AnalysisReportFlags[info.flag] = 1;
            break;
        case ReportGroup::Classification:
            ClassificationReportFlags[info.flag] = 1;
            break;
        case ReportGroup::Clustering:
            ClusteringReportFlags[info.flag] = 1;
            break;
    }
}

bool R62ShellFlags::reportFlag(ReportKind kind) const {
    const KindInfo& info = infoOf(kind);
    switch (info.group) {
        case ReportGroup::Analysis:
            return AnalysisReportFlags[info.flag] != 0;
        case ReportGroup::Classification:
            return ClassificationReportFlags[info.flag] != 0;
        case ReportGroup::Clustering:
            return ClusteringReportFlags[info.flag] != 0;
    }
    return false;
}

bool R62ShellFlags::toolWindowOpen(bool countSilhouette) const {
    return OptionsWindowOpen != 0 || GraphWindowOpen != 0 || TreeWindowOpen != 0 ||
           (countSilhouette && SilhouetteWindowOpen != 0);
}

void resetR62Shell() {
    r62Shell().reset();
}

std::string replaceFileQuestion(std::string_view fileName) {
    return "File \"" + std::string(fileName) + "\" already exists!\rDo you want to replace it?";
}

std::optional<ReportSaveChoice> saveReportChoice(const R62ShellFlags& flags) {
    for (ReportGroup group :
         {ReportGroup::Analysis, ReportGroup::Classification, ReportGroup::Clustering}) {
        std::optional<ReportSaveChoice> choice = exitPromptChoice(flags, group);
        if (!choice) continue;
        // A classification report is offered among all kinds, on its .cls
        // entry: the single entry of an earlier save would give a bare name
        // that save's kind.
        if (group == ReportGroup::Classification) {
            choice->filter = std::string(kReportSaveFilter);
            choice->filterIndex = kReportSaveFilterIndex;
        }
        return choice;
    }
    return std::nullopt;
}

std::optional<ReportSaveChoice> loadPromptChoice(const R62ShellFlags& flags, ReportGroup group) {
    const KindInfo* info = pendingKind(flags, group);
    if (!info) return std::nullopt;
    ReportSaveChoice choice;
    choice.group = group;
    choice.extension = std::string(info->loadExtension);
    // The entry numbers are those of the whole filter, whatever an earlier
    // save left in the dialog.
    choice.filter = std::string(kReportSaveFilter);
    if (info->loadFilterIndex > 0) choice.filterIndex = info->loadFilterIndex;
    return choice;
}

std::optional<ReportSaveChoice> exitPromptChoice(const R62ShellFlags& flags, ReportGroup group) {
    const KindInfo* info = pendingKind(flags, group);
    if (!info) return std::nullopt;
    return ReportSaveChoice{.group = group,
                            .filter = std::string(info->filter),
                            .filterIndex = std::nullopt,
                            .extension = std::string(info->extension)};
}

std::string unsavedReportQuestion(ReportGroup group, bool atExit) {
    switch (group) {
        case ReportGroup::Analysis:
            return atExit ? "The analysis report has not been saved.\rDo you want to save it now?"
                          : "The R62 analysis report has not been saved.\rDo you want to save it "
                            "now?";
        case ReportGroup::Classification:
            return "The classification report has not been saved.\rDo you want to save it now?";
        case ReportGroup::Clustering:
            return "The R62 clustering report has not been saved.\rDo you want to save it now?";
    }
    return {};
}

std::string reportFileName(std::string_view dataFileName, std::string_view extension) {
    const size_t keep = dataFileName.size() > 3 ? dataFileName.size() - 3 : 0;
    return std::string(dataFileName.substr(0, keep)) + std::string(extension);
}

std::string reportFileText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string commandLineInputFile(const std::vector<std::string>& arguments) {
    if (arguments.size() == 1 && arguments[0].ends_with(".sel")) return arguments[0];
    return {};
}
