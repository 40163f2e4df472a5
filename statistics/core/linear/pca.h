// Principal component analysis of r62's working data: the eigenvectors of
// the covariance of the selected features, the most expressive features.
#pragma once

#include <cstdint>
#include <string_view>

#include "statistics/core/data/data_set.h"
#include "statistics/core/linear/projection.h"

inline constexpr std::string_view kPcaNoFeaturesMessage =
    "Principal Component Analysis runtime error.\rNumber of selected features should be at "
    "least 2.\r[Use \"Options\" menu item to select features.]";

// The core of "PCA": prepares the working data (standardised when
// `standardize` is non-zero) and leaves it centred, writes every sample's
// projection on all n components into `projected`, reports, and fills the
// plot of the first one to three components. Sets ClassResult.
ProjectionReport PrincipalComponentAnalysis(R62DataSet& data, SampleMatrix& projected,
                                            uint8_t standardize, std::string_view dateTime);
