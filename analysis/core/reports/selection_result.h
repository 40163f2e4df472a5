// The result of one ranking run: up to ten entries, best first, each one
// feature (Fisher, POE+ACC, MI, singles) or a pair or triple of features
// (k-NN pairs and triples), with a value or an error count; and the text the
// result box shows for it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/reports/selection_samples.h"

inline constexpr int kSelectionTableSize = 10;

// The six criteria, numbered as the report window's modes 101..106 less 100.
enum class SelectionCriterion : int {
    Fisher = 1,
    PoeAcc = 2,
    MutualInformation = 3,
    Singles = 4,
    Pairs = 5,
    Triples = 6,
};

struct SelectionEntry {
    // Feature indices into the sample set, 0-based; -1 where the entry has none.
    int first = -1;
    int second = -1;
    int third = -1;
    int errors = 10000;   // k-NN criteria
    double value = -1.0;  // Fisher, POE+ACC, MI
};

// Filled entries only, best first.
using SelectionResult = std::vector<SelectionEntry>;

// How a ranking by one value per feature treats a tie and what may compete.
struct SingleValueRanking {
    bool laterWinsTie = false;     // the last of equal values ranks first
    bool nonNegativeOnly = false;  // a negative value never competes
};

// The best features by descending value, at most min(features, table size);
// a NaN never competes, and the table ends where nothing can rank.
SelectionResult rankBySingleValues(const std::vector<double>& value, int featureCount,
                                   SingleValueRanking rule);

std::string_view selectionTitle(SelectionCriterion criterion);
std::string_view selectionHead(SelectionCriterion criterion);
// The progress text of the worker: "Fisher selection" .. "Triplets selection".
std::string_view selectionProgressText(SelectionCriterion criterion);

// Head, then one line per entry: "%s\t%.4f\r\n" (Fisher, POE+ACC, MI),
// "%s\t%i\r\n" (singles), pairs and triples with their names in reverse
// order ("second\tfirst\t%i", "third\tsecond\tfirst\t%i").
std::string selectionResultText(SelectionCriterion criterion, const SelectionResult& result,
                                const SelectionSamples& samples);

// The ranking list: the name of each entry's first feature, in entry order,
// without repeats.
std::vector<std::string> selectionRankingNames(const SelectionResult& result,
                                               const SelectionSamples& samples);

// Every feature of every entry (first, second, third), without repeats.
std::vector<std::string> selectionWinnerNames(const SelectionResult& result,
                                              const SelectionSamples& samples);

// Accepting a result: every registry name is unchecked, then the winners are
// checked.
void acceptSelectionResult(const SelectionResult& result, const SelectionSamples& samples);

// The table of the k-NN criteria: the best `capacity` sets by ascending error
// count; a set goes before the first kept entry with a strictly larger count,
// so among equal counts the earlier set stays ahead, and the last entry drops
// out of a full table.
class NearestNeighbourTable {
  public:
    explicit NearestNeighbourTable(int capacity) : capacity_(capacity) {}
    void offer(const SelectionEntry& entry);
    // Offers the entries of a table of later sets, in order.
    void merge(const NearestNeighbourTable& later);
    const SelectionResult& entries() const { return entries_; }

  private:
    int capacity_;
    SelectionResult entries_;
};
