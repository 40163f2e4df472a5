// Every window of Vantu lives from start-up to exit and is reached through
// one global pointer; they are created in one fixed order.
#pragma once

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
