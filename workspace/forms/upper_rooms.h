// What the main window's commands reach in the rooms above the workspace
// (the analysis and volume windows). The program composes its windows at the
// top and hands the main window this; the main window itself never names a
// window of a higher room. Without it (a main window alone) these commands
// do nothing.
#pragma once

#include <string>

class QWidget;

namespace platform {
class IniFile;
}

class UpperRooms {
  public:
    virtual ~UpperRooms() = default;

    // "Run", once the image is there and the prefix is set: the 2D analysis,
    // then the report and map windows with what it produced.
    virtual void runAnalysis() = 0;
    // Analysis > "Options...".
    virtual void analysisOptions() = 0;
    // A macro file (File > "Run macro...", a plug-in, a file opened by its
    // extension); false when it could not be opened, failed its check,
    // stopped on a failed command or was refused as running already.
    virtual bool runMacroFile(const std::string& path) = 0;
    // A feature-map file opened by its extension; false (and nothing said)
    // when it is no usable map.
    virtual bool openFeatureMap(const std::string& path) = 0;

    // The unsaved reports and maps: their count, and their names for a run
    // without a display.
    virtual int unsavedWorkCount() = 0;
    virtual std::string unsavedWorkText() = 0;

    // Before the program ends: the work of the rooms that no unsaved-work
    // count covers (the 3D editor's VOIs) is offered for saving; false keeps
    // the program running.
    virtual bool mayEndProgram() = 0;

    // The option groups of every room: to the registry at exit, and from and
    // to an options file.
    virtual void saveOptionsToRegistry() = 0;
    virtual void loadOptions(const platform::IniFile& file) = 0;
    virtual void saveOptions(platform::IniFile& file) = 0;

    // The main window became active: the 3D editor may hand over a cross-section.
    virtual void mainWindowActivated() = 0;

    // The windows that the View menu shows and hides.
    enum class ViewWindow { Editor3D, Report, ImageView };
    virtual QWidget* viewWindow(ViewWindow which) = 0;

    // The grain tools of the "Testy" menu and the ruler that measures their scale.
    virtual void grainSegmentation() = 0;
    virtual void grainAnalysis() = 0;
    virtual void grainOptions() = 0;
    // The grain options' pixels per unit, for the ruler's read-out.
    virtual double grainPixelsPerUnit() = 0;
    // The ruler measured `length` pixels: offered as the grain options' scale.
    virtual void measureGrainScale(double length) = 0;
};
