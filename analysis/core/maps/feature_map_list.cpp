#include "analysis/core/maps/feature_map_list.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <list>
#include <new>

#include "workspace/core/image/image_plane.h"

namespace {

// Owner of every map; std::list keeps the entries where they are, so the
// pointers handed out stay valid until the entry itself is removed.
class FeatureMapList {
  public:
    FeatureMap* add(std::string_view name, const double* values, int width, int height) {
        if (width < 0 || height < 0) return nullptr;
        size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
        // Maps are image-sized; anything larger is a corrupt size, not a map.
        if (count > kMaxPlaneWords || (count > 0 && values == nullptr)) return nullptr;
        try {
            std::list<FeatureMap> node(1);
            FeatureMap& map = node.front();
            // The name is a C string of the producer: it ends at a NUL.
            size_t length = std::min({name.find('\0'), name.size(), kMaxFeatureMapNameLength});
            map.name = std::string(name.substr(0, length));
            map.width = width;
            map.height = height;
            map.values.assign(values, values + count);
            setRange(map);
            maps_.splice(maps_.end(), node);
            return &maps_.back();
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

    FeatureMap* at(int n) {
        if (maps_.empty()) return nullptr;
        if (n < 0) n = 0;
        if (static_cast<size_t>(n) >= maps_.size()) return &maps_.back();
        return &*std::next(maps_.begin(), n);
    }

    int size() const { return static_cast<int>(maps_.size()); }

    bool remove(const FeatureMap* map) {
        auto it = std::find_if(maps_.begin(), maps_.end(),
                               [map](const FeatureMap& m) { return &m == map; });
        if (it == maps_.end()) return false;
        maps_.erase(it);
        return true;
    }

    int unsavedCount() const {
        return static_cast<int>(std::count_if(maps_.begin(), maps_.end(),
                                              [](const FeatureMap& m) { return m.saved == 0; }));
    }

    void clear() { maps_.clear(); }

  private:
    static void setRange(FeatureMap& map) {
        const std::vector<double>& v = map.values;
        // The range starts at the first finite value: a missing first value
        // (an AR map's corner) must not pull it to 0. Non-finite values are
        // kept out: an infinite bound would make every display scale void.
        // A map without finite values gets 0.
        const auto first =
            std::find_if(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
        double low = first != v.end() ? *first : 0.0;
        double high = low;
        for (auto it = first; it != v.end(); ++it) {
            if (!std::isfinite(*it)) continue;
            low = std::min(low, *it);
            high = std::max(high, *it);
        }
        // The display divides by max - min.
        if (low == high) {
            low -= 1.0;
            high += 1.0;
        }
        map.min = map.displayLow = low;
        map.max = map.displayHigh = high;
    }

    std::list<FeatureMap> maps_;
};

FeatureMapList& featureMaps() {
    static FeatureMapList list;
    return list;
}

}  // namespace

FeatureMap* AddFeatureMap(std::string_view name, const double* values, int width, int height) {
    return featureMaps().add(name, values, width, height);
}

FeatureMap* MapListAt(int n) {
    return featureMaps().at(n);
}

int featureMapCount() {
    return featureMaps().size();
}

bool deleteFeatureMap(const FeatureMap* map) {
    return featureMaps().remove(map);
}

int unsavedFeatureMapCount() {
    return featureMaps().unsavedCount();
}

void resetFeatureMaps() {
    featureMaps().clear();
}
