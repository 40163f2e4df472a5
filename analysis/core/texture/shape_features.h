// Shape features of the 16 ROIs: group 1 (73 records of size, perimeter,
// diameters, moments, shape factors, skeleton and hole counts) and group 2
// (43 records: the longest diameter and the thicknesses along it). The
// formula of every record is in docs/shape-features.md.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/options/grain_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/shape_region.h"

inline constexpr int kShapeGroup1Count = 73;
inline constexpr int kShapeGroup2Count = 43;

inline constexpr std::array<std::string_view, kShapeGroup1Count> kShapeGroup1Names = {
    "GeoX",    "GeoY",    "GeoF",     "GeoSpol",  "GeoSmax", "GeoAox",  "GeoUg",    "GeoUw",
    "GeoFmax", "GeoFmin", "GeoFh",    "GeoFv",    "GeoMmin", "GeoMmax", "GeoMaver", "GeoFt",
    "GeoUl",   "GeoS1",   "GeoS2",    "GeoLsz",   "GeoS",    "GeoL",    "GeoSxL",   "GeoD1",
    "GeoD2",   "GeoFd2",  "GeoLmaxE", "GeoLminE", "GeoFE",   "GeoW1",   "GeoW2",    "GeoW6",
    "GeoW3",   "GeoW4",   "GeoW5",    "GeoW5b",   "GeoW7",   "GeoRs",   "GeoRf",    "GeoRff",
    "GeoRc",   "GeoRc1",  "GeoRc2",   "GeoRm",    "GeoRb",   "GeoRd",   "GeoRh",    "GeoW8",
    "GeoW9",   "GeoW10",  "GeoSigR",  "GeoW11",   "GeoW12",  "GeoW13",  "GeoW14",   "GeoW15",
    "GeoM2x",  "GeoM2y",  "GeoM2xy",  "GeoEr",    "GeoEr2",  "GeoEl",   "GeoEl2",   "GeoNc",
    "GeoNv",   "GeoNl",   "GeoNsz",   "GeoNi",    "GeoNx",   "GeoNo",   "GeoXo",    "GeoYo",
    "GeoXYo"};

// "_GeoA_x1", "_GeoA_y1", "_GeoA_x2", "_GeoA_y2", then GeoPw01, GeoPl01,
// GeoPr01, ..., GeoPr13.
std::string shapeGroup2Name(int index);

// The Feret widths: width(k) = h(k) + h(k + 128), k = 0..127, where h(k) is
// the largest x cos t + y sin t over the boundary pixels, t = k 2 pi / 256.
// |width| below 1e-9 is 0.
std::array<double, 128> feretWidths(const ShapeRegion& region);

// The perimeter sum U of GeoUg before halving and scaling:
// sum over boundary pixels of T (K + sqrt(2) D).
double unusualPerimeterSum(const ShapeRegion& region);

// The values of one ROI, f = length scale (1 / pixels per unit). An empty
// region gives 0 everywhere. Group 2 is computed only when asked.
struct ShapeMeasures {
    std::array<double, kShapeGroup1Count> group1{};
    std::array<double, kShapeGroup2Count> group2{};
};
ShapeMeasures measureShape(const ShapeRegion& region, double f, bool group1, bool group2);

// 73 when Sg_DoGeometry, plus 43 when Sg_DoGeometryP.
int shapeRecordCount(const GrainOptions& options);

// The records of the switched-on groups (group 1 first) for every ROI of a
// width x height ROI map, f = 1 / Sg_PPU (1 when Sg_PPU is 0 or not finite).
// ROIs are measured in parallel; the result does not depend on the threads.
void appendShapeRecords(const uint16_t* roiMap, int32_t width, int32_t height,
                        const GrainOptions& options, std::vector<FeatureRecord>& out);
