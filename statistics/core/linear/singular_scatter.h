// Why a scatter or covariance matrix of the selected features could not be
// factored, and what the user can do about it. LDA and the Mahalanobis
// distance both need the matrix to be positive definite; the bare fact that
// it is not tells the user nothing, so their error boxes say this as well.
#pragma once

#include <string>
#include <string_view>

struct SingularScatterAdvice {
    std::string why;     // one line, ends with a full stop
    std::string remedy;  // one line, ends with a full stop
};

// `matrix` names the matrix ("scatter matrix", "covariance matrix"). Centred
// samples span at most samples - 1 directions, so with that many features or
// more the matrix is singular whatever the values; with fewer, some features
// depend linearly on others.
SingularScatterAdvice singularScatterAdvice(int samples, int features, std::string_view matrix);

// The two lines appended to `message`, each after a line break ("\r").
std::string withSingularScatterAdvice(std::string_view message, int samples, int features,
                                      std::string_view matrix);
