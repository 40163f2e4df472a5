#include "statistics/core/data/selection_file_reader.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <new>
#include <optional>
#include <system_error>

#include "platform/files.h"
#include "platform/out_of_memory.h"
#include "platform/textformat.h"
#include "statistics/core/linear/column_statistics.h"

namespace {

// Lines end with CR LF, LF or a lone CR; text after the last break, if any,
// is the last line.
class LineCursor {
  public:
    explicit LineCursor(std::string_view text) : text_(text) {}

    bool next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        size_t end = text_.find_first_of("\r\n", pos_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(pos_, end - pos_);
        pos_ = end;
        // CR, LF, or the LF of a CR LF pair.
        if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        return true;
    }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isNumberChar(char c) {
    return isDigit(c) || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e';
}
bool isDataChar(char c) {
    return isNumberChar(c) || c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Trailing blanks do not count; leading blanks and letter case do.
bool MatchKeyword(std::string_view line, std::string_view keyword) {
    while (!line.empty() && isBlank(line.back())) line.remove_suffix(1);
    return !line.empty() && line == keyword;
}

enum class ListLineForm { Ok, TooShort, BadThree, BadOther, BlankName };

struct ListLine {
    ListLineForm form = ListLineForm::BadOther;
    int number = 0;
    std::string_view name;
};

// "d name" or "dd name": one or two digits, one blank, then the name.
ListLine parseListLine(std::string_view line) {
    ListLine result;
    if (line.size() < 3) {
        result.form = ListLineForm::TooShort;
        return result;
    }
    std::string_view rawName;
    if (line.size() == 3) {
        if (!isDigit(line[0]) || line[1] != ' ') {
            result.form = ListLineForm::BadThree;
            return result;
        }
        result.number = line[0] - '0';
        rawName = line.substr(2);
    } else if (isDigit(line[0]) && line[1] == ' ') {
        result.number = line[0] - '0';
        rawName = line.substr(2);
    } else if (isDigit(line[0]) && isDigit(line[1]) && line[2] == ' ') {
        result.number = (line[0] - '0') * 10 + (line[1] - '0');
        rawName = line.substr(3);
    } else {
        result.form = ListLineForm::BadOther;
        return result;
    }
    result.name = trimmed(rawName);
    // A name of blanks only would give an entry without a name.
    result.form = result.name.empty() ? ListLineForm::BlankName : ListLineForm::Ok;
    return result;
}

struct ListMessages {
    const char* tooShort;
    const char* badThree;
    const char* badOther;
    const char* zero;
    const char* exceeded;  // printf format with the limit
};

constexpr ListMessages kFeatureMessages = {
    "expected: 1- or 2-digit number, space char, feature name",
    "expected: 1- or 2-digit number, space char, feature name",
    "expected: 1- or 2-digit number, space char, feature name or \"*categories\"",
    "feature number can not be zero",
    "allowable number (%d) of features exceeded",
};

constexpr ListMessages kCategoryMessages = {
    "expected: 1 or 2 digits, space char, category name",
    "expected: 1- or 2-digit number, space char, category name",
    "expected: 1- or 2-digit number, space char, category name or \"*data\"",
    "category number can not be zero",
    "allowable number (%d) of categories exceeded",
};

// A rejection found while reading: the 0-based line index and the reason.
struct LineError {
    size_t index = 0;
    std::string message;
};

class SelDecoder {
  public:
    SelDecoder(std::string_view text, R62DataSet& data) : text_(text), cursor_(text), data_(data) {}

    // Reads the whole file into the data set; the first fault found.
    std::optional<LineError> decode();

    // Where the data began and ended, for the input pane.
    size_t firstDataIndex() const { return firstDataIndex_; }
    size_t endIndex() const { return index_; }

  private:
    // Moves to the next line; false at the end of the file.
    bool advance() {
        if (!cursor_.next(line_)) {
            ++index_;
            return false;
        }
        if (started_) ++index_;
        started_ = true;
        return true;
    }
    LineError errorHere(std::string message) const { return {index_, std::move(message)}; }

    template <class Names>
    std::optional<LineError> readList(Names& names, const ListMessages& messages, int16_t& count);
    std::optional<LineError> readData();
    std::optional<LineError> checkSamples();

    std::string_view text_;
    LineCursor cursor_;
    R62DataSet& data_;
    std::string_view line_;
    size_t index_ = 0;
    bool started_ = false;
    size_t firstDataIndex_ = 0;
};

// Reads "n  name" lines into names[n] up to a line beginning with "*"; the
// highest number met is the count.
template <class Names>
std::optional<LineError> SelDecoder::readList(Names& names, const ListMessages& messages,
                                              int16_t& count) {
    constexpr int High = Names::kHigh;
    count = 0;
    names.fill(std::string());
    // The first line after the keyword is always an entry, so an empty list
    // is a format error at that line.
    if (!advance()) return errorHere("unexpected EOF");
    do {
        const ListLine entry = parseListLine(line_);
        switch (entry.form) {
            case ListLineForm::TooShort:
                return errorHere(messages.tooShort);
            case ListLineForm::BadThree:
                return errorHere(messages.badThree);
            case ListLineForm::BadOther:
            case ListLineForm::BlankName:
                return errorHere(messages.badOther);
            case ListLineForm::Ok:
                break;
        }
        if (entry.number == 0) return errorHere(messages.zero);
        if (entry.number > High) return errorHere(platform::cformat(messages.exceeded, High));
        names[entry.number] = std::string(entry.name);
        if (entry.number > count) count = static_cast<int16_t>(entry.number);
        if (!advance()) return errorHere("unexpected EOF");
    } while (line_.empty() || line_.front() != '*');
    return std::nullopt;
}

std::optional<LineError> SelDecoder::readData() {
    if (!advance()) return errorHere("unexpected EOF");
    for (SampleRow& row : data_.RawData) row.fill(0.0);
    firstDataIndex_ = index_;
    int sample = 1;
    // The first line after "*data" is always a sample, so an empty data
    // section fails on its "*" as non-numeric.
    do {
        for (char c : line_)
            if (!isDataChar(c)) return errorHere("non-numeric data format");
        // Checked before the row is written: the arrays end at kMaxSamples.
        if (sample > kMaxSamples)
            return errorHere(
                platform::cformat("allowable number of samples (%d)exceeded", kMaxSamples));
        SampleRow& row = data_.RawData[sample];
        size_t pos = 0;
        int column = 0;
        while (true) {
            while (pos < line_.size() && !isNumberChar(line_[pos])) ++pos;
            const size_t start = pos;
            while (pos < line_.size() && isNumberChar(line_[pos])) ++pos;
            if (pos == start) break;
            // Refuses runs like "1.2.3" or "+-", and values too large for a
            // double ("1E400"), which would enter every statistic as infinity.
            const std::optional<double> value =
                platform::parseReal(line_.substr(start, pos - start));
            if (!value) return errorHere("non-numeric data format");
            // Beyond kMaxSelValue the squares and sums of the statistics
            // overflow into infinity and every analysis would report nonsense
            // (the category column has its own range check).
            if (column >= 1 && column <= kMaxFeatures && !(std::fabs(*value) <= kMaxSelValue))
                return errorHere("value out of range");
            // Values past the last feature column are read but not kept.
            if (column <= kMaxFeatures) row[column] = *value;
            ++column;
        }
        ++sample;
        if (!advance()) return errorHere("unexpected EOF");
    } while (line_.empty() || line_.front() != '*');
    data_.SampleCount = static_cast<int16_t>(sample - 1);
    return std::nullopt;
}

std::optional<LineError> SelDecoder::checkSamples() {
    R62DataSet& d = data_;
    const int n = d.SampleCount;
    for (int j = 1; j <= kMaxFeatures; ++j) {
        bool anyNonZero = false;
        for (int i = 1; i <= n && !anyNonZero; ++i) anyNonZero = d.RawData[i][j] != 0.0;
        if (j <= d.FeatureCount && !anyNonZero)
            return errorHere("all the samples of feature \"" + d.FeatureName[j] + "\" are zero");
        if (j > d.FeatureCount && anyNonZero)
            return errorHere(platform::cformat(
                "there are non-zero samples of undeclared feature #%d\rpresent in the file", j));
    }

    std::array<int, kMaxCategories + 1> members{};
    for (int i = 1; i <= n; ++i) {
        // Rounded half to even; anything outside the category numbers is
        // refused before it is narrowed to the 16-bit class.
        const double rounded = std::nearbyint(d.RawData[i][0]);
        if (!(rounded >= 0.0 && rounded <= kMaxCategories))
            return errorHere(platform::cformat(
                "category number of sample #%d is out of range (1 to %d)", i, kMaxCategories));
        const int category = static_cast<int>(rounded);
        d.Category[i] = static_cast<int16_t>(category);
        if (category == 0 || d.CategoryName[category].empty())
            return errorHere(platform::cformat("undeclared name of category #%d", category));
        ++members[static_cast<size_t>(category)];
    }
    for (int c = 1; c <= d.CategoryCount; ++c)
        if (members[static_cast<size_t>(c)] == 0)
            return errorHere(
                platform::cformat("category #%d is not represented by any feature vector", c));
    for (int c = 1; c <= d.CategoryCount; ++c)
        if (members[static_cast<size_t>(c)] < 2)
            return errorHere("each category must be represented\rby at least 2 feature vectors");
    return std::nullopt;
}

std::optional<LineError> SelDecoder::decode() {
    R62DataSet& d = data_;
    clearSelectionForLoad(d);
    d.NewConsistentData = 0;

    size_t lineCount = 0;
    {
        LineCursor counter(text_);
        std::string_view ignored;
        while (lineCount < 11 && counter.next(ignored)) ++lineCount;
    }
    if (lineCount < 11) return LineError{lineCount, "unexpected EOF"};

    advance();
    if (!MatchKeyword(line_, "*label")) return errorHere("\"*label\" expected");
    advance();  // the label itself is not used
    advance();
    if (!MatchKeyword(line_, "*features")) return errorHere("\"*features\" expected");

    if (auto error = readList(d.FeatureName, kFeatureMessages, d.FeatureCount)) return error;
    for (int j = 1; j <= d.FeatureCount; ++j)
        if (d.FeatureName[j].empty())
            return errorHere(platform::cformat("undeclared name of feature #%d", j));
    if (!MatchKeyword(line_, "*categories")) return errorHere("\"*categories\" expected");

    if (auto error = readList(d.CategoryName, kCategoryMessages, d.CategoryCount)) return error;
    if (d.CategoryCount < 2) return errorHere("number of categories should be at least 2");
    for (int c = 1; c <= d.CategoryCount; ++c)
        if (d.CategoryName[c].empty())
            return errorHere(platform::cformat("undeclared name of category #%d", c));
    if (!MatchKeyword(line_, "*data")) return errorHere("\"*data\" expected");

    if (auto error = readData()) return error;
    if (auto error = checkSamples()) return error;

    for (int j = 1; j <= kMaxFeatures; ++j) {
        ColumnStatistics stats;
        if (j <= d.FeatureCount) stats = columnStatistics(d.RawData, d.SampleCount, j);
        d.FeatureMean[j] = stats.mean;
        d.FeatureVariance[j] = stats.variance;
        d.FeatureStd[j] = stats.standardDeviation;
    }
    for (int j = 1; j <= d.FeatureCount; ++j)
        if (d.FeatureStd[j] == 0.0)
            return errorHere(platform::cformat("standard deviation of feature #%d is zero!", j));
    return std::nullopt;
}

// Lines 0..last of the text joined with "\n" (fewer when the text ends first).
void appendLines(std::string& out, std::string_view text, size_t last) {
    LineCursor cursor(text);
    std::string_view line;
    for (size_t i = 0; i <= last && cursor.next(line); ++i) {
        if (i > 0) out += '\n';
        out.append(line);
    }
}

}  // namespace

void clearSelectionForLoad(R62DataSet& data) {
    data.FeatureSelected.fill(0);
    data.FeatureName.fill(std::string());
}

std::string selDataFileName(std::string_view path) {
    return platform::fileNamePart(path);
}

std::string r62Caption(std::string_view dataFileName) {
    return "r62 - " + std::string(dataFileName);
}

SelLoadResult loadSelFile(const std::string& path, R62DataSet& data) {
    SelLoadResult refused;
    refused.status = SelLoadStatus::CannotRead;
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxSelFileBytes) {
        refused.messageBox = selTooLargeText(path);
        return refused;
    }
    std::optional<std::string> text;
    try {
        text = platform::readWholeFile(path, kMaxSelFileBytes);
    } catch (const std::bad_alloc&) {
        refused.messageBox = platform::notEnoughMemoryText(path);
        return refused;
    }
    if (!text) {
        refused.messageBox = "R62: Cannot load the \"" + path + "\" file ..";
        return refused;
    }
    return decodeSelFile(*text, selDataFileName(path), data);
}

std::string selTooLargeText(const std::string& path) {
    return "R62: Cannot load the \"" + path + "\" file: it is larger than " +
           std::to_string(kMaxSelFileBytes >> 20) + " MiB.";
}

SelLoadResult decodeSelFile(std::string_view text, std::string_view dataFileName,
                            R62DataSet& data) {
    text.remove_prefix(platform::byteOrderMarkLength(text));
    data.DataFileName = std::string(dataFileName);
    SelLoadResult result;
    result.caption = r62Caption(dataFileName);

    SelDecoder decoder(text, data);
    if (std::optional<LineError> error = decoder.decode()) {
        result.status = SelLoadStatus::Rejected;
        result.errorLine = static_cast<long long>(error->index) + 1;
        result.error = error->message;
        appendLines(result.inputPane, text, error->index);
        if (!result.inputPane.empty()) result.inputPane += '\n';
        result.inputPane += platform::cformat("^ Error at line %lld...", result.errorLine);
        result.messageBox = platform::cformat("Error at line %lld of \"", result.errorLine) +
                            data.DataFileName + "\"\r[" + error->message + "].";
        result.inputPaneBlue = true;
        return result;
    }

    // The pane shows the header as read, the samples numbered, and the line
    // that ended the data; the rest of the file was not read.
    LineCursor cursor(text);
    std::string_view line;
    std::string& pane = result.inputPane;
    for (size_t i = 0; i <= decoder.endIndex() && cursor.next(line); ++i) {
        if (i > 0) pane += '\n';
        if (i >= decoder.firstDataIndex() && i < decoder.endIndex())
            pane += platform::cformat("%4d ", static_cast<int>(i - decoder.firstDataIndex() + 1));
        pane.append(line);
    }

    for (int j = 1; j <= data.FeatureCount; ++j) data.FeatureSelected[j] = 1;
    data.FeatureData = data.RawData;
    data.NewConsistentData = 1;
    result.status = SelLoadStatus::Loaded;
    result.statusText = std::string(kInputDataLoadedStatus);
    return result;
}
