#include "statistics/core/r62_session.h"

#include <memory>

R62Session& r62Session() {
    static const std::unique_ptr<R62Session> session = std::make_unique<R62Session>();
    return *session;
}

void R62Session::reset() {
    data.reset();
    options.reset();
    shell.reset();
    // Made on the heap and copied: the matrices are too large for the stack.
    projected = *std::make_unique<SampleMatrix>();
    clusterTree = *std::make_unique<ClusterTree>();
    network.reset();
    directions = DirectionSet();
}

// The modules' accessors: thin views of the session.
R62DataSet& r62Data() {
    return r62Session().data;
}
R62Options& r62Options() {
    return r62Session().options;
}
R62ShellFlags& r62Shell() {
    return r62Session().shell;
}
SampleMatrix& r62ProjectedData() {
    return r62Session().projected;
}
ClusterTree& r62ClusterTree() {
    return r62Session().clusterTree;
}
NeuralNetwork& r62Network() {
    return r62Session().network;
}
DirectionSet& r62Directions() {
    return r62Session().directions;
}
RandomSource& r62Random() {
    return r62Session().random;
}
