#include "analysis/forms/macro_host.h"

#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QTabBar>

#include "analysis/core/reports/report_file.h"
#include "analysis/core/reports/selection_file.h"
#include "analysis/forms/feature_map_window.h"
#include "analysis/forms/grain_commands.h"
#include "analysis/forms/report_list_model.h"
#include "analysis/forms/report_window.h"
#include "platform/dialogs.h"
#include "platform/out_of_memory.h"
#include "platform/profile.h"
#include "workspace/core/formats/image_writers.h"
#include "workspace/forms/open_dispatch.h"
#include "workspace/forms/roi_commands.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

namespace {

// The document of the report window's selected tab, when it is still open.
ReportDocument* currentReport() {
    if (_Report == nullptr) return nullptr;
    return documentIndex(_Report->CurrentReport) >= 0 ? _Report->CurrentReport : nullptr;
}

void showReportWindow() {
    _Report->show();
    if (QAction* item = _vantu ? _vantu->action("Report") : nullptr) item->setChecked(true);
}

}  // namespace

bool VantuMacroHost::loadImage(const std::string& path) {
    return OpenFileByExtension(window_, path) != 0;
}

void VantuMacroHost::reloadImage() {
    // A copy: the load replaces the name it was given.
    const std::string path = window_->state.ImageFileName;
    if (!path.empty()) OpenFileByExtension(window_, path);
}

bool VantuMacroHost::loadRoi(const std::string& path, int type) {
    return LoadRoiFile(window_, path, type) == 0;
}

void VantuMacroHost::renameRoi(int roi, const std::string& name) {
    if (roi < 1 || roi > static_cast<int>(kRoiCount)) return;
    window_->state.RoiNames[static_cast<size_t>(roi - 1)] = name;
    window_->showRoiNames();
}

bool VantuMacroHost::runAnalysis() {
    // Run says why when it makes no report; the macro must not go on to save
    // the report of an earlier run under this one's name.
    const int before = reportDocumentCount();
    window_->Run1Click();
    return reportDocumentCount() > before;
}

void VantuMacroHost::grainAnalysis() {
    Analiza1Click(window_);
}

bool VantuMacroHost::saveReport(const std::string& path) {
    ReportDocument* document = currentReport();
    if (document == nullptr) {
        platform::showError(parFileMessage(ParFileStatus::NoDocument, path));
        return false;
    }
    // As the report window's own save: a failure leaves the document as it was.
    if (ParFileStatus status = SaveReportPar(path, document); status != ParFileStatus::Ok) {
        platform::showError(parFileMessage(status, path));
        return false;
    }
    const int index = documentIndex(document);
    if (index >= 0 && index < _Report->tabCount)
        _Report->tabControl()->setTabText(index, QString::fromStdString(document->name));
    _Report->showCurrentReport();
    return true;
}

bool VantuMacroHost::saveSelected(const std::string& path) {
    if (_Report == nullptr) return false;
    return SaveSelection(path, currentReport(), _Report->rankingList, std::nullopt,
                         SelectionOrder::Ranking)
               .status == SelectionStatus::Written;
}

bool VantuMacroHost::loadReport(const std::string& path) {
    ParReadResult result = LoadReportPar(path);
    if (result.status != ParFileStatus::Ok) {
        platform::showError(result.message);
        return false;
    }
    if (addLoadedReport(result.file) == nullptr) {
        platform::showError(platform::notEnoughMemoryText(path));
        return false;
    }
    if (_Report) _Report->ReportRefreshTabs();
    return true;
}

void VantuMacroHost::closeReport() {
    ReportDocument* document = currentReport();
    if (document == nullptr) return;
    _Report->listModel()->setDocument(nullptr);
    DeleteReportDocument(documentIndex(document));
    _Report->ReportRefreshTabs();
    showReportWindow();
}

void VantuMacroHost::execute(const std::string& commandLine) {
    QStringList words = QProcess::splitCommand(QString::fromStdString(commandLine));
    if (words.isEmpty()) return;
    const QString program = words.takeFirst();
    // Blocks the program until the process ends, however long it takes.
    QProcess::execute(program, words);
}

void VantuMacroHost::exit() {
    window_->SaveSettingsAndQuit();
}

bool VantuMacroHost::exitRequested() const {
    return window_->quitRequested();
}

void VantuMacroHost::aggregateReports() {
    if (_Report) _Report->AggregateClick();
}

void VantuMacroHost::colourChannel(uint32_t mode) {
    window_->state.ColorMode = mode;
    window_->state.ForcedPrefixOn = false;
    window_->state.ForcedPrefix.clear();
}

void VantuMacroHost::forcePrefix(const std::string& prefix) {
    window_->state.ForcedPrefix = prefix.substr(0, 3);
    window_->state.ForcedPrefixOn = true;
}

void VantuMacroHost::featureSelection(MacroFeatureSelection method) {
    if (_Report == nullptr) return;
    // On this thread, and the result is taken as it stands: no box to answer.
    if (method == MacroFeatureSelection::Mipaf)
        _Report->MIPAF1Click();
    else
        _Report->ReportFeatureSelection(static_cast<int>(method), true);
}

bool VantuMacroHost::saveImage(const std::string& path, int type) {
    return SaveImageFile(window_->state, type, path) == ImageSaveStatus::Ok;
}

bool VantuMacroHost::saveMap(const std::string& path, int kind) {
    // No map to save is a failed command: nothing was written.
    return _ImageView != nullptr && _ImageView->SaveMap(path, kind);
}

// Macros run unattended: the selected map goes without the unsaved-map question.
void VantuMacroHost::closeMap() {
    if (_ImageView) _ImageView->closeCurrentMap();
}

bool VantuMacroHost::loadOptions(const std::string& path) {
    platform::IniFile file;
    if (!file.load(path)) {
        platform::showError("Cannot read the options file\r\n" + path);
        return false;
    }
    if (UpperRooms* rooms = window_->rooms()) rooms->loadOptions(file);
    return true;
}

void VantuMacroHost::beep() {
    QApplication::beep();
}

MacroRunStatus RunMacroFile(Tvantu* window, const std::string& path) {
    VantuMacroHost host(window);
    return RunMacroFile(host, path);
}
