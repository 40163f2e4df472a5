// Vantu's macro language: a text file of commands, one per line, run in two
// passes. The check pass validates every line (following loops, changing
// folders, testing input files and probing output files) and collects up to
// 8 errors; only a macro without errors runs, after a warning when output
// files would be overwritten. The execution pass hands each command to a
// MacroHost, which does what the menus would do.
//
//   LoadImage <file>        ReloadImage            LoadROI <file.roi|.bmp>
//   RenameRoi <n> <text>    RunAnalysis            GrainAnalysis
//   SaveReport <file>       SaveSelected <file>    LoadReport <file>
//   CloseReport             AggregateReports       Execute <command line>
//   ColorChannel <Y|R|G|B|U|V|H|S>                 ForcePrefix <text>
//   FeatureSelection <Fisher|Poeacc|Mutual|Singles|Pairs|Triplets|Mipaf>
//   SaveImage <file.bmp|.raw|.dcm|.dicom>          SaveMap <file.bmf|.bmp>
//   CloseMap                LoadOptions <file>     ChDir <folder>
//   Exit                    End                    TestEnd
//   For $v a b c ... End    For %f <wildcard> ... End
//
// Commands compare without regard to letter case; a line whose first token
// begins with '/' or ';' is a comment.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/core/macro/macro_syntax.h"

// The criteria "FeatureSelection" runs; 1..6 are the report window's
// criteria, Mipaf is its "MI+PA+F (30)".
enum class MacroFeatureSelection : int {
    Fisher = 1,
    Poeacc = 2,
    Mutual = 3,
    Singles = 4,
    Pairs = 5,
    Triplets = 6,
    Mipaf = 7,
};

// What the commands do. Every call comes from the execution pass with an
// argument the check pass accepted (or that "TestEnd" let through unchecked
// and the pass could still make sense of).
//
// The operations that read or write a file return whether they succeeded. A
// false stops the execution pass: a macro that goes on after a failed load
// analyses the wrong image or ROIs, and one that goes on after a failed save
// loses the result while looking successful. The operation has already said
// why (its own box); the pass then names the command, the file and the line.
class MacroHost {
  public:
    virtual ~MacroHost() = default;
    // Opens the file as a file from the command line would be opened (a
    // ".txt" file runs as a macro).
    [[nodiscard]] virtual bool loadImage(const std::string& path) = 0;
    virtual void reloadImage() = 0;
    // type 1: a ROI file; type 2: ROIs from a picture in the ROI colours.
    [[nodiscard]] virtual bool loadRoi(const std::string& path, int type) = 0;
    // roi 1..16
    virtual void renameRoi(int roi, const std::string& name) = 0;
    // False when no report came of it (no image, no ROI, cancelled).
    [[nodiscard]] virtual bool runAnalysis() = 0;
    virtual void grainAnalysis() = 0;
    [[nodiscard]] virtual bool saveReport(const std::string& path) = 0;
    [[nodiscard]] virtual bool saveSelected(const std::string& path) = 0;
    [[nodiscard]] virtual bool loadReport(const std::string& path) = 0;
    virtual void closeReport() = 0;
    // Starts the command line and waits for it to end.
    virtual void execute(const std::string& commandLine) = 0;
    // Saves the settings and ends the program; the macro stops after it.
    virtual void exit() = 0;
    // True once the program is ending: the macro (and any macro that started
    // it) runs no further command.
    virtual bool exitRequested() const = 0;
    virtual void aggregateReports() = 0;
    // mode 0..7 (Y, R, G, B, U, V, H, S)
    virtual void colourChannel(uint32_t mode) = 0;
    // At most 3 characters.
    virtual void forcePrefix(const std::string& prefix) = 0;
    virtual void featureSelection(MacroFeatureSelection method) = 0;
    // type 1 bitmap, 2 raw, 3 DICOM
    [[nodiscard]] virtual bool saveImage(const std::string& path, int type) = 0;
    // kind 1 .bmf, 2 bitmap of the displayed map
    [[nodiscard]] virtual bool saveMap(const std::string& path, int kind) = 0;
    virtual void closeMap() = 0;
    // An absolute path.
    [[nodiscard]] virtual bool loadOptions(const std::string& path) = 0;
    // An unknown command.
    virtual void beep() = 0;
};

inline constexpr int kMaxMacroErrors = 8;
// The check pass reads at most this many lines, every loop iteration
// counted; a macro whose loops run longer is refused with
// macroCheckTooLongText, which counts as 8 errors.
inline constexpr long long kMaxMacroCheckLines = 100'000;
std::string macroCheckTooLongText(int line);
inline constexpr std::string_view kMacroErrorHeader = "Analysis ABORTED:\r\n";

struct MacroCheckResult {
    int errors = 0;
    // Output files that exist already and would be overwritten.
    int existingFiles = 0;
    // kMacroErrorHeader followed by one line per error.
    std::string text = std::string(kMacroErrorHeader);
};

// Checks the lines from the source's current position until its end, the 8th
// error, "TestEnd", or a top-level "End". "ChDir" changes the current folder
// at once (so later relative names are checked where they will be used); the
// caller restores it. Output files that do not exist are created and deleted
// again to prove they can be written.
MacroCheckResult MacroCheck(MacroSource& source);

// Runs the lines from the source's current position until its end, a
// top-level "End", "Exit", the host's exitRequested(), or a file operation
// that fails. On a failure shows macroFailureText in an "Error" box and
// returns false; otherwise returns true.
bool MacroExecute(MacroSource& source, MacroHost& host);

// "Command \"SaveReport\" failed in line 7 (file \"out.par\").\r\nThe macro was stopped."
// A command without a file: "Command \"RunAnalysis\" failed in line 2.\r\n..."
std::string macroFailureText(std::string_view command, const std::string& file, int line);

enum class MacroRunStatus {
    Executed,
    CannotOpen,      // "Cannot open script file." was shown
    AlreadyRunning,  // the macro is running already (it loaded itself)
    CheckFailed,     // the error list was shown
    Cancelled,       // the overwrite warning was answered with Cancel
    Failed,          // a command of the execution pass failed and stopped the macro
};

// Runs a macro file: the check pass (the current folder is the same before
// and after it), the error box or the overwrite warning, then the execution
// pass. A macro that is already running, directly or through the macros it
// loads, is refused with a message instead of starting again.
MacroRunStatus RunMacroFile(MacroHost& host, const std::string& path);

// Whether a macro that was loaded did what it was loaded for. One that could
// not be opened, failed its check, stopped on a failed command or was refused
// because it is running already did not: the load that started it failed,
// and a macro that loaded it stops there too.
bool macroRanThrough(MacroRunStatus status);

// Texts of the runner's boxes.
inline constexpr std::string_view kCannotOpenMacroText = "Cannot open script file.";
inline constexpr std::string_view kMacroOverwriteWarning =
    "There are files that already exist and will be overwritten.";
// The refusal of a macro that is already running.
std::string macroAlreadyRunningText(const std::string& path);
