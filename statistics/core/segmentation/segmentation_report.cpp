#include "statistics/core/segmentation/segmentation_report.h"

#include <ctime>

#include "platform/textformat.h"

std::string colourText(uint32_t bgr) {
    struct Named {
        uint32_t value;
        const char* name;
    };
    static constexpr Named kNamed[] = {
        {0x000000, "clBlack"}, {0x000080, "clMaroon"},     {0x008000, "clGreen"},
        {0x008080, "clOlive"}, {0x800000, "clNavy"},       {0x800080, "clPurple"},
        {0x808000, "clTeal"},  {0x808080, "clGray"},       {0xC0C0C0, "clSilver"},
        {0x0000FF, "clRed"},   {0x00FF00, "clLime"},       {0x00FFFF, "clYellow"},
        {0xFF0000, "clBlue"},  {0xFF00FF, "clFuchsia"},    {0xFFFF00, "clAqua"},
        {0xFFFFFF, "clWhite"}, {0xC0DCC0, "clMoneyGreen"}, {0xF0CAA6, "clSkyBlue"},
        {0xF0FBFF, "clCream"}, {0xA4A0A0, "clMedGray"}};
    for (const Named& named : kNamed)
        if (named.value == bgr) return named.name;
    return platform::cformat("$%.8X", bgr);
}

std::string segmentColourName(int segment) {
    if (segment < 0 || segment >= static_cast<int>(SegmentColours.size())) return {};
    return colourText(SegmentColours[static_cast<size_t>(segment)]).substr(2);
}

std::vector<std::string> segmentationReportStart(std::string_view launchedOn,
                                                 std::span<const std::string> paths) {
    std::vector<std::string> lines = {"> r62 - Segmentation Module Report",
                                      "",
                                      "> Launched on: " + std::string(launchedOn),
                                      "",
                                      "> Loaded images:",
                                      "",
                                      "> Path:"};
    std::string folder;
    if (!paths.empty()) {
        const size_t slash = paths.front().find_last_of("/\\");
        folder = slash == std::string::npos ? std::string() : paths.front().substr(0, slash + 1);
    }
    lines.push_back(folder);
    lines.push_back("");
    lines.push_back("> Files:");
    for (const std::string& path : paths) {
        const size_t slash = path.find_last_of("/\\");
        lines.push_back(slash == std::string::npos ? path : path.substr(slash + 1));
    }
    return lines;
}

std::vector<std::string> segmentationResultLines(std::span<const int64_t> areas) {
    std::vector<std::string> lines = {"", "> Segmentation results:"};
    for (size_t s = 0; s < areas.size(); ++s)
        lines.push_back("Area of class #" + std::to_string(s + 1) + " (" +
                        segmentColourName(static_cast<int>(s)) +
                        " segment) = " + std::to_string(areas[s]));
    return lines;
}

std::string segmentationReportPath(std::string path) {
    if (path.size() < 4 || path.compare(path.size() - 4, 4, ".seg") != 0) path += ".seg";
    return path;
}

std::string segmentationDoneStatus(int64_t milliseconds) {
    if (milliseconds < 0) milliseconds = 0;
    const int64_t minutes = milliseconds / 60000 % 60;
    const int64_t seconds = milliseconds / 1000 % 60;
    const int64_t rest = milliseconds % 1000;
    return platform::cformat("Done in (min:sec:msc) %02lld:%02lld:%03lld.",
                             static_cast<long long>(minutes), static_cast<long long>(seconds),
                             static_cast<long long>(rest));
}

std::string segmentationLaunchTime(int64_t secondsSinceEpoch) {
    const std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    localtime_r(&t, &local);
    return platform::cformat("%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                             local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                             local.tm_sec);
}
