#include "analysis/core/macro/macro.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/textformat.h"
#include "workspace/core/formats/open_rules.h"

namespace fs = std::filesystem;

namespace {

enum class Command {
    End,
    TestEnd,
    For,
    ChDir,
    LoadImage,
    ReloadImage,
    LoadRoi,
    RenameRoi,
    RunAnalysis,
    GrainAnalysis,
    SaveReport,
    SaveSelected,
    LoadReport,
    CloseReport,
    Execute,
    Exit,
    AggregateReports,
    ColorChannel,
    ForcePrefix,
    FeatureSelection,
    SaveImage,
    SaveMap,
    CloseMap,
    LoadOptions,
    Unknown,
};

struct CommandName {
    std::string_view name;
    Command command;
};

constexpr std::array<CommandName, 24> kCommands = {{
    {"End", Command::End},
    {"TestEnd", Command::TestEnd},
    {"For", Command::For},
    {"ChDir", Command::ChDir},
    {"LoadImage", Command::LoadImage},
    {"ReloadImage", Command::ReloadImage},
    {"LoadROI", Command::LoadRoi},
    {"RenameRoi", Command::RenameRoi},
    {"RunAnalysis", Command::RunAnalysis},
    {"GrainAnalysis", Command::GrainAnalysis},
    {"SaveReport", Command::SaveReport},
    {"SaveSelected", Command::SaveSelected},
    {"LoadReport", Command::LoadReport},
    {"CloseReport", Command::CloseReport},
    {"Execute", Command::Execute},
    {"Exit", Command::Exit},
    {"AggregateReports", Command::AggregateReports},
    {"ColorChannel", Command::ColorChannel},
    {"ForcePrefix", Command::ForcePrefix},
    {"FeatureSelection", Command::FeatureSelection},
    {"SaveImage", Command::SaveImage},
    {"SaveMap", Command::SaveMap},
    {"CloseMap", Command::CloseMap},
    {"LoadOptions", Command::LoadOptions},
}};

constexpr std::array<std::pair<std::string_view, MacroFeatureSelection>, 7> kSelectionMethods = {{
    {"Fisher", MacroFeatureSelection::Fisher},
    {"Poeacc", MacroFeatureSelection::Poeacc},
    {"Mutual", MacroFeatureSelection::Mutual},
    {"Singles", MacroFeatureSelection::Singles},
    {"Pairs", MacroFeatureSelection::Pairs},
    {"Triplets", MacroFeatureSelection::Triplets},
    {"Mipaf", MacroFeatureSelection::Mipaf},
}};

// ColorChannel letters in the order of the colour modes 0..7.
constexpr std::string_view kChannelLetters = "YRGBUVHS";

constexpr size_t kMaxPrefixLength = 3;

Command lookup(std::string_view token) {
    for (const CommandName& entry : kCommands)
        if (platform::equalsNoCase(entry.name, token)) return entry.command;
    return Command::Unknown;
}

std::string_view commandName(Command command) {
    for (const CommandName& entry : kCommands)
        if (entry.command == command) return entry.name;
    return {};
}

std::string lowerExtension(const std::string& path) {
    return platform::lowerAscii(fileExtension(path));
}

// 0 for a type the command does not write or read.
int roiFileType(const std::string& path) {
    std::string ext = lowerExtension(path);
    return ext == ".roi" ? 1 : ext == ".bmp" ? 2 : 0;
}

int imageSaveType(const std::string& path) {
    std::string ext = lowerExtension(path);
    if (ext == ".bmp") return 1;
    if (ext == ".raw") return 2;
    if (ext == ".dcm" || ext == ".dicom") return 3;
    return 0;
}

int mapSaveKind(const std::string& path) {
    std::string ext = lowerExtension(path);
    return ext == ".bmf" ? 1 : ext == ".bmp" ? 2 : 0;
}

// -1 for anything but one of the channel letters (either case) at the start.
int channelMode(const std::string& argument) {
    if (argument.empty()) return -1;
    char letter = platform::upperAscii(argument[0]);
    size_t at = kChannelLetters.find(letter);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

std::optional<MacroFeatureSelection> selectionMethod(const std::string& argument) {
    for (const auto& [name, method] : kSelectionMethods)
        if (platform::equalsNoCase(name, argument)) return method;
    return std::nullopt;
}

std::optional<int> roiIndex(const std::string& token) {
    int n = platform::cToInt(token);
    if (n < 1 || n > 16) return std::nullopt;
    return n;
}

bool isInputFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// The "For" line: the variable and the values it will take.
struct LoopHeader {
    enum class Fault { None, NoName, BadName, NoFiles };
    Fault fault = Fault::None;
    std::string name;
    std::vector<std::string> values;
};

LoopHeader readLoopHeader(std::string_view rest, size_t variablesInUse) {
    LoopHeader header;
    std::vector<std::string> tokens = macroTokens(rest);
    if (tokens.empty() || (tokens[0][0] != '$' && tokens[0][0] != '%')) {
        header.fault = LoopHeader::Fault::NoName;
        return header;
    }
    header.name = tokens[0];
    if (variablesInUse >= kMaxMacroVariables || header.name.size() > kMaxMacroVariableName) {
        header.fault = LoopHeader::Fault::BadName;
        return header;
    }
    if (header.name[0] == '$') {
        header.values.assign(tokens.begin() + 1, tokens.end());
    } else {
        // The matches are taken once, when the loop starts: what the body
        // writes into the folder does not change the loop.
        if (tokens.size() > 1) header.values = findMacroFiles(tokens[1]);
        if (header.values.empty()) header.fault = LoopHeader::Fault::NoFiles;
    }
    return header;
}

bool fitsBesideName(const std::string& name, const std::string& value) {
    return name.size() + value.size() <= kMaxMacroNameAndValue;
}

bool isEnd(const MacroLine& line) {
    return line.kind == MacroLine::Kind::Command && lookup(line.command) == Command::End;
}

bool isFor(const MacroLine& line) {
    return line.kind == MacroLine::Kind::Command && lookup(line.command) == Command::For;
}

// Reads past the body of a loop that does not run, up to its own "End"
// (inner loops are passed with theirs). False when the file ends first.
bool skipLoopBody(MacroSource& source, const std::vector<MacroVariable>& variables, int& line) {
    int depth = 0;
    std::string raw;
    while (source.readLine(raw)) {
        ++line;
        MacroLine parsed = splitMacroLine(substituteVariables(raw, variables));
        if (isFor(parsed)) {
            ++depth;
        } else if (isEnd(parsed)) {
            if (depth == 0) return true;
            --depth;
        }
    }
    return false;
}

enum class BlockEnd { End, EndOfFile, Stopped };

// --- Check pass ---------------------------------------------------------------

class Checker {
  public:
    explicit Checker(MacroSource& source) : source_(source) {}

    MacroCheckResult run() {
        block();
        return result_;
    }

  private:
    void error(const std::string& message) {
        if (stopped_) return;
        result_.text += message;
        if (++result_.errors >= kMaxMacroErrors) stopped_ = true;
    }

    // A loop cannot return to its body: nothing after this can be trusted.
    void positionLost() {
        if (stopped_) return;
        result_.text += platform::cformat("Incorrect constant in line %d\r\n", line_);
        result_.errors = kMaxMacroErrors;
        stopped_ = true;
    }

    BlockEnd block() {
        std::string raw;
        while (!stopped_ && source_.readLine(raw)) {
            ++line_;
            // Nested loops multiply: a few lines can stand for millions, each
            // probing files, and the program would not answer meanwhile.
            if (++visited_ > kMaxMacroCheckLines) {
                result_.text += macroCheckTooLongText(line_);
                result_.errors = kMaxMacroErrors;
                stopped_ = true;
                break;
            }
            MacroLine parsed = splitMacroLine(substituteVariables(raw, variables_));
            if (parsed.kind != MacroLine::Kind::Command) continue;
            Command command = lookup(parsed.command);
            if (command == Command::End) return BlockEnd::End;
            if (command == Command::TestEnd) {
                stopped_ = true;
                break;
            }
            checkCommand(command, parsed);
        }
        return stopped_ ? BlockEnd::Stopped : BlockEnd::EndOfFile;
    }

    void skipBody(int forLine) {
        if (!skipLoopBody(source_, variables_, line_))
            error(platform::cformat("For-End loop problem in line %d\r\n", forLine));
    }

    void checkLoop(const MacroLine& parsed) {
        const int forLine = line_;
        LoopHeader header = readLoopHeader(parsed.rest, variables_.size());
        switch (header.fault) {
            case LoopHeader::Fault::NoName:
                error(platform::cformat("Variable name is missing in line %d\r\n", forLine));
                return skipBody(forLine);
            case LoopHeader::Fault::BadName:
                error(platform::cformat("Incorrect variable name in line %d\r\n", forLine));
                return skipBody(forLine);
            case LoopHeader::Fault::NoFiles:
                error(platform::cformat("Incorrect wildcard or no such file %d\r\n", forLine));
                return skipBody(forLine);
            case LoopHeader::Fault::None:
                break;
        }
        for (const std::string& value : header.values) {
            if (!fitsBesideName(header.name, value)) {
                error(platform::cformat("Incorrect constant in line %d\r\n", forLine));
                return skipBody(forLine);
            }
        }
        std::optional<long> body = source_.position();
        if (!body) return positionLost();
        if (header.values.empty()) {
            error(platform::cformat("Empty For-End loop in line %d\r\n", forLine));
            return skipBody(forLine);
        }
        variables_.push_back({header.name, std::string(kMacroNullValue)});
        for (const std::string& value : header.values) {
            if (!source_.seek(*body)) return positionLost();
            line_ = forLine;
            variables_.back().value = value;
            BlockEnd end = block();
            if (end == BlockEnd::Stopped) return;
            if (end == BlockEnd::EndOfFile) {
                error(platform::cformat("For-End loop problem in line %d\r\n", forLine));
                break;
            }
        }
        variables_.pop_back();
    }

    // An output file: one that exists is counted for the overwrite warning
    // when the user may write it; any other must be creatable, which creating
    // and deleting it proves.
    void checkOutput(const std::string& path) {
        if (!outputWritable(path))
            error(platform::cformat("Cannot create file \"%s\". Line %d\r\n", path.c_str(), line_));
    }

    bool outputWritable(const std::string& path) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) return false;
        if (fs::exists(fs::symlink_status(path, ec))) {
            if (!platform::mayReplaceFile(path)) return false;
            ++result_.existingFiles;
            return true;
        }
        std::FILE* probe = std::fopen(path.c_str(), "wb");
        if (!probe) return false;
        std::fclose(probe);
        std::remove(path.c_str());
        return true;
    }

