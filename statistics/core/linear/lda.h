// Linear discriminant analysis of r62's working data: the directions that
// best separate the categories, found from the total and between-class
// scatter through the Cholesky factor of the total scatter.
#pragma once

#include <cstdint>
#include <string_view>

#include "statistics/core/data/data_set.h"
#include "statistics/core/linear/projection.h"

inline constexpr std::string_view kLdaNoFeaturesMessage =
    "Linear Discriminant Analysis runtime error.\rNumber of selected features should be at "
    "least 2.\r[Use \"Options\" menu item to select features.]";
inline constexpr std::string_view kLdaWrongDataMessage =
    "Linear Discriminant Analysis runtime error.\r[Wrong data.]";

// The core of "LDA": prepares the working data (standardised when
// `standardize` is non-zero) and leaves it centred, writes every sample's
// projection on all n directions into `projected`, reports, and fills the plot
// of the first one to three directions. Sets ClassResult. When the total
// scatter is not positive definite the outcome is Failed with one message,
// kLdaWrongDataMessage followed by why and what helps
// (withSingularScatterAdvice), and the report holds the header and the
// results title.
ProjectionReport LinearDiscriminantAnalysis(R62DataSet& data, SampleMatrix& projected,
                                            uint8_t standardize, std::string_view dateTime);
