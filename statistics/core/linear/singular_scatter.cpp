#include "statistics/core/linear/singular_scatter.h"

#include <algorithm>

SingularScatterAdvice singularScatterAdvice(int samples, int features, std::string_view matrix) {
    const std::string name(matrix);
    const int usable = std::max(1, samples - 1);
    if (features > usable) {
        return {std::to_string(samples) + " samples are too few for " + std::to_string(features) +
                    " features: their " + name + " is singular.",
                "Select at most " + std::to_string(usable) +
                    " features (\"Options\" menu item) or add samples."};
    }
    return {"The " + name +
                " of the selected features is singular: some features depend linearly on "
                "others (for example two features with the same values).",
            "Select fewer features, leaving out those that repeat others (\"Options\" menu "
            "item), or add samples."};
}

std::string withSingularScatterAdvice(std::string_view message, int samples, int features,
                                      std::string_view matrix) {
    const SingularScatterAdvice advice = singularScatterAdvice(samples, features, matrix);
    return std::string(message) + "\r" + advice.why + "\r" + advice.remedy;
}
