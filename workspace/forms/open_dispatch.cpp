#include "workspace/forms/open_dispatch.h"

#include <QAction>
#include <QApplication>
#include <QLabel>

#include "analysis/forms/feature_map_window.h"
#include "analysis/forms/macro_host.h"
#include "platform/dialogs.h"
#include "workspace/core/image/colour_modes.h"
#include "workspace/core/formats/image_info_text.h"
#include "workspace/core/formats/image_load.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/core/roi/roi_files.h"
#include "workspace/forms/histogram_window.h"
#include "workspace/forms/image_info_window.h"
#include "workspace/forms/raw_options_dialog.h"
#include "workspace/forms/roi_commands.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

namespace {

RawOptions currentRawOptions() {
    return _RawOptions ? _RawOptions->values : RawOptions{};
}

}  // namespace

std::string PathWithoutQuotes(const std::string& path) {
    if (path.empty() || path.front() != '"') return path;
    size_t close = path.find('"', 1);
    return path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

int LoadImageFile(Tvantu* window, int index, const std::string& path) {
    window->statusPanel(1)->clear();
    LoadedImage image;
    // Scanner files can be slow to come from network folders.
    if (ScannerFormatId(index) != 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    int code = ReadImageSamples(index, path, currentRawOptions(), window->state.ColorMode, image);
    if (ScannerFormatId(index) != 0) QApplication::restoreOverrideCursor();
    if (code != 0) return code;
    if (!ApplyLoadedImage(window->state, std::move(image), window->trMinPosition(),
                          window->trMaxPosition()))
        return kLoadCannotRead;
    window->RenderDisplay();
    window->ShowRoiIndicators();
    window->EnableImageCommands();
    window->EnableUndoRedo(0);  // the new map has no history
    window->statusPanel(1)->setText(
        QString::fromStdString(std::string(ColourModeStatusText(window->state.LoadedColorMode))));
    window->setWindowTitle(QString::fromStdString("Vantu - " + path));
    window->state.ImageFileName = path;
    const int source = ScannerFormatId(index) != 0 ? ScannerFormatId(index)
                       : (index == kFormatDicom || index == kFormatDicomDcm) ? kInfoSourceDicom
                                                                             : 0;
    ImageInfoFill(_ImageInfoView, path, source);
    HistogramUpdate();
    return 0;
}

int OpenFileByExtension(Tvantu* window, const std::string& given) {
    std::string path = PathWithoutQuotes(given);
    switch (ClassifyPath(path)) {
        case OpenedKind::Roi:
            LoadRoiFile(window, path, kLoadRoiTypeRoiFile);
            return 15;
        case OpenedKind::Macro:
            RunMacroFile(window, path);
            return 15;
        case OpenedKind::FeatureMap:
            if (_ImageView) {
                _ImageView->show();
                if (QAction* item = window->findChild<QAction*>("ImageView1"))
                    item->setChecked(true);
                // A file that is not a usable .bmf is ignored, as by the window's own loader.
                _ImageView->LoadBmfMap(path);
            }
            return 15;
        case OpenedKind::Image:
            break;
    }
    for (int index : FormatIndexesFor(path))
        if (LoadImageFile(window, index, path) == 0) return index;
    if (LoadImageFile(window, kFormatRaw, path) == 0) return kFormatRaw;
    platform::showError("Invalid image file format (Drag-drop)");
    return 0;
}

void LoadClick(Tvantu* window) {
    window->state.IgnoreMouse = 1;
    platform::FileDialogRequest request;
    request.title = "Load image";
    request.filter = kLoadImageFilter;
    request.mustExist = true;
    auto answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    if (LoadImageFile(window, answer.filterIndex, answer.path) != 0)
        platform::showError("Cannot load the image\r\n" + answer.path);
}