    bool requireArgument(const std::string& argument, const char* what) {
        if (!argument.empty()) return true;
        error(platform::cformat("Argument <%s> is missing in line %d\r\n", what, line_));
        return false;
    }

    bool requireInput(const std::string& path) {
        if (isInputFile(path)) return true;
        error(platform::cformat("File \"%s\" is missing. Line %d\r\n", path.c_str(), line_));
        return false;
    }

    void unsupportedType(const std::string& path) {
        error(
            platform::cformat("File \"%s\" of unsupported type. Line %d\r\n", path.c_str(), line_));
    }

    void checkCommand(Command command, const MacroLine& parsed) {
        const std::string argument = macroArgument(parsed.rest);
        switch (command) {
            case Command::For:
                checkLoop(parsed);
                break;
            case Command::ChDir: {
                if (argument.empty()) break;
                std::error_code ec;
                fs::current_path(argument, ec);
                if (ec) error(platform::cformat("Invalid directory name in line %d\r\n", line_));
                break;
            }
            case Command::LoadImage:
            case Command::LoadReport:
            case Command::LoadOptions:
                if (requireArgument(argument, "filename")) requireInput(argument);
                break;
            case Command::LoadRoi:
                if (!requireArgument(argument, "filename")) break;
                if (roiFileType(argument) == 0) {
                    unsupportedType(argument);
                    break;
                }
                requireInput(argument);
                break;
            case Command::RenameRoi: {
                MacroIndexAndText index = macroIndexArgument(parsed.rest);
                if (index.index.empty())
                    error(platform::cformat("Class index missing in line %d\r\n", line_));
                else if (!roiIndex(index.index))
                    error(platform::cformat("Class index must be from 1 to 16 in line %d\r\n",
                                            line_));
                break;
            }
            case Command::SaveReport:
            case Command::SaveSelected:
                if (requireArgument(argument, "filename")) checkOutput(argument);
                break;
            case Command::SaveImage:
                if (!requireArgument(argument, "filename")) break;
                if (imageSaveType(argument) == 0) {
                    unsupportedType(argument);
                    break;
                }
                checkOutput(argument);
                break;
            case Command::SaveMap:
                if (!requireArgument(argument, "filename")) break;
                if (mapSaveKind(argument) == 0) {
                    unsupportedType(argument);
                    break;
                }
                checkOutput(argument);
                break;
            case Command::ColorChannel:
                if (!requireArgument(argument, "no.")) break;
                if (channelMode(argument) < 0)
                    error(platform::cformat(
                        "Incorrect argument in line %d. Enter: Y, R, G, B, U, V, H or S\r\n",
                        line_));
                break;
            case Command::ForcePrefix:
                if (!requireArgument(argument, "no.")) break;
                if (argument.size() > kMaxPrefixLength)
                    error(platform::cformat(
                        "Incorrect argument in line %d. Prefix might be to long.\r\n", line_));
                break;
            case Command::FeatureSelection:
                if (!requireArgument(argument, "method")) break;
                if (!selectionMethod(argument))
                    error(
                        platform::cformat("Incorrect argument <method> in line %d. Enter: "
                                          "Fisher, Poeacc, Mutual ...\r\n",
                                          line_));
                break;
            case Command::Unknown:
                error(platform::cformat("Unknown command \"%s\" in line %d\r\n",
                                        parsed.command.c_str(), line_));
                break;
            case Command::ReloadImage:
            case Command::RunAnalysis:
            case Command::GrainAnalysis:
            case Command::CloseReport:
            case Command::Execute:
            case Command::Exit:
            case Command::AggregateReports:
            case Command::CloseMap:
            case Command::End:
            case Command::TestEnd:
                break;
        }
    }

