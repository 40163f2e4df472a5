// The user's check marks on feature names, as the report window changes
// them. A check belongs to the name, so it holds for every document at once;
// only names held by every document (checked or unchecked) can be changed
// one by one: a name held by some documents only, or an auxiliary record
// outside the registry, keeps its state.
#pragma once

#include <string_view>

#include "analysis/core/reports/report_document.h"

// Checks an unchecked name or unchecks a checked one; any other state stays.
// Returns the name's state afterwards.
int setFeatureChecked(std::string_view name, bool checked);

// A click on a row's check mark: unchecked becomes checked and checked
// becomes unchecked. Returns the name's state afterwards.
int toggleFeatureCheck(std::string_view name);

// Inverts the check of every name of the document's records that is held by
// every document. Each name is inverted once, however many records of the
// document carry it (an aggregated document holds each name several times).
void invertFeatureChecks(const ReportDocument& document);
