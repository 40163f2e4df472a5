#include "statistics/core/clustering/dendrogram_layout.h"

#include <algorithm>
#include <cmath>

#include "platform/textformat.h"
#include "statistics/core/reports/plot_geometry.h"

namespace {

constexpr int kLeafLabelRows = 3;
constexpr int kLeafLabelPitch = 12;

std::string joined(const std::vector<int>& numbers) {
    std::string text;
    for (size_t k = 0; k < numbers.size(); ++k) {
        if (k > 0) text += ", ";
        text += std::to_string(numbers[k]);
    }
    return text;
}

}  // namespace

DendrogramModel dendrogramModel(const ClusterTree& tree) {
    const int n = tree.sampleCount;
    checkRange(n, 2, kMaxSamples);
    DendrogramModel model;
    model.sampleCount = n;
    model.drawnLinks = std::min(kMaxDrawnLinks, n - 1);
    model.firstLink = n - model.drawnLinks;
    model.baseHeight = model.drawnLinks < n - 1 ? tree.LinkHeights[model.firstLink] : 0.0;

    // A label joined twice or a link naming a later cluster would make the
    // walks below run in circles; such a list is no tree.
    const int top = 2 * n - 1;
    model.parentLink.assign(static_cast<size_t>(top) + 1, 0);
    for (int s = 1; s <= n - 1; ++s) {
        const MergePair& pair = tree.MergeList[s];
        for (int label : {static_cast<int>(pair.a), static_cast<int>(pair.b)}) {
            checkRange(label, 1, n + s - 1);
            if (model.parentLink[static_cast<size_t>(label)] != 0) throw RangeCheckError();
            model.parentLink[static_cast<size_t>(label)] = s;
        }
    }

    model.leafPosition.assign(static_cast<size_t>(top) + 1, -1);
    std::vector<int> pending{top};
    while (!pending.empty()) {
        const int label = pending.back();
        pending.pop_back();
        if (model.isLeaf(label)) {
            model.leafPosition[static_cast<size_t>(label)] =
                static_cast<int>(model.leafOrder.size());
            model.leafOrder.push_back(label);
        } else {
            const MergePair& pair = tree.MergeList[label - n];
            pending.push_back(pair.b);
            pending.push_back(pair.a);
        }
    }

    model.leafOfSample.assign(static_cast<size_t>(n) + 1, 0);
    for (int s = model.firstLink; s <= n - 1; ++s) {
        const MergePair& pair = tree.MergeList[s];
        for (int label : {static_cast<int>(pair.a), static_cast<int>(pair.b)}) {
            if (!model.isLeaf(label)) continue;
            model.recordedLeaves.push_back(label);
            pending.assign(1, label);
            while (!pending.empty()) {
                const int below = pending.back();
                pending.pop_back();
                if (below <= n) {
                    model.leafOfSample[static_cast<size_t>(below)] = label;
                } else {
                    const MergePair& inner = tree.MergeList[below - n];
                    pending.push_back(inner.b);
                    pending.push_back(inner.a);
                }
            }
        }
    }
    return model;
}

DendrogramGeometry layoutDendrogram(const DendrogramModel& model, const ClusterTree& tree,
                                    int width, int height) {
    const int n = model.sampleCount;
    const int links = model.drawnLinks;
    DendrogramGeometry g;
    g.width = width;
    g.height = height;
    g.drawableHeight = height - 38;
    const int hd = g.drawableHeight;
    g.spacing = roundPixel(static_cast<double>(width - 34) / links);
    g.firstLeafX = roundPixel(static_cast<double>(width - links * g.spacing) / 2);
    for (int place = 0; place <= links; ++place)
        g.leafX.push_back(g.firstLeafX + place * g.spacing);

    // With every drawn link at the base height there is no span to scale by:
    // the links then share the top row rather than landing on 0/0.
    const double span = tree.LinkHeights[n - 1] - model.baseHeight;
    const bool flat = !(span > 0.0) || !std::isfinite(span);
    const int highest = std::min(kTopLinkRow, hd);
    auto rowOf = [&](double linkHeight) {
        if (flat) return highest;
        const int row = hd - roundPixel((linkHeight - model.baseHeight) * (hd - 5) / span);
        return std::clamp(row, highest, hd);
    };

    g.linkX.resize(static_cast<size_t>(links));
    g.linkRow.resize(static_cast<size_t>(links));
    auto childX = [&](int label) {
        if (model.isLeaf(label)) return g.leafX[static_cast<size_t>(model.leafPosition[label])];
        return g.linkX[static_cast<size_t>(label - n - model.firstLink)];
    };
    auto childRow = [&](int label) {
        if (model.isLeaf(label)) return hd;
        return g.linkRow[static_cast<size_t>(label - n - model.firstLink)];
    };
    // Children come before their link in the merge list, so one pass upwards
    // has every child placed when its link is reached.
    for (int s = model.firstLink; s <= n - 1; ++s) {
        const MergePair& pair = tree.MergeList[s];
        const int xa = childX(pair.a);
        const int xb = childX(pair.b);
        const int row = rowOf(tree.LinkHeights[s]);
        const size_t at = static_cast<size_t>(s - model.firstLink);
        g.linkX[at] = roundPixel((xa + xb) / 2.0);
        g.linkRow[at] = row;
        g.lines.push_back({xa, childRow(pair.a), xa, row, kDendrogramBlue});
        g.lines.push_back({xb, childRow(pair.b), xb, row, kDendrogramBlue});
        g.lines.push_back({xa, row + 1, xb, row + 1, kDendrogramGreen});
    }
    // Below the leaves' bottom row, so that a cut there still meets them.
    g.lines.push_back({2, hd + 1, width - 3, hd + 1, kDendrogramBlack});

    for (int place = 0; place <= links; ++place) {
        DendrogramLeafLabel label;
        label.x = g.leafX[static_cast<size_t>(place)];
        label.y = hd + 4 + kLeafLabelPitch * (place % kLeafLabelRows);
        label.connectorTop = hd + 2;
        label.connectorBottom = label.y - 1;
        label.text = std::to_string(model.leafOrder[static_cast<size_t>(place)]);
        g.labels.push_back(std::move(label));
    }
    return g;
}