    MacroSource& source_;
    std::vector<MacroVariable> variables_;
    MacroCheckResult result_;
    int line_ = 0;
    long long visited_ = 0;  // lines read, every loop iteration counted
    bool stopped_ = false;
};

// --- Execution pass -----------------------------------------------------------

class Executor {
  public:
    Executor(MacroSource& source, MacroHost& host) : source_(source), host_(host) {}

    // False when a command failed and stopped the pass.
    bool run() {
        block();
        return !failed_;
    }

  private:
    BlockEnd block() {
        std::string raw;
        while (source_.readLine(raw)) {
            ++line_;
            MacroLine parsed = splitMacroLine(substituteVariables(raw, variables_));
            if (parsed.kind != MacroLine::Kind::Command) continue;
            Command command = lookup(parsed.command);
            if (command == Command::End) return BlockEnd::End;
            if (command == Command::Exit) {
                host_.exit();
                return BlockEnd::Stopped;
            }
            if (command == Command::For) {
                if (runLoop(parsed) == BlockEnd::Stopped) return BlockEnd::Stopped;
            } else if (!runCommand(command, parsed)) {
                failed_ = true;
                platform::showError(
                    macroFailureText(commandName(command), macroArgument(parsed.rest), line_));
                return BlockEnd::Stopped;
            }
            if (host_.exitRequested()) return BlockEnd::Stopped;
        }
        return BlockEnd::EndOfFile;
    }

