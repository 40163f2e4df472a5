#include "analysis/core/reports/report_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <system_error>

#include "platform/files.h"
#include "platform/out_of_memory.h"
#include "platform/textformat.h"

namespace {

constexpr std::string_view kSeparatorStart = "----";
constexpr std::string_view kClassNameTag = "Clnm";
constexpr std::string_view kRecordDelimiters = " \t\r\n";
constexpr std::string_view kClassNameDelimiters = "\t\r\n";

// Document names hold at most 255 characters.
std::string fileNamePart(const std::string& path) {
    std::string name = platform::fileNamePart(path);
    if (name.size() > kMaxDocumentNameLength) name.resize(kMaxDocumentNameLength);
    return name;
}

// Texts end at a NUL, as the zero-terminated buffers of stored documents do.
std::string_view upToNul(std::string_view text) {
    return text.substr(0, std::min(text.find('\0'), text.size()));
}

// Splits like strtok: runs of delimiters separate pieces, no piece is empty.
class Pieces {
  public:
    Pieces(std::string_view text, std::string_view delimiters)
        : text_(text), delimiters_(delimiters) {}

    bool next(std::string_view& piece) {
        size_t start = text_.find_first_not_of(delimiters_);
        if (start == std::string_view::npos) {
            text_ = {};
            return false;
        }
        size_t end = std::min(text_.find_first_of(delimiters_, start), text_.size());
        piece = text_.substr(start, end - start);
        text_.remove_prefix(end);
        return true;
    }

