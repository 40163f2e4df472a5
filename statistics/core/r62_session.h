// r62's process state with one owner: the data set, the options, the shell
// flags, the projected data of the last PCA or LDA, the last cluster tree,
// the last network with its search directions, and the random source. The
// accessors the modules use (r62Data(), r62Options(), ...) read from here;
// reset() gives the state of a fresh start, as tests need it.
#pragma once

#include "statistics/core/classifiers/neural_network.h"
#include "statistics/core/clustering/hierarchical_clustering.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/r62_options.h"
#include "statistics/core/r62_shell.h"
#include "statistics/core/random_source.h"

struct R62Session {
    R62DataSet data;
    R62Options options;
    R62ShellFlags shell;
    SampleMatrix projected;
    ClusterTree clusterTree;
    NeuralNetwork network;
    DirectionSet directions;
    RandomSource random;

    // Everything back to its start state, except where the random numbers
    // come from (tests inject their seeds there).
    void reset();
};

// The one session of the process, made on first use (several megabytes: it
// never lives on the stack).
R62Session& r62Session();
