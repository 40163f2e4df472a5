#include "vantu/window_composition.h"

#include <algorithm>
#include <utility>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/runner/analysis_runner.h"
#include "analysis/forms/analysis_2d_job.h"
#include "analysis/forms/feature_map_window.h"
#include "analysis/forms/feature_space_window.h"
#include "analysis/forms/grain_options_dialog.h"
#include "analysis/forms/progress_window.h"
#include "analysis/forms/report_window.h"
#include "platform/qt/qt_dialogs.h"
#include "vantu/room_wiring.h"
#include "volume/forms/analysis_3d_options_dialog.h"
#include "volume/forms/block_dialog.h"
#include "volume/forms/transformation_window.h"
#include "volume/forms/volume_editor_window.h"
#include "volume/forms/voxel_size_dialog.h"
#include "workspace/core/roi/roi_save_mark.h"
#include "workspace/forms/bit_plane_window.h"
#include "workspace/forms/class_name_dialog.h"
#include "workspace/forms/colour_conversion_dialog.h"
#include "workspace/forms/histogram_window.h"
#include "workspace/forms/image_header_window.h"
#include "workspace/forms/image_info_window.h"
#include "workspace/forms/raw_options_dialog.h"
#include "workspace/forms/roi_commands.h"
#include "workspace/forms/roi_remark_dialog.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

namespace {

template <typename Window>
Window* create(Window*& pointer, std::vector<QWidget*>& order) {
    pointer = new Window(_vantu);
    order.push_back(pointer);
    return pointer;
}

}  // namespace

std::vector<QWidget*> createVantuWindows() {
    std::vector<QWidget*> order;
    _vantu = new Tvantu;
    LoadOptionsFromRegistry(analysisSettings().options);
    _vantu->setRooms(makeUpperRooms(_vantu));
    // Boxes opened while the splash is the active window belong here.
    platform::setDialogOwner(_vantu);
    order.push_back(_vantu);
    create(_Progress, order);
    create(_Report, order);
    create(_ImageView, order);
    create(_RoiRemark, order);
    create(_ImageHeader, order);
    create(_Histogram, order);
    create(_OptionsClass, order);
    create(_ImageInfoView, order);
    create(_FormColor, order);
    create(_VoiEditor, order);
    create(_Options, order);
    create(_ImageLoadOptions, order);
    create(_OpZiarna, order);
    create(_Form1, order);
    create(_Transformation, order);
    create(_RawOptions, order);
    create(_Block, order);
    create(_FFSpace, order);
    _Transformation->target = _VoiEditor;
    _VoiEditor->workspaceRois = {[] { return roisUnsaved(_vantu->state); },
                                 [] {
                                     SaveRoiClick(_vantu);
                                     return !roisUnsaved(_vantu->state);
                                 }};
    registerProgressJob(kMode2D, [] { return make2DAnalysisJob(_vantu); });
    return order;
}

void destroyVantuWindows() {
    delete _vantu;  // owns every other window
    _vantu = nullptr;
    _Progress = nullptr;
    _Report = nullptr;
    _ImageView = nullptr;
    _RoiRemark = nullptr;
    _ImageHeader = nullptr;
    _Histogram = nullptr;
    _OptionsClass = nullptr;
    _ImageInfoView = nullptr;
    _FormColor = nullptr;
    _VoiEditor = nullptr;
    _Options = nullptr;
    _ImageLoadOptions = nullptr;
    _OpZiarna = nullptr;
    _Form1 = nullptr;
    _Transformation = nullptr;
    _RawOptions = nullptr;
    _Block = nullptr;
    _FFSpace = nullptr;
}

void saveOptionGroupsToRegistry() {
    SaveOptionsToRegistry(analysisSettings());
    if (_Options) save3DOptionsToRegistry(_Options->values);
    if (_RawOptions) SaveRawOptionsToRegistry(_RawOptions->values);
    if (_ImageLoadOptions) saveVoxelSizesToRegistry(_ImageLoadOptions->values);
    if (_OpZiarna) saveGrainOptionsToRegistry(_OpZiarna->values);
}

void loadOptionGroupsFromFile(const platform::IniFile& file) {
    // Each note with the line of its key in the file.
    std::vector<std::pair<long, std::string>> notes;
    // Only the keys the file holds: a value kept from before was said before.
    auto note = [&](const std::vector<std::string>& more) {
        for (const std::string& line : more)
            if (const long at = file.keyLine(platform::kOptionsSection,
                                             line.substr(0, line.find_first_of("= ")));
                at >= 0)
                notes.emplace_back(at, line);
    };
    LoadOptionsFromFile(file, analysisSettings().options);
    note(outOfRangeNotes(analysisSettings().options));
    if (_Options) {
        load3DOptionsFromFile(file, _Options->values);
        note(outOfRangeNotes(_Options->values));
    }
    if (_ImageLoadOptions) loadVoxelSizesFromFile(file, _ImageLoadOptions->values);
    if (_OpZiarna) {
        loadGrainOptionsFromFile(file, _OpZiarna->values);
        note(outOfRangeNotes(_OpZiarna->values));
    }
    // The dialogs and the analyses bring such values into range: say so once.
    if (notes.empty()) return;
    // In the order the user reads them in the file, whatever the groups' order.
    std::stable_sort(notes.begin(), notes.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string text = "Options outside the ranges of their dialogs:";
    for (const auto& [at, line] : notes) text += "\r\n" + line;
    platform::showMessage("Warning", text, platform::MessageButtons::Ok,
                          platform::MessageIcon::Warning);
}

void saveOptionGroupsToFile(platform::IniFile& file) {
    SaveOptionsToFile(file, analysisSettings().options);
    if (_Options) save3DOptionsToFile(file, _Options->values);
    if (_ImageLoadOptions) saveVoxelSizesToFile(file, _ImageLoadOptions->values);
    if (_OpZiarna) saveGrainOptionsToFile(file, _OpZiarna->values);
}