  private:
    std::string_view text_;
    std::string_view delimiters_;
};

// The class name as the reader takes it back from "Clnm%d\t" + name.
std::string_view storableClassName(std::string_view name) {
    std::string_view piece;
    Pieces pieces(upToNul(name), kClassNameDelimiters);
    return pieces.next(piece) ? piece : std::string_view();
}

std::string encode(std::string_view header, const std::array<std::string, kRoiCount>& classNames,
                   const std::vector<FeatureRecord>& records) {
    std::string out;
    out.reserve(header.size() + 200 + records.size() * 220);
    out += upToNul(header);
    out += "\r\n";
    out += kParClassNamesSeparator;
    out += "\r\n";
    for (size_t k = 0; k < kRoiCount; ++k) {
        std::string_view name = storableClassName(classNames[k]);
        if (name.empty()) continue;
        out += platform::cformat("Clnm%d\t", static_cast<int>(k + 1));
        out += name;
        out += "\r\n";
    }
    out += "\r\n";
    out += kParFeaturesSeparator;
    out += "\r\n";
    for (const FeatureRecord& record : records) {
        out += recordName(record);
        for (double value : record.values)
            out += std::isfinite(value) ? platform::cformat("\t%.8g", value) : "\tNaN";
        out += "\r\n";
    }
    return out;
}

bool startsWithNaN(std::string_view piece) {
    return platform::equalsNoCase(piece.substr(0, 3), "nan");
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The decimal number at the start of piece, as atof takes it, but without the
// hexadecimal and "inf" forms that only some C libraries accept.
double leadingDecimal(std::string_view piece) {
    size_t i = 0;
    const size_t n = piece.size();
    while (i < n && std::strchr(" \t\n\v\f\r", piece[i]) != nullptr) ++i;
    const size_t start = i;
    if (i < n && (piece[i] == '+' || piece[i] == '-')) ++i;
    size_t digits = 0;
    for (; i < n && isDigit(piece[i]); ++i) ++digits;
    if (i < n && piece[i] == '.')
        for (++i; i < n && isDigit(piece[i]); ++i) ++digits;
    if (digits == 0) return 0.0;
    size_t end = i;
    if (i < n && (piece[i] == 'e' || piece[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (piece[j] == '+' || piece[j] == '-')) ++j;
        if (j < n && isDigit(piece[j])) {
            while (j < n && isDigit(piece[j])) ++j;
            end = j;
        }
    }
    return platform::cToReal(piece.substr(start, end - start));
}

double parseValue(std::string_view piece) {
    if (startsWithNaN(piece)) return kMissingValue;
    double value = leadingDecimal(piece);
    // The file has a single word for every non-finite value.
    return std::isfinite(value) ? value : kMissingValue;
}

// Lines of a text, each without its LF and cut at a NUL; the last line
// counts even without an LF.
class Lines {
  public:
    explicit Lines(std::string_view text) : text_(text) {}

    bool next(std::string_view& line) {
        if (text_.empty()) return false;
        size_t lf = text_.find('\n');
        size_t length = lf == std::string_view::npos ? text_.size() : lf;
        line = upToNul(text_.substr(0, length));
        text_.remove_prefix(lf == std::string_view::npos ? text_.size() : lf + 1);
        ended_ = lf != std::string_view::npos;
        ++number_;
        return true;
    }
    // Whether the line last returned had its LF (only the file's last line may not).
    bool ended() const { return ended_; }
    // 1-based number of the line last returned.
    long long number() const { return number_; }

  private:
    std::string_view text_;
    bool ended_ = true;
    long long number_ = 0;
};

bool isSeparator(std::string_view line) {
    return line.starts_with(kSeparatorStart);
}

void addHeaderLine(std::string& header, std::string_view line) {
    if (line.empty() || line.front() == '\r' || line.front() == '/') return;
    size_t end = line.find_last_not_of("\r\n");
    header += line.substr(0, end + 1);
    header += "\r\n";
}

void readClassName(std::array<std::string, kRoiCount>& classNames, std::string_view line) {
    if (!line.starts_with(kClassNameTag)) return;
    Pieces pieces(line.substr(kClassNameTag.size()), kClassNameDelimiters);
    std::string_view number;
    std::string_view name;
    if (!pieces.next(number) || !pieces.next(name)) return;
    int k = platform::cToInt(number);
    if (k < 1 || k > static_cast<int>(kRoiCount)) return;
    classNames[static_cast<size_t>(k - 1)] = name.substr(0, kMaxRoiNameLength);
}

// -1 for a line without any piece, else the number of values read (0..16).
int readRecord(std::string_view line, FeatureRecord& record) {
    Pieces pieces(line, kRecordDelimiters);
    std::string_view piece;
    if (!pieces.next(piece)) return -1;
    record = FeatureRecord{};
    setRecordName(record, piece);
    int values = 0;
    for (double& value : record.values) {
        if (!pieces.next(piece)) break;
        value = parseValue(piece);
        ++values;
    }
    return values;
}

ParReadResult failure(ParFileStatus status) {
    ParReadResult result;
    result.status = status;
    result.message = parFileMessage(status, std::string());
    return result;
}

}  // namespace

std::string parFileMessage(ParFileStatus status, const std::string& path, long long line) {
    if (status == ParFileStatus::TruncatedLine)
        return "Cannot load " + (path.empty() ? std::string("the file") : "\"" + path + "\"") +
               ":\r\nline " + std::to_string(line) + " is cut short (the file ends inside it).";
    return parFileMessage(status, path);
}

std::string parFileMessage(ParFileStatus status, const std::string& path) {
    const std::string file = path.empty() ? std::string("the file") : "\"" + path + "\"";
    switch (status) {
        case ParFileStatus::Ok:
            return {};
        case ParFileStatus::NoDocument:
            return "There is no report to save.";
        case ParFileStatus::CannotCreate:
            return "Cannot write the report file " + file + ".";
        case ParFileStatus::CannotOpen:
            return "Cannot open the report file " + file + ".";
        case ParFileStatus::TooLarge:
            return "Cannot load " + file + ":\r\nthe file is larger than " +
                   std::to_string(kMaxParFileBytes >> 20) + " MB.";
        case ParFileStatus::NoClassNames:
            return "Cannot load " + file + ":\r\nthis is not a report file (the line \"" +
                   std::string(kParClassNamesSeparator) + "\" is missing).";
        case ParFileStatus::NoFeatures:
            return "Cannot load " + file + ":\r\nthe report file is incomplete (the line \"" +
                   std::string(kParFeaturesSeparator) + "\" is missing).";
        case ParFileStatus::TooManyRecords:
            return "Cannot load " + file + ":\r\nthe file holds more feature records than " +
                   std::to_string(kMaxParRecords) + ".";
        case ParFileStatus::TruncatedLine:
            return "Cannot load " + file + ":\r\nthe last line is cut short.";
        case ParFileStatus::NoMemory:
            return platform::notEnoughMemoryText(path.empty() ? std::string("the file") : path);
    }
    return "Cannot load " + file + ".";
}

std::string encodeParFile(const ReportDocument& document) {
    return encode(document.header, document.roiName, document.records);
}

std::string encodeParFile(const ParFile& file) {
    return encode(file.header, file.classNames, file.records);
}

ParFileStatus SaveReportPar(const std::string& path, ReportDocument* document) {
    if (document == nullptr) return ParFileStatus::NoDocument;
    if (path.empty()) return ParFileStatus::CannotCreate;
    try {
        if (!platform::writeWholeFileAtomically(path, encodeParFile(*document)))
            return ParFileStatus::CannotCreate;
        // Build the new name before touching the document, so it changes all at once.
        std::string name = fileNamePart(path);
        std::string newPath = path;
        document->name.swap(name);
        document->path.swap(newPath);
        document->saved = 1;
    } catch (const std::bad_alloc&) {
        return ParFileStatus::CannotCreate;
    }
    return ParFileStatus::Ok;
}

ParReadResult decodeParFile(std::string_view text, size_t maxRecords) {
    ParReadResult result;
    ParFile& file = result.file;
    Lines lines(text);
    std::string_view line;

    bool found = false;
    while (!found && lines.next(line)) {
        // Until a header line is kept, the file has in effect not begun: an
        // editor's byte-order mark is skipped, and so are marks after blank
        // lines, which are lost, since a line kept first starts the file when
        // it is written again, where they would be read as the file's own.
        while (file.header.empty() && platform::byteOrderMarkLength(line) > 0)
            line.remove_prefix(platform::byteOrderMarkLength(line));
        if (isSeparator(line))
            found = true;
        else
            addHeaderLine(file.header, line);
    }
    if (!found) return failure(ParFileStatus::NoClassNames);

    found = false;
    while (!found && lines.next(line)) {
        if (isSeparator(line))
            found = true;
        else
            readClassName(file.classNames, line);
    }
    if (!found) return failure(ParFileStatus::NoFeatures);

    FeatureRecord record;
    while (lines.next(line)) {
        const int values = readRecord(line, record);
        if (values < 0) continue;
        // Every record line the writer makes ends in CR LF: one without its
        // line end was cut off, maybe inside its last number, which would
        // come back short ("10.044621" as "10.044"), a wrong value that
        // looks right.
        if (!lines.ended()) {
            ParReadResult cut = failure(ParFileStatus::TruncatedLine);
            cut.errorLine = lines.number();
            cut.message = parFileMessage(cut.status, std::string(), cut.errorLine);
            return cut;
        }
        if (file.records.size() >= maxRecords) return failure(ParFileStatus::TooManyRecords);
        file.records.push_back(record);
    }
    return result;
}

ParReadResult LoadReportPar(const std::string& path) {
    ParReadResult result;
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    std::optional<std::string> text;
    if (!error && size > kMaxParFileBytes) {
        result.status = ParFileStatus::TooLarge;
    } else {
        try {
            if (!(text = platform::readWholeFile(path, kMaxParFileBytes)))
                result.status = ParFileStatus::CannotOpen;
            else
                result = decodeParFile(*text);
        } catch (const std::bad_alloc&) {
            result = ParReadResult{};
            result.status = ParFileStatus::NoMemory;
        }
    }
    if (result.status != ParFileStatus::Ok) {
        result.message = parFileMessage(result.status, path, result.errorLine);
        return result;
    }
    result.file.path = path;
    result.file.name = fileNamePart(path);
    return result;
}

ReportDocument* addLoadedReport(const ParFile& file) {
    ReportDocument* document = NewReportDocument(static_cast<int>(file.records.size()),
                                                 file.records.data(), file.header, file.name);
    if (document == nullptr) return nullptr;
    try {
        document->roiName = file.classNames;
        document->path = file.path;
    } catch (const std::bad_alloc&) {
        // Keep the list as it was: a half-filled document would claim to be saved.
        DeleteReportDocument(reportDocumentCount() - 1);
        return nullptr;
    }
    document->saved = 1;
    return document;
}

bool saveAllNeedsFolder() {
    bool anyUnsaved = false;
    bool anyWithoutFile = false;
    for (ReportDocument* d = NextReportDocument(nullptr, nullptr); d != nullptr;
         d = NextReportDocument(d, nullptr)) {
        anyUnsaved = anyUnsaved || d->saved == 0;
        anyWithoutFile = anyWithoutFile || d->path.empty();
    }
    return anyUnsaved && anyWithoutFile;
}

std::string saveAllFolderPart(std::string_view chosen) {
    std::string_view text =
        chosen.substr(0, std::min(chosen.find_first_of("*?<>|"), chosen.size()));
    size_t separator = text.find_last_of("\\/");
    if (separator != std::string_view::npos) text = text.substr(0, separator + 1);
    return std::string(text);
}

std::string saveAllTargetPath(std::string_view folderPart, std::string_view documentName) {
    std::string path(folderPart);
    path += documentName;
    if (!documentName.ends_with(kReportDefaultExtension)) path += kReportDefaultExtension;
    return path;
}

int saveAllReports(std::string_view folderPart) {
    int failures = 0;
    for (ReportDocument* d = NextReportDocument(nullptr, nullptr); d != nullptr;
         d = NextReportDocument(d, nullptr)) {
        const std::string path = d->path.empty() ? saveAllTargetPath(folderPart, d->name) : d->path;
        if (SaveReportPar(path, d) != ParFileStatus::Ok) ++failures;
    }
    return failures;
}
