#include "workspace/forms/vantu_windows.h"

// The pointers, set by the program's composition of its windows (and `_vantu`
// by the main window itself).
TProgress* _Progress = nullptr;
TReport* _Report = nullptr;
TImageView* _ImageView = nullptr;
TRoiRemark* _RoiRemark = nullptr;
TImageHeader* _ImageHeader = nullptr;
THistogram* _Histogram = nullptr;
TOptionsClass* _OptionsClass = nullptr;
TImageInfoView* _ImageInfoView = nullptr;
TFormColor* _FormColor = nullptr;
TVoiEditor* _VoiEditor = nullptr;
TOptions* _Options = nullptr;
TImageLoadOptions* _ImageLoadOptions = nullptr;
TOpZiarna* _OpZiarna = nullptr;
TForm1* _Form1 = nullptr;
TTransformation* _Transformation = nullptr;
TRawOptions* _RawOptions = nullptr;
TBlock* _Block = nullptr;
TFFSpace* _FFSpace = nullptr;
