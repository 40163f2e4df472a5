#include "workspace/forms/open_dispatch.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <algorithm>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/dialogs.h"
#include "platform/file_dialog_requests.h"
#include "platform/out_of_memory.h"
#include "workspace/core/formats/declared_size.h"
#include "workspace/core/formats/image_info_text.h"
#include "workspace/core/formats/image_load.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/core/image/colour_modes.h"
#include "workspace/core/image/image_plane.h"
#include "workspace/core/roi/roi_files.h"
#include "workspace/forms/histogram_window.h"
#include "workspace/forms/image_info_window.h"
#include "workspace/forms/raw_options_dialog.h"
#include "workspace/forms/roi_commands.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

namespace {

RawOptions currentRawOptions() {
    return rawOptions();
}

}  // namespace

std::string pathWithoutQuotes(const std::string& path) {
    if (path.empty() || path.front() != '"') return path;
    size_t close = path.find('"', 1);
    return path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

namespace {

int loadImage(Tvantu* window, int index, const std::string& path) {
    window->statusPanel(1)->clear();
    // What was kept for runs on the image shown (up to three planes of its
    // size) goes before the next image is read, not after: with the largest
    // images it is the memory the new one needs. Runs on the old image, if
    // it stays, only make it anew.
    window->state.WorkingSet.reset();
    LoadedImage image;
    // Scanner files can be slow to come from network folders.
    if (scannerFormatId(index) != 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    int code = readImageSamples(index, path, currentRawOptions(), window->state.ColorMode, image);
    if (scannerFormatId(index) != 0) QApplication::restoreOverrideCursor();
    if (code != 0) return code;
    if (!applyLoadedImage(window->state, std::move(image), window->trMinPosition(),
                          window->trMaxPosition()))
        return kLoadCannotRead;
    window->RenderDisplay();
    window->ShowRoiIndicators();
    window->enableImageCommands();
    window->EnableUndoRedo(0);  // the new map has no history
    window->statusPanel(1)->setText(
        QString::fromStdString(std::string(colourModeStatusText(window->state.LoadedColorMode))));
    window->setWindowTitle(QString::fromStdString("Vantu - " + path));
    window->state.ImageFileName = path;
    const int source = scannerFormatId(index) != 0 ? scannerFormatId(index)
                       : (index == kFormatDicom || index == kFormatDicomDcm) ? kInfoSourceDicom
                                                                             : 0;
    ImageInfoFill(_ImageInfoView, path, source);
    HistogramUpdate();
    return 0;
}

}  // namespace

static_assert(kMaxImagePixels == size_t{16384} * 16384, "the text names the limit");

std::string imageTooLargeText(const std::string& path, int64_t width, int64_t height) {
    return "Cannot load " + path + ": the image is " + std::to_string(width) + " x " +
           std::to_string(height) + " pixels, more than the 16384 x 16384 Vantu holds.";
}

int LoadImageFile(Tvantu* window, int index, const std::string& path) {
    try {
        const int code = loadImage(window, index, path);
        if (code == 0) return 0;
        // A header that declares more than the program holds was refused
        // before anything was allocated; say why instead of "invalid format".
        std::optional<DeclaredSize> size = declaredImageSize(index, path, currentRawOptions());
        if (size && size->width > 0 && size->height > 0 &&
            static_cast<uint64_t>(size->width) * static_cast<uint64_t>(size->height) >
                kMaxImagePixels) {
            platform::showError(imageTooLargeText(path, size->width, size->height));
            return kLoadTooLarge;
        }
        return code;
    } catch (const std::bad_alloc&) {
        // The planes are swapped in only once both exist: the image shown
        // before stays as it was.
        std::optional<DeclaredSize> size;
        try {
            size = declaredImageSize(index, path, currentRawOptions());
        } catch (const std::bad_alloc&) {
        }
        platform::showError(size ? platform::notEnoughMemoryText(path, size->width, size->height)
                                 : platform::notEnoughMemoryText(path));
        return kLoadNoMemory;
    }
}

int OpenFileByExtension(Tvantu* window, const std::string& given) {
    std::string path = pathWithoutQuotes(given);
    switch (classifyPath(path)) {
        case OpenedKind::Roi:
            return LoadRoiFile(window, path, kLoadRoiTypeRoiFile) == 0 ? 15 : 0;
        case OpenedKind::Macro: {
            // A macro that stopped on an error, never ran or was refused as
            // running already did not do what it was opened for; a batch
            // run must see that.
            UpperRooms* rooms = window->rooms();
            return rooms && rooms->runMacroFile(path) ? 15 : 0;
        }
        case OpenedKind::FeatureMap: {
            UpperRooms* rooms = window->rooms();
            return rooms && rooms->openFeatureMap(path) ? 15 : 0;
        }
        case OpenedKind::Image:
            break;
    }
    for (int index : formatIndexesFor(path)) {
        const int code = LoadImageFile(window, index, path);
        if (code == 0) return index;
        if (code == kLoadNoMemory || code == kLoadTooLarge)
            return 0;  // said so; another reader would fail alike
    }
    const int code = LoadImageFile(window, kFormatRaw, path);
    if (code == 0) return kFormatRaw;
    if (code == kLoadNoMemory || code == kLoadTooLarge) return 0;
    platform::showError("Invalid image file format (Drag-drop)");
    return 0;
}

namespace {

// The load dialog's entry for a format index ("Windows Bitmap (*.bmp)"); the
// second DICOM index has none of its own and shares the first one's.
std::string formatEntry(int index) {
    if (index == kFormatDicomDcm) index = kFormatDicom;
    const std::vector<platform::FilterEntry> entries = platform::parseFilter(kLoadImageFilter);
    if (index < 1 || static_cast<size_t>(index) > entries.size()) return {};
    return entries[static_cast<size_t>(index) - 1].description;
}

bool sameReader(int a, int b) {
    auto dicom = [](int index) { return index == kFormatDicom || index == kFormatDicomDcm; };
    return a == b || (dicom(a) && dicom(b));
}

}  // namespace

std::string cannotLoadAsText(const std::string& path, int index) {
    const std::string entry = formatEntry(index);
    std::string text = "Cannot load the image\r\n" + path;
    if (!entry.empty())
        text += "\r\nas " + entry + ". Choose the file's type in the dialog, or give the name " +
                "its type's extension.";
    return text;
}

void LoadClick(Tvantu* window) {
    window->state.IgnoreMouse = 1;
    platform::FileDialogRequest request =
        platform::fileDialogRequest(platform::FileDialogKind::Open, "Load image", kLoadImageFilter);
    auto answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    // A name whose extension says what the file is opens as it would from the
    // command line or a drop, whatever type the list showed; the chosen type
    // decides only where the name agrees with it or says nothing.
    const std::vector<int> byName = formatIndexesFor(answer.path);
    const bool chosenFits = std::any_of(byName.begin(), byName.end(), [&](int index) {
        return sameReader(index, answer.filterIndex);
    });
    if (classifyPath(answer.path) != OpenedKind::Image || (!byName.empty() && !chosenFits)) {
        OpenFileByExtension(window, answer.path);
        return;
    }
    const int code = LoadImageFile(window, answer.filterIndex, answer.path);
    if (code != 0 && code != kLoadNoMemory && code != kLoadTooLarge)
        platform::showError(cannotLoadAsText(answer.path, answer.filterIndex));
}
