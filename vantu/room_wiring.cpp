#include "vantu/room_wiring.h"

#include <QAction>
#include <QApplication>

#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/reports/unsaved_work.h"
#include "analysis/core/runner/analysis_runner.h"
#include "analysis/forms/analysis_options_dialog.h"
#include "analysis/forms/feature_map_window.h"
#include "analysis/forms/grain_commands.h"
#include "analysis/forms/grain_options_dialog.h"
#include "analysis/forms/macro_host.h"
#include "analysis/forms/progress_window.h"
#include "analysis/forms/report_window.h"
#include "vantu/window_composition.h"
#include "volume/forms/volume_editor_window.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

namespace {

class VantuRooms final : public UpperRooms {
  public:
    explicit VantuRooms(Tvantu* window) : window_(window) {}

    void runAnalysis() override {
        AnalysisMode = kMode2D;
        _Progress->exec();
        if (NthReportDocument(0)) {
            _Report->ReportRefreshTabs();
            // Shown where the user sees it: a minimised or covered report window
            // would collect new tabs nobody notices.
            _Report->setWindowState(_Report->windowState() & ~Qt::WindowMinimized);
            _Report->show();
            _Report->raise();
            _Report->activateWindow();
            checkViewItem("Report");
        }
        if (MapListAt(0)) {
            _ImageView->show();
            checkViewItem("Image View");
            _ImageView->ImageViewRefreshTabs();
        }
    }

    void analysisOptions() override {
        GrainOptions fallback;
        AnalysisOptionsDialog dialog(window_, analysisSettings(),
                                     _OpZiarna ? _OpZiarna->values : fallback);
        dialog.exec();
    }

    bool runMacroFile(const std::string& path) override {
        return macroRanThrough(RunMacroFile(window_, path));
    }

    bool openFeatureMap(const std::string& path) override {
        if (!_ImageView) return false;
        _ImageView->show();
        checkViewItem("Image View");
        // A file that is not a usable .bmf is ignored without a word, as by
        // the window's own loader; a macro names it as a failed load.
        return _ImageView->LoadBmfMap(path);
    }

    int unsavedWorkCount() override { return unsavedReportCount() + unsavedFeatureMapCount(); }
    std::string unsavedWorkText() override { return ::unsavedWorkText(); }

    bool mayEndProgram() override { return !_VoiEditor || _VoiEditor->mayEndProgram(); }

    void saveOptionsToRegistry() override { saveOptionGroupsToRegistry(); }
    void loadOptions(const platform::IniFile& file) override { loadOptionGroupsFromFile(file); }
    void saveOptions(platform::IniFile& file) override { saveOptionGroupsToFile(file); }

    void mainWindowActivated() override {
        if (_VoiEditor) _VoiEditor->handOverCrossSection();
    }

    QWidget* viewWindow(ViewWindow which) override {
        switch (which) {
            case ViewWindow::Editor3D:
                return _VoiEditor;
            case ViewWindow::Report:
                return _Report;
            case ViewWindow::ImageView:
                return _ImageView;
        }
        return nullptr;
    }

    void grainSegmentation() override { SegmentacjaClick(window_); }
    void grainAnalysis() override { Analiza1Click(window_); }
    void grainOptions() override {
        if (_OpZiarna) _OpZiarna->exec();
    }
    double grainPixelsPerUnit() override { return _OpZiarna ? _OpZiarna->values.Sg_PPU : 0.0; }

    void measureGrainScale(double length) override {
        if (!_OpZiarna) return;
        GrainOptions kept = _OpZiarna->values;
        _OpZiarna->values.Sg_Pixels = length;
        if (_OpZiarna->values.Sg_Units != 0.0)
            _OpZiarna->values.Sg_PPU = length / _OpZiarna->values.Sg_Units;
        if (_OpZiarna->exec() != QDialog::Accepted) {
            _OpZiarna->values.Sg_Pixels = kept.Sg_Pixels;
            _OpZiarna->values.Sg_Units = kept.Sg_Units;
            _OpZiarna->values.Sg_PPU = kept.Sg_PPU;
        }
    }

  private:
    void checkViewItem(const QString& caption) {
        if (QAction* item = window_->action(caption)) item->setChecked(true);
    }

    Tvantu* window_;
};

}  // namespace

std::unique_ptr<UpperRooms> makeUpperRooms(Tvantu* window) {
    return std::make_unique<VantuRooms>(window);
}