    BlockEnd runLoop(const MacroLine& parsed) {
        const int forLine = line_;
        LoopHeader header = readLoopHeader(parsed.rest, variables_.size());
        std::vector<std::string> values;
        if (header.fault == LoopHeader::Fault::None)
            for (std::string& value : header.values)
                if (fitsBesideName(header.name, value)) values.push_back(std::move(value));
        std::optional<long> body = source_.position();
        if (!body) return BlockEnd::Stopped;
        if (values.empty()) {
            // Only a line that "TestEnd" kept from the check gets here.
            skipLoopBody(source_, variables_, line_);
            return BlockEnd::End;
        }
        variables_.push_back({header.name, std::string(kMacroNullValue)});
        for (std::string& value : values) {
            if (!source_.seek(*body)) return BlockEnd::Stopped;
            line_ = forLine;
            variables_.back().value = std::move(value);
            BlockEnd end = block();
            if (end == BlockEnd::Stopped) return end;
            if (end == BlockEnd::EndOfFile) break;
        }
        variables_.pop_back();
        return BlockEnd::End;
    }

    // False when the host's operation failed.
    bool runCommand(Command command, const MacroLine& parsed) {
        const std::string argument = macroArgument(parsed.rest);
        switch (command) {
            case Command::ChDir: {
                if (argument.empty()) break;
                std::error_code ec;
                fs::current_path(argument, ec);
                break;
            }
            case Command::LoadImage:
                return argument.empty() || host_.loadImage(argument);
            case Command::ReloadImage:
                host_.reloadImage();
                break;
            case Command::LoadRoi:
                if (int type = roiFileType(argument); type != 0)
                    return host_.loadRoi(argument, type);
                break;
            case Command::RenameRoi: {
                MacroIndexAndText index = macroIndexArgument(parsed.rest);
                if (std::optional<int> roi = roiIndex(index.index))
                    host_.renameRoi(*roi, index.text);
                break;
            }
            case Command::RunAnalysis:
                // A later SaveReport would otherwise write the previous report.
                return host_.runAnalysis();
            case Command::GrainAnalysis:
                host_.grainAnalysis();
                break;
            case Command::SaveReport:
                return argument.empty() || host_.saveReport(argument);
            case Command::SaveSelected:
                return argument.empty() || host_.saveSelected(argument);
            case Command::LoadReport:
                return argument.empty() || host_.loadReport(argument);
            case Command::CloseReport:
                host_.closeReport();
                break;
            case Command::Execute:
                if (!argument.empty()) host_.execute(argument);
                break;
            case Command::AggregateReports:
                host_.aggregateReports();
                break;
            case Command::ColorChannel:
                if (int mode = channelMode(argument); mode >= 0)
                    host_.colourChannel(static_cast<uint32_t>(mode));
                break;
            case Command::ForcePrefix:
                if (!argument.empty()) host_.forcePrefix(argument.substr(0, kMaxPrefixLength));
                break;
            case Command::FeatureSelection:
                if (std::optional<MacroFeatureSelection> method = selectionMethod(argument))
                    host_.featureSelection(*method);
                break;
            case Command::SaveImage:
                if (int type = imageSaveType(argument); type != 0)
                    return host_.saveImage(argument, type);
                break;
            case Command::SaveMap:
                if (int kind = mapSaveKind(argument); kind != 0)
                    return host_.saveMap(argument, kind);
                break;
            case Command::CloseMap:
                host_.closeMap();
                break;
            case Command::LoadOptions: {
                if (argument.empty()) break;
                std::error_code ec;
                fs::path full = fs::absolute(argument, ec);
                return host_.loadOptions(ec ? argument : full.lexically_normal().string());
            }
            case Command::Unknown:
                host_.beep();
                break;
            case Command::End:
            case Command::TestEnd:
            case Command::For:
            case Command::Exit:
                break;
        }
        return true;
    }

