#include "analysis/core/reports/report_document.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <unordered_map>
#include <utility>

namespace {

// A text argument as the C string it stands for: up to its first NUL, at most limit.
std::string textPart(std::string_view text, size_t limit) {
    size_t end = std::min(text.find('\0'), limit);
    return std::string(text.substr(0, std::min(end, text.size())));
}

bool isAuxiliaryName(std::string_view name) {
    return !name.empty() && name.front() == '_';
}

// The per-ROI pixel counts: "_Area", or "_" + channel prefix (at most three
// characters) + "Area" after a colour-channel run. Other records that merely
// start with "_Area" (pair counts, "_AreaGr") do not qualify.
bool isAreaName(std::string_view name) {
    constexpr std::string_view kArea = "Area";
    return name.size() >= 1 + kArea.size() && name.size() <= 1 + 3 + kArea.size() &&
           name.front() == '_' && name.ends_with(kArea);
}

bool countsAsUsed(double value) {
    return value != 0.0 && !std::isnan(value);
}

// Names in order of first appearance, found through a hash index: a loaded
// report may bring hundreds of thousands of names, and a linear search per
// record made loading quadratic. Lookups and removals allocate nothing, so
// deleting a document can never fail half-way; only adding a name allocates
// (always on a copy of the registry, see ReportDocumentList).
class FeatureRegistry {
  public:
    FeatureRegistry() = default;
    FeatureRegistry(const FeatureRegistry& other) : entries_(other.entries_) { reindex(); }
    FeatureRegistry& operator=(const FeatureRegistry& other) {
        FeatureRegistry copy(other);
        swap(copy);
        return *this;
    }

    int size() const { return static_cast<int>(entries_.size()); }
    const std::string& nameAt(int index) const { return entries_[static_cast<size_t>(index)].name; }
    int32_t& countAt(int index) { return entries_[static_cast<size_t>(index)].count; }
    int32_t countAt(int index) const { return entries_[static_cast<size_t>(index)].count; }

    int find(std::string_view name) const {
        auto it = index_.find(name);
        return it == index_.end() ? -1 : it->second;
    }

    // A new name enters checked; a known one moves one step away from zero.
    void countUp(std::string_view name) {
        int index = find(name);
        if (index < 0) {
            entries_.push_back({std::string(name), 1});
            try {
                index_.emplace(entries_.back().name, size() - 1);
            } catch (...) {
                entries_.pop_back();
                throw;
            }
            return;
        }
        int32_t& count = countAt(index);
        count += count > 0 ? 1 : -1;
    }

    // One step towards zero; entries that reach zero are dropped by compact().
    void countDown(std::string_view name) noexcept {
        int index = find(name);
        if (index < 0) return;
        int32_t& count = countAt(index);
        count += count > 0 ? -1 : 1;
    }

    // Removes the entries at zero, keeping the order of the rest. The index
    // only loses keys and has its positions rewritten: no allocation.
    void compact() noexcept {
        for (const Entry& e : entries_)
            if (e.count == 0) index_.erase(e.name);
        std::erase_if(entries_, [](const Entry& e) { return e.count == 0; });
        for (size_t i = 0; i < entries_.size(); ++i)
            index_.find(entries_[i].name)->second = static_cast<int>(i);
    }

    void countRecords(const FeatureRecord* first, const FeatureRecord* last) {
        for (const FeatureRecord* r = first; r != last; ++r) {
            std::string_view name = recordName(*r);
            if (!isAuxiliaryName(name)) countUp(name);
        }
    }

    void clear() noexcept {
        index_.clear();
        entries_.clear();
    }
    void swap(FeatureRegistry& other) noexcept {
        entries_.swap(other.entries_);
        index_.swap(other.index_);
    }

  private:
    struct Entry {
        std::string name;
        int32_t count;  // never 0 between operations; sign = checked
    };
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const noexcept {
            return std::hash<std::string_view>{}(name);
        }
    };

    void reindex() {
        index_.reserve(entries_.size());
        for (size_t i = 0; i < entries_.size(); ++i)
            index_.emplace(entries_[i].name, static_cast<int>(i));
    }

    std::vector<Entry> entries_;  // order of first appearance
    // Name -> position in entries_; its keys are copies, so moving entries
    // around never leaves a key pointing into freed text.
    std::unordered_map<std::string, int, NameHash, std::equal_to<>> index_;
};

}  // namespace

