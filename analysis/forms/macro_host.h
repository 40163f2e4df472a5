// The macro commands on the real program: each does what its menu command
// does on the main window, the report window and the option groups.
#pragma once

#include <string>

#include "analysis/core/macro/macro.h"

class Tvantu;

class VantuMacroHost : public MacroHost {
  public:
    explicit VantuMacroHost(Tvantu* window) : window_(window) {}

    bool loadImage(const std::string& path) override;
    void reloadImage() override;
    bool loadRoi(const std::string& path, int type) override;
    void renameRoi(int roi, const std::string& name) override;
    bool runAnalysis() override;
    // The grain analysis of the "Testy" menu.
    void grainAnalysis() override;
    bool saveReport(const std::string& path) override;
    bool saveSelected(const std::string& path) override;
    bool loadReport(const std::string& path) override;
    void closeReport() override;
    void execute(const std::string& commandLine) override;
    void exit() override;
    bool exitRequested() const override;
    void aggregateReports() override;
    void colourChannel(uint32_t mode) override;
    void forcePrefix(const std::string& prefix) override;
    // The report window's ranking, accepted without the result box.
    void featureSelection(MacroFeatureSelection method) override;
    bool saveImage(const std::string& path, int type) override;
    // The selected map of the map window: kind 1 .bmf, 2 its picture.
    bool saveMap(const std::string& path, int kind) override;
    void closeMap() override;
    bool loadOptions(const std::string& path) override;
    void beep() override;

  private:
    Tvantu* window_;
};

// Runs the macro file on the main window (File > "Run macro...", a ".txt"
// file from the command line or dropped on the window, a plug-in).
MacroRunStatus RunMacroFile(Tvantu* window, const std::string& path);
