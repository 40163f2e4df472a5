#include "analysis/core/reports/unsaved_work.h"

#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/reports/report_document.h"

std::string unsavedWorkText() {
    std::string list;
    auto add = [&list](const char* kind, const std::string& name) {
        list += list.empty() ? "" : ", ";
        list += std::string(kind) + " \"" + name + "\"";
    };
    for (ReportDocument* d = NextReportDocument(nullptr, nullptr); d != nullptr;
         d = NextReportDocument(d, nullptr))
        if (d->saved == 0) add("report", d->name);
    for (int n = 0; n < featureMapCount(); ++n)
        if (FeatureMap* map = MapListAt(n); map != nullptr && map->saved == 0)
            add("map", map->name);
    return list.empty() ? std::string() : "Not saved: " + list + ".";
}