    MacroSource& source_;
    MacroHost& host_;
    std::vector<MacroVariable> variables_;
    int line_ = 0;
    bool failed_ = false;
};

// The macros running now, outermost first, by their canonical paths.
std::vector<std::string>& runningMacros() {
    static std::vector<std::string> running;
    return running;
}

std::string macroKey(const std::string& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    if (ec) return path;
    fs::path canonical = fs::weakly_canonical(absolute, ec);
    return ec ? absolute.lexically_normal().string() : canonical.string();
}

class RunningMacro {
  public:
    explicit RunningMacro(std::string key) { runningMacros().push_back(std::move(key)); }
    ~RunningMacro() { runningMacros().pop_back(); }
    RunningMacro(const RunningMacro&) = delete;
    RunningMacro& operator=(const RunningMacro&) = delete;
};

}  // namespace

MacroCheckResult MacroCheck(MacroSource& source) {
    return Checker(source).run();
}

bool MacroExecute(MacroSource& source, MacroHost& host) {
    return Executor(source, host).run();
}

std::string macroCheckTooLongText(int line) {
    return platform::cformat(
        "The loops run more than %lld lines; the check stopped in line %d. Split the macro "
        "or loop over fewer values.\r\n",
        static_cast<long long>(kMaxMacroCheckLines), line);
}

