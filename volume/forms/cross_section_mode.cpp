// The editor's side of the cross-section mode: which slice goes to the main
// window when that is activated, and taking the edited ROI map back when the
// editor is activated again.
#include <QEvent>
#include <QLabel>
#include <QSlider>
#include <utility>

#include "platform/dialogs.h"
#include "volume/forms/volume_editor_window.h"
#include "volume/forms/volume_view.h"
#include "volume/forms/voxel_size_dialog.h"
#include "workspace/core/roi/roi_save_mark.h"
#include "workspace/forms/image_info_window.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

namespace {

inline constexpr char kCrossSectionCaption[] = "Vantu - 3D data editing mode";

}  // namespace

bool TVoiEditor::handOverCrossSection() {
    if (!image_ || !mask_ || !isVisible() || !crossSectionPending_ || !_vantu) return false;
    crossSectionPending_ = false;
    const VoxelSizes sizes =
        (_ImageLoadOptions ? _ImageLoadOptions->values : VoxelSizes()).sanitized();
    const int plane =
        VoiDominantAxis(view->ViewMatrix, sizes.VoxelXSize, sizes.VoxelYSize, sizes.VoxelZSize);
    const QSlider* bar = plane == kCrossSectionPlaneZ   ? TrackBarZ
                         : plane == kCrossSectionPlaneY ? TrackBarY
                                                        : TrackBarX;
    Tvantu& main = *_vantu;
    crossSection_ = ::handOverCrossSection(*image_, *mask_, plane, bar->value(), main.state,
                                           main.trMinPosition(), main.trMaxPosition());
    if (!crossSection_) {
        const CrossSectionSize size = crossSectionSize(*image_, plane);
        platform::showError("Cannot show the cross-section: the slice is " +
                            std::to_string(size.width) + " x " + std::to_string(size.height) +
                            " pixels, more than the memory can hold.");
        return false;
    }
    // The slice's ROIs are the mask's, kept by the editor: not the main window's to save.
    markRoisKept(main.state);
    // The main window shows the slice as it shows a loaded image.
    main.RenderDisplay();
    main.ShowRoiIndicators();
    main.enableImageCommands();
    main.EnableUndoRedo(0);  // new planes, no history
    main.setWindowTitle(kCrossSectionCaption);
    main.statusPanel(1)->setText(QString("CrossSection %1").arg(crossSection_->position));
    ImageInfoFill(_ImageInfoView, main.state.ImageFileName, 0);
    return true;
}

bool TVoiEditor::takeBackCrossSection() {
    if (crossSectionPending_) return false;
    crossSectionPending_ = true;
    const std::optional<CrossSection> section = std::exchange(crossSection_, std::nullopt);
    // Another image loaded in the main window meanwhile is not a slice of
    // this volume: it never reaches the VOIs.
    if (!section || !mask_ || !_vantu) return false;
    const std::optional<int64_t> changed = ::takeBackCrossSection(*section, _vantu->state, *mask_);
    if (!changed) return false;
    markRoisKept(_vantu->state);
    // Only a real edit takes a place in the undo ring.
    maskChanged(*changed > 0);
    return true;
}

void TVoiEditor::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) takeBackCrossSection();
}