// The one list of documents and its registry. Documents are owned through
// the intrusive links; everything that can fail is done on copies before any
// link or count changes, so a failure leaves the previous state intact.
class ReportDocumentList {
  public:
    ReportDocumentList() = default;
    ReportDocumentList(const ReportDocumentList&) = delete;
    ReportDocumentList& operator=(const ReportDocumentList&) = delete;
    ~ReportDocumentList() { clear(); }

    ReportDocument* create(int count, const FeatureRecord* records, std::string_view header,
                           std::string_view name) {
        if (count < 0 || (count > 0 && records == nullptr)) return nullptr;
        try {
            auto doc = std::make_unique<ReportDocument>();
            doc->name = textPart(name, kMaxDocumentNameLength);
            doc->header = textPart(header, std::string_view::npos);
            doc->records.assign(records, records + count);
            // A name must stay a C string of at most 31 characters whatever the producer wrote.
            for (FeatureRecord& r : doc->records) r.name.back() = '\0';
            doc->roiState = roiStatesOf(doc->records);

            FeatureRegistry counted = registry_;
            counted.countRecords(doc->records.data(), doc->records.data() + doc->records.size());

            registry_.swap(counted);
            link(doc.get());
            return doc.release();
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

    ReportDocument* nth(int n) const {
        ReportDocument* doc = head_;
        if (!doc) return nullptr;
        for (int i = 0; i < n && doc->next_; ++i) doc = doc->next_;
        return doc;
    }

    ReportDocument* head() const { return head_; }

    ReportDocument* remove(int n) {
        ReportDocument* doc = nth(n);
        if (!doc) return nullptr;
        ReportDocument* current = doc == head_ ? doc->next_ : doc->prev_;
        unlink(doc);
        if (!head_) {
            registry_.clear();  // the last document takes the registry with it
        } else {
            for (const FeatureRecord& r : doc->records) {
                std::string_view recName = recordName(r);
                if (!isAuxiliaryName(recName)) registry_.countDown(recName);
            }
            registry_.compact();
        }
        delete doc;
        return current;
    }

    bool merge(ReportDocument* target, const ReportDocument* source) {
        if (!target || !source || target == source) return false;
        try {
            std::string header;
            header.reserve(target->header.size() + 4 + source->header.size());
            header.append(target->header).append("\r\n\r\n").append(source->header);
            std::vector<FeatureRecord> records;
            records.reserve(target->records.size() + source->records.size());
            records.insert(records.end(), target->records.begin(), target->records.end());
            records.insert(records.end(), source->records.begin(), source->records.end());

            FeatureRegistry counted = registry_;
            counted.countRecords(source->records.data(),
                                 source->records.data() + source->records.size());

            registry_.swap(counted);
            target->header.swap(header);
            target->records.swap(records);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    int size() const { return size_; }

    int unsavedCount() const {
        int unsaved = 0;
        for (ReportDocument* doc = head_; doc; doc = doc->next_)
            if (doc->saved == 0) ++unsaved;
        return unsaved;
    }

    void clear() {
        while (head_) {
            ReportDocument* doc = head_;
            unlink(doc);
            delete doc;
        }
        registry_.clear();
    }

    FeatureRegistry& registry() { return registry_; }

  private:
    static std::array<int32_t, kRoiCount> roiStatesOf(const std::vector<FeatureRecord>& records) {
        std::array<int32_t, kRoiCount> states;
        states.fill(kRoiEmpty);
        if (records.empty()) return states;
        // The area record is the truth about which ROIs hold pixels. Shape
        // records may come first, and their first value (a mean column, for
        // instance) can be 0 for a ROI that is not empty at all.
        auto area = std::find_if(records.begin(), records.end(),
                                 [](const FeatureRecord& r) { return isAreaName(recordName(r)); });
        const FeatureRecord& decisive = area != records.end() ? *area : records.front();
        for (size_t k = 0; k < states.size(); ++k)
            if (countsAsUsed(decisive.values[k])) states[k] = kRoiUsed;
        return states;
    }

    void link(ReportDocument* doc) noexcept {
        doc->prev_ = tail_;
        doc->next_ = nullptr;
        if (tail_)
            tail_->next_ = doc;
        else
            head_ = doc;
        tail_ = doc;
        ++size_;
    }

    void unlink(ReportDocument* doc) noexcept {
        if (doc->prev_)
            doc->prev_->next_ = doc->next_;
        else
            head_ = doc->next_;
        if (doc->next_)
            doc->next_->prev_ = doc->prev_;
        else
            tail_ = doc->prev_;
        doc->prev_ = doc->next_ = nullptr;
        --size_;
    }

    ReportDocument* head_ = nullptr;
    ReportDocument* tail_ = nullptr;
    int size_ = 0;
    FeatureRegistry registry_;
};

namespace {

ReportDocumentList& documents() {
    static ReportDocumentList list;
    return list;
}

int stateOf(int32_t count, int documentCount) {
    if (count < 0 && -count >= documentCount) return kFeatureUnchecked;
    if (count > 0 && count >= documentCount) return kFeatureChecked;
    if (count != 0) return kFeaturePartial;
    return kFeatureUnknown;
}

void setSign(int32_t& count, bool selected) {
    int32_t magnitude = count < 0 ? -count : count;
    count = selected ? magnitude : -magnitude;
}

}  // namespace

std::string_view recordName(const FeatureRecord& record) {
    const char* begin = record.name.data();
    const void* nul = std::memchr(begin, '\0', record.name.size());
    size_t length =
        nul ? static_cast<size_t>(static_cast<const char*>(nul) - begin) : record.name.size();
    return {begin, length};
}

void setRecordName(FeatureRecord& record, std::string_view name) {
    record.name.fill('\0');
    size_t length = std::min(name.size(), kMaxFeatureNameLength);
    std::copy_n(name.data(), length, record.name.data());
}

ReportDocument* NewReportDocument(int count, const FeatureRecord* records, std::string_view header,
                                  std::string_view name) {
    return documents().create(count, records, header, name);
}

int documentIndex(const ReportDocument* document) {
    if (document == nullptr) return -1;
    int index = 0;
    for (ReportDocument* d = NextReportDocument(nullptr, nullptr); d != nullptr;
         d = NextReportDocument(d, nullptr), ++index)
        if (d == document) return index;
    return -1;
}

ReportDocument* NthReportDocument(int n) {
    return documents().nth(n);
}

ReportDocument* NextReportDocument(const ReportDocument* doc, std::string* name) {
    ReportDocument* next = doc ? doc->next() : documents().head();
    if (name) {
        if (next)
            *name = next->name;
        else
            name->clear();
    }
    return next;
}

ReportDocument* DeleteReportDocument(int n) {
    return documents().remove(n);
}

bool MergeReportDocuments(ReportDocument* target, const ReportDocument* source) {
    return documents().merge(target, source);
}

int reportDocumentCount() {
    return documents().size();
}

int unsavedReportCount() {
    return documents().unsavedCount();
}

void resetReportDocuments() {
    documents().clear();
}

int FeatureNameState(std::string_view name) {
    const FeatureRegistry& registry = documents().registry();
    int index = registry.find(name);
    return index < 0 ? kFeatureUnknown : stateOf(registry.countAt(index), documents().size());
}

int featureNameStateAt(int index) {
    const FeatureRegistry& registry = documents().registry();
    if (index < 0 || index >= registry.size()) return kFeatureUnknown;
    return stateOf(registry.countAt(index), documents().size());
}

int featureNameCount() {
    return documents().registry().size();
}

std::string featureNameAt(int index) {
    const FeatureRegistry& registry = documents().registry();
    if (index < 0 || index >= registry.size()) return {};
    return registry.nameAt(index);
}

int featureNameUses(std::string_view name) {
    const FeatureRegistry& registry = documents().registry();
    int index = registry.find(name);
    return index < 0 ? 0 : registry.countAt(index);
}

bool selectFeatureName(std::string_view name, bool selected) {
    FeatureRegistry& registry = documents().registry();
    int index = registry.find(name);
    if (index < 0) return false;
    setSign(registry.countAt(index), selected);
    return true;
}

bool selectFeatureNameAt(int index, bool selected) {
    FeatureRegistry& registry = documents().registry();
    if (index < 0 || index >= registry.size()) return false;
    setSign(registry.countAt(index), selected);
    return true;
}

int selectAllFeatureNames() {
    FeatureRegistry& registry = documents().registry();
    for (int i = 0; i < registry.size(); ++i) setSign(registry.countAt(i), true);
    return registry.size();
}

int deselectAllFeatureNames() {
    FeatureRegistry& registry = documents().registry();
    for (int i = 0; i < registry.size(); ++i) setSign(registry.countAt(i), false);
    return registry.size();
}