std::string macroFailureText(std::string_view command, const std::string& file, int line) {
    return "Command \"" + std::string(command) + "\" failed in line " + std::to_string(line) +
           (file.empty() ? std::string() : " (file \"" + file + "\")") +
           ".\r\nThe macro was stopped.";
}

std::string macroAlreadyRunningText(const std::string& path) {
    return "The macro \"" + path +
           "\" is running already: a macro cannot load itself, directly or through another "
           "macro.";
}

bool macroRanThrough(MacroRunStatus status) {
    return status == MacroRunStatus::Executed || status == MacroRunStatus::Cancelled;
}

MacroRunStatus RunMacroFile(MacroHost& host, const std::string& path) {
    std::string key = macroKey(path);
    const auto& running = runningMacros();
    if (std::find(running.begin(), running.end(), key) != running.end()) {
        platform::showError(macroAlreadyRunningText(path));
        return MacroRunStatus::AlreadyRunning;
    }
    MacroFileSource source;
    if (!source.open(path)) {
        platform::showError(std::string(kCannotOpenMacroText));
        return MacroRunStatus::CannotOpen;
    }
    RunningMacro guard(std::move(key));

    // A relative "ChDir" is checked by going there; the execution pass must
    // start from the same folder, or it would go there a second time.
    std::error_code ec;
    const fs::path folder = fs::current_path(ec);
    MacroCheckResult check = MacroCheck(source);
    if (!ec) fs::current_path(folder, ec);

    if (check.errors > 0) {
        platform::showError(check.text);
        return MacroRunStatus::CheckFailed;
    }
    if (check.existingFiles > 0 &&
        platform::showMessage("Warning", std::string(kMacroOverwriteWarning),
                              platform::MessageButtons::OkCancel,
                              platform::MessageIcon::Warning) != platform::MessageResult::Ok)
        return MacroRunStatus::Cancelled;
    if (!source.seek(0)) {
        platform::showError(std::string(kCannotOpenMacroText));
        return MacroRunStatus::CannotOpen;
    }
    return MacroExecute(source, host) ? MacroRunStatus::Executed : MacroRunStatus::Failed;
}