std::vector<uint32_t> rasteriseDendrogram(const DendrogramGeometry& geometry) {
    const int w = std::max(0, geometry.width);
    const int h = std::max(0, geometry.height);
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h), kDendrogramWhite);
    auto set = [&](int x, int y, uint32_t colour) {
        if (x >= 0 && y >= 0 && x < w && y < h)
            pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
                colour;
    };
    for (const DendrogramLine& line : geometry.lines) {
        if (line.x1 == line.x2) {
            for (int y = std::min(line.y1, line.y2); y <= std::max(line.y1, line.y2); ++y)
                set(line.x1, y, line.colour);
        } else {
            // The layout draws only vertical and horizontal lines.
            for (int x = std::min(line.x1, line.x2); x <= std::max(line.x1, line.x2); ++x)
                set(x, line.y1, line.colour);
        }
    }
    return pixels;
}

std::vector<int> bluePixelsByRow(const std::vector<uint32_t>& pixels, int width, int height) {
    std::vector<int> counts(static_cast<size_t>(std::max(0, height)), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (pixels[static_cast<size_t>(y) * static_cast<size_t>(width) +
                       static_cast<size_t>(x)] == kDendrogramBlue)
                ++counts[static_cast<size_t>(y)];
    return counts;
}

int clustersForCount(int bluePixels, int sampleCount) {
    return std::min(std::max(2, bluePixels), std::max(2, sampleCount));
}

int rowForClusters(const std::vector<int>& blueByRow, int k, int sampleCount, int preferred) {
    const int rows = static_cast<int>(blueByRow.size());
    auto gives = [&](int row) {
        return row >= 0 && row < rows &&
               clustersForCount(blueByRow[static_cast<size_t>(row)], sampleCount) == k;
    };
    for (int d = 0; d < rows + std::abs(preferred) + 1; ++d) {
        if (gives(preferred - d)) return preferred - d;
        if (gives(preferred + d)) return preferred + d;
    }
    return -1;
}

int bluePixelsOnRow(const DendrogramGeometry& geometry, int row) {
    if (row < 0 || row >= geometry.height || geometry.width <= 0) return 0;
    // The row as runs of one colour, painted over in drawing order: a line
    // replaces whatever the columns it covers held.
    struct Run {
        int from;  // first column
        int to;    // last column
        bool blue;
    };
    std::vector<Run> runs;
    std::vector<Run> kept;
    for (const DendrogramLine& line : geometry.lines) {
        int from = 0;
        int to = -1;
        if (line.x1 == line.x2) {
            if (row < std::min(line.y1, line.y2) || row > std::max(line.y1, line.y2)) continue;
            from = to = line.x1;
        } else {
            if (line.y1 != row) continue;
            from = std::min(line.x1, line.x2);
            to = std::max(line.x1, line.x2);
        }
        from = std::max(from, 0);
        to = std::min(to, geometry.width - 1);
        if (from > to) continue;
        kept.clear();
        for (const Run& run : runs) {
            if (run.to < from || run.from > to) {
                kept.push_back(run);
                continue;
            }
            if (run.from < from) kept.push_back({run.from, from - 1, run.blue});
            if (run.to > to) kept.push_back({to + 1, run.to, run.blue});
        }
        kept.push_back({from, to, line.colour == kDendrogramBlue});
        runs.swap(kept);
    }
    int count = 0;
    for (const Run& run : runs)
        if (run.blue) count += run.to - run.from + 1;
    return count;
}

std::vector<int> bluePixelsByRow(const DendrogramGeometry& geometry) {
    std::vector<int> counts(static_cast<size_t>(std::max(0, geometry.height)), 0);
    for (int y = 0; y < geometry.height; ++y)
        counts[static_cast<size_t>(y)] = bluePixelsOnRow(geometry, y);
    return counts;
}

int clustersAtRow(const DendrogramGeometry& geometry, int row, int sampleCount) {
    return clustersForCount(bluePixelsOnRow(geometry, row), sampleCount);
}

int rowForClusters(const DendrogramGeometry& geometry, int k, int sampleCount, int preferred) {
    // The search of the row counts, measuring a row only when it is reached.
    const int rows = std::max(0, geometry.height);
    auto gives = [&](int row) {
        return row >= 0 && row < rows && clustersAtRow(geometry, row, sampleCount) == k;
    };
    for (int d = 0; d < rows + std::abs(preferred) + 1; ++d) {
        if (gives(preferred - d)) return preferred - d;
        if (gives(preferred + d)) return preferred + d;
    }
    return -1;
}

std::vector<int> cutDendrogram(const DendrogramModel& model, const ClusterTree& tree, int k) {
    const int n = model.sampleCount;
    checkRange(k, 2, n);
    const int t = n - k + 1;
    // Cluster by label: the roots first, in the order the cut numbers them,
    // then every label below a root takes its parent's cluster. A parent's
    // label is always larger than its child's, so one pass downwards will do.
    std::vector<int> cluster(static_cast<size_t>(2 * n), 0);
    int next = 1;
    cluster[static_cast<size_t>(tree.MergeList[t].a)] = next++;
    cluster[static_cast<size_t>(tree.MergeList[t].b)] = next++;
    for (int s = t + 1; s <= n - 1; ++s)
        for (int label :
             {static_cast<int>(tree.MergeList[s].a), static_cast<int>(tree.MergeList[s].b)})
            if (label < n + t) cluster[static_cast<size_t>(label)] = next++;
    for (int label = n + t - 1; label >= 1; --label) {
        int& own = cluster[static_cast<size_t>(label)];
        if (own == 0) own = cluster[static_cast<size_t>(n + model.parentLink[label])];
    }
    cluster.resize(static_cast<size_t>(n) + 1);
    cluster[0] = 0;
    return cluster;
}

std::vector<std::string> clusterMemberLines(const std::vector<int>& labels, int k) {
    std::vector<std::vector<int>> members(static_cast<size_t>(std::max(0, k)) + 1);
    for (size_t i = 1; i < labels.size(); ++i)
        if (labels[i] >= 1 && labels[i] <= k)
            members[static_cast<size_t>(labels[i])].push_back(static_cast<int>(i));

    std::vector<std::string> lines;
    for (int c = 1; c <= k; ++c) {
        lines.push_back("Samples classified to cluster #" + std::to_string(c) + ":");
        const std::vector<int>& list = members[static_cast<size_t>(c)];
        std::string line;
        for (size_t m = 0; m < list.size(); ++m) {
            if (line.size() >= 36) {
                // The separator stays with the number before the break.
                lines.push_back(line.substr(0, line.size() - 1));
                line.clear();
            }
            line += std::to_string(list[m]);
            if (m + 1 < list.size()) line += ", ";
        }
        lines.push_back(line);
        lines.push_back("> " + std::to_string(list.size()) + " sample(s)");
    }
    return lines;
}

std::vector<std::string> acceptedPartitionLines(const ClusterTree& tree,
                                                const std::vector<int>& labels, int k) {
    const int t = tree.sampleCount - k + 1;
    std::vector<std::string> lines{
        "Cutoff link No. " + std::to_string(t),
        "Cutoff link inconsistency coeffcitent:",
        platform::cformat("%1.6f", tree.InconsistencyTable[t][3]),
        "Cutoff link relative inconsistency coeffcitent:",
        platform::cformat("%1.6f", DendrogramCutLevel(tree, k)),
        "Number of clusters: " + std::to_string(k),
    };
    for (std::string& line : clusterMemberLines(labels, k)) lines.push_back(std::move(line));
    return lines;
}

std::vector<DescriptionEntry> leafSampleEntries(const DendrogramModel& model) {
    std::vector<int> slot(model.leafPosition.size(), -1);
    for (size_t k = 0; k < model.recordedLeaves.size(); ++k)
        slot[static_cast<size_t>(model.recordedLeaves[k])] = static_cast<int>(k);
    std::vector<std::vector<int>> samples(model.recordedLeaves.size());
    for (int i = 1; i <= model.sampleCount; ++i) {
        const int at = slot[static_cast<size_t>(model.leafOfSample[static_cast<size_t>(i)])];
        if (at >= 0) samples[static_cast<size_t>(at)].push_back(i);
    }
    std::vector<DescriptionEntry> entries;
    for (size_t k = 0; k < model.recordedLeaves.size(); ++k)
        entries.push_back({std::to_string(model.recordedLeaves[k]), joined(samples[k])});
    return entries;
}

std::vector<DescriptionEntry> sampleLeafEntries(const DendrogramModel& model) {
    std::vector<DescriptionEntry> entries;
    for (int i = 1; i <= model.sampleCount; ++i)
        entries.push_back(
            {std::to_string(i), std::to_string(model.leafOfSample[static_cast<size_t>(i)])});
    return entries;
}
