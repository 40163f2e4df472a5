// Every window of Vantu lives from start-up to exit and is reached through
// one global pointer; they are created in one fixed order.
#pragma once

#include <QWidget>
#include <vector>

namespace platform {
class IniFile;
}

class Tvantu;
class TProgress;
class TReport;
class TImageView;
class TRoiRemark;
class TImageHeader;
class THistogram;
class TOptionsClass;
class TImageInfoView;
class TFormColor;
class TVoiEditor;
class TOptions;
class TImageLoadOptions;
class TOpZiarna;
class TForm1;
class TTransformation;
class TRawOptions;
class TBlock;
class TFFSpace;

extern Tvantu* _vantu;
extern TProgress* _Progress;
extern TReport* _Report;
extern TImageView* _ImageView;
extern TRoiRemark* _RoiRemark;
extern TImageHeader* _ImageHeader;
extern THistogram* _Histogram;
extern TOptionsClass* _OptionsClass;
extern TImageInfoView* _ImageInfoView;
extern TFormColor* _FormColor;
extern TVoiEditor* _VoiEditor;
extern TOptions* _Options;
extern TImageLoadOptions* _ImageLoadOptions;
extern TOpZiarna* _OpZiarna;
extern TForm1* _Form1;
extern TTransformation* _Transformation;
extern TRawOptions* _RawOptions;
extern TBlock* _Block;
extern TFFSpace* _FFSpace;

// Creates the 19 windows in their order, the main window first, and returns
// them in that order. The other windows are owned by the main window.
std::vector<QWidget*> createVantuWindows();

// Deletes the windows (the main window and with it the others) and clears
// the pointers; used at the end of the program and by tests.
void destroyVantuWindows();

// The option groups in the order the program writes and reads them: to the
// store at exit 2D, 3D, raw, voxel sizes, grain; in an options file 2D, 3D,
// voxel sizes, grain (the raw options are never in an options file).
void saveOptionGroupsToRegistry();
void loadOptionGroupsFromFile(const platform::IniFile& file);
void saveOptionGroupsToFile(platform::IniFile& file);
