#include "analysis/core/reports/report_classes.h"

#include <cstddef>

namespace {

bool isEditable(int32_t state) {
    return state == kRoiUsed || state == kRoiExcluded;
}

// Cuts at a character boundary, so a long UTF-8 name never ends in half a character.
std::string cutName(std::string_view name) {
    if (name.size() <= kMaxRoiNameLength) return std::string(name);
    size_t end = kMaxRoiNameLength;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return std::string(name.substr(0, end));
}

// Sets one column; returns whether its name changed.
bool setColumn(ReportDocument& document, size_t index, int32_t state, const std::string& name) {
    document.roiState[index] = state;
    if (document.roiName[index] == name) return false;
    document.roiName[index] = name;
    return true;
}

// Every editable column of document in the class key; clears saved when a name changes.
void applyToClass(ReportDocument& document, const std::string& key, int32_t state,
                  const std::string& name) {
    bool renamed = false;
    for (int k = 1; k <= kRoiCount; ++k) {
        const size_t index = static_cast<size_t>(k - 1);
        if (!isEditable(document.roiState[index]) || columnClassKey(document, k) != key) continue;
        renamed = setColumn(document, index, state, name) || renamed;
    }
    if (renamed) document.saved = 0;
}

}  // namespace

std::string columnClassKey(const ReportDocument& document, int column) {
    if (column < 1 || column > kRoiCount) return {};
    const std::string& name = document.roiName[static_cast<size_t>(column - 1)];
    return name.empty() ? std::to_string(column) : name;
}

bool applyClassNameEdit(ReportDocument& document, int column, const ClassNameEdit& edit) {
    if (edit.use < 0 || column < 1 || column > kRoiCount) return false;
    const size_t index = static_cast<size_t>(column - 1);
    if (!isEditable(document.roiState[index])) return false;
    const int32_t state = edit.use > 0 ? kRoiUsed : kRoiExcluded;
    const std::string name = cutName(edit.name);

    switch (edit.scope) {
        case kClassScopeClass: {
            const std::string key = columnClassKey(document, column);
            bool inList = false;
            for (ReportDocument* d = NextReportDocument(nullptr, nullptr); d != nullptr;
                 d = NextReportDocument(d, nullptr)) {
                inList = inList || d == &document;
                applyToClass(*d, key, state, name);
            }
            if (!inList) applyToClass(document, key, state, name);
            break;
        }
        case kClassScopeDocument:
            for (size_t i = 0; i < document.roiState.size(); ++i)
                if (isEditable(document.roiState[i])) setColumn(document, i, state, name);
            document.saved = 0;
            break;
        default:
            if (setColumn(document, index, state, name)) document.saved = 0;
            break;
    }
    return true;
}
