// r62's feed-forward networks and their training.
//
// Two networks share one set of layer arrays: the two-hidden-layer network of
// the nonlinear discriminant analysis (NdaW1, NdaW2, NdaW3) and the
// one-hidden-layer network of the ANN classifiers (AnnWHidden, AnnWOut).
// Every weight row starts with the neuron's bias in column 0, followed by one
// weight per input (or neuron) of the layer below in ascending order; element
// 0 of NetInput, Hidden1Out and Hidden2Out is the constant 1.0 that the
// back-propagation step multiplies into the bias weight's change. No forward
// pass reads or writes element 0, and row 0 of a weight matrix is never used
// by a forward pass.
//
// Training is on-line back-propagation from small random weights, followed by
// a numerical minimisation of the mean squared error over all weights (a
// rotating-directions search with line searches and parabolic interpolation).
// Both write their log lines into the report.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/checked_array.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/random_source.h"

inline constexpr int kMaxNetInputs = kMaxFeatures;     // NI: 1..30
inline constexpr int kMaxGLayer = 16;                  // G: 1..16
inline constexpr int kMaxHLayer = 3;                   // H: 2..3 (NDA only)
inline constexpr int kMaxNetOutputs = kMaxCategories;  // NO: 1..40
// (30 + 1) * 16 + (16 + 1) * 3 + (3 + 1) * 40: the largest NDA network.
inline constexpr int kMaxWeightCount = 707;

using InputVector = CheckedArray<double, 0, kMaxNetInputs>;
using Hidden1Vector = CheckedArray<double, 0, kMaxGLayer>;
using Hidden2Vector = CheckedArray<double, 0, kMaxHLayer>;
using OutputVector = CheckedArray<double, 0, kMaxNetOutputs>;

// Weight matrices: [neuron][bias, then one weight per unit below].
using HiddenWeights = CheckedArray<InputVector, 0, kMaxGLayer>;           // NdaW1, AnnWHidden
using Hidden2Weights = CheckedArray<Hidden1Vector, 0, kMaxHLayer>;        // NdaW2
using NdaOutputWeights = CheckedArray<Hidden2Vector, 0, kMaxNetOutputs>;  // NdaW3
using AnnOutputWeights = CheckedArray<Hidden1Vector, 0, kMaxNetOutputs>;  // AnnWOut

// Target output m of sample s: [s][m], s = 1..2000, m = 1..NO (column 0 unused).
using TargetMatrix = CheckedArray<OutputVector, 1, kMaxSamples>;

// All weights of a network as one vector w[1..M] (see packWeights).
using WeightVector = CheckedArray<double, 1, kMaxWeightCount>;

// Which matrices a weight vector, an error or a minimisation is about.
enum class NetworkKind {
    Nda,  // NdaW1, NdaW2, NdaW3
    Ann,  // AnnWHidden, AnnWOut
};

// What one back-propagation step trains.
enum class TrainingKind {
    Nda,           // NdaForward + NdaBackprop
    Ann,           // AnnForward + AnnBackprop
    AnnOneOutput,  // AnnForward + AnnOneBackprop (one-vs-all classifier, NO = 1)
};

// 1 / (1 + e^-x) with x clamped to [-50, 50], so e^-x stays finite:
// Sigmoid(1000) == Sigmoid(50), Sigmoid(-1000) == Sigmoid(-50). NaN stays NaN.
double Sigmoid(double x);

// M = (NI + 1) G + (G + 1) H + (H + 1) NO.
int ndaWeightCount(int inputs, int gLayer, int hLayer, int outputs);
// M = (NI + 1) G + (G + 1) NO.
int annWeightCount(int inputs, int gLayer, int outputs);

// The network globals. One instance per process (r62Network()); about 700 KB,
// most of it NetTarget, so it lives on the heap.
struct NeuralNetwork {
    // Sizes of the network being trained or tested. GLayer and HLayer are
    // copied from the options by the training routines; the network test sets
    // them from the stored report.
    int16_t NetInputCount = 0;   // NI
    int16_t GLayer = 1;          // G
    int16_t HLayer = 2;          // H
    int16_t NetOutputCount = 0;  // NO

    InputVector NetInput;  // [0] = 1.0, [1..NI] one sample's features
    Hidden1Vector Hidden1Out, Hidden1Slope, Hidden1Delta;
    Hidden2Vector Hidden2Out, Hidden2Slope, Hidden2Delta;  // Hidden2Out[1..H]: NDA features
    OutputVector NetOutput, OutputSlope, OutputDelta;      // [1..NO]

    HiddenWeights NdaW1;     // rows 1..G, columns 0..NI
    Hidden2Weights NdaW2;    // rows 1..H, columns 0..G
    NdaOutputWeights NdaW3;  // rows 1..NO, columns 0..H

    HiddenWeights AnnWHidden;  // rows 1..G, columns 0..NI
    AnnOutputWeights AnnWOut;  // rows 1..NO, columns 0..G

    TargetMatrix NetTarget;  // [s][m], m = 1..NO

    // Everything zero, sizes back to their initial values.
    void reset();

    // M of the network of `kind` for the current sizes. Throws
    // RangeCheckError when a size is outside its limits (see above).
    int WeightCount(NetworkKind kind) const;

    // Weight vector order: NDA: rows j = 1..G of NdaW1 (columns 0..NI), rows
    // k = 1..H of NdaW2 (columns 0..G), rows m = 1..NO of NdaW3 (columns
    // 0..H). ANN: rows 1..G of AnnWHidden (columns 0..NI), rows 1..NO of
    // AnnWOut (columns 0..G). w[1..WeightCount(kind)] is used.
    void packWeights(NetworkKind kind, WeightVector& w) const;
    void unpackWeights(NetworkKind kind, const WeightVector& w);
    // Calls visit(weight) for every weight of `kind` in that order, for the
    // current sizes, the weight as a mutable or a const reference. Checks no
    // size beyond the arrays' own bounds: a stored ANN network may have more
    // weights than a WeightVector holds.
    template <class Visit>
    void forEachWeight(NetworkKind kind, Visit&& visit) {
        visitWeights(*this, kind, visit);
    }
    template <class Visit>
    void forEachWeight(NetworkKind kind, Visit&& visit) const {
        visitWeights(*this, kind, visit);
    }

    // Weight initialisation: reseed `random` once, zero the network's
    // matrices, then draw 0.1 (u - 0.5) for rows 0..(layer size) and columns
    // 0..(fan-in) of each matrix, nearest the output first (NDA: NdaW3,
    // NdaW2, NdaW1; ANN: AnnWOut, AnnWHidden), row by row. Sets NetInput[0],
    // Hidden1Out[0] and Hidden2Out[0] to 1.0.
    void initialiseNdaWeights(RandomSource& random);
    void initialiseAnnWeights(RandomSource& random);

    // NetInput[1..NI] := the working row of sample s.
    void loadInput(const R62DataSet& data, int s);

    // Forward passes from NetInput[1..NI]: outputs and slopes y (1 - y) of
    // every layer. The bias weight starts each sum; inputs are added in
    // ascending order.
    void NdaForward();
    void AnnForward();
    // The same passes reading input i from FeatureData[s][i] instead of
    // NetInput, writing outputs only (no slopes).
    void NdaForwardSample(const R62DataSet& data, int s);
    void AnnForwardSample(const R62DataSet& data, int s);

    // One on-line gradient step towards NetTarget[s] with rate `eta`, from the
    // outputs and slopes of the preceding forward pass on the row of s. All
    // error terms are computed before any weight changes. AnnOneBackprop
    // takes target column 1 for every output (used with NO = 1).
    void NdaBackprop(int s, double eta);
    void AnnBackprop(int s, double eta);
    void AnnOneBackprop(int s, double eta);

    // Reseeds `random`, draws s = 1 + a draw below SampleCount and loads the
    // row of s into NetInput[1..NI]. Returns s.
    int PickRandomSample(const R62DataSet& data, RandomSource& random);

  private:
    template <class Self, class Visit>
    static void visitWeights(Self& net, NetworkKind kind, Visit& visit) {
        const int ni = net.NetInputCount;
        const int g = net.GLayer;
        const int no = net.NetOutputCount;
        auto layer = [&visit](auto& weights, int units, int fanIn) {
            for (int j = 1; j <= units; ++j)
                for (int i = 0; i <= fanIn; ++i) visit(weights[j][i]);
        };
        if (kind == NetworkKind::Nda) {
            const int h = net.HLayer;
            layer(net.NdaW1, g, ni);
            layer(net.NdaW2, h, g);
            layer(net.NdaW3, no, h);
        } else {
            layer(net.AnnWHidden, g, ni);
            layer(net.AnnWOut, no, g);
        }
    }
};

// The process's network, allocated on first use.
NeuralNetwork& r62Network();
// Back to the zero state (tests).
void resetR62Network();

// Called with (position, maximum) while a long run goes on, so that the main
// window can move its progress bar and repaint; (0, 0) when the run ends and
// the bar is hidden. Back-propagation reports every 1000 steps, the
// minimisation after each sweep and several times within a sweep.
using NetworkProgress = std::function<void(int position, int maximum)>;

// The two header lines of the training log that the caller writes before
// BackpropTraining; `outputs` = 1 is the one-vs-all classifier's form. For 7
// to 40 outputs only the first line.
std::vector<std::string> trainingLogHeader(int outputs);

// The back-propagation loop: N warm-up steps, then steps up to and including
// bpIterLimit, each a PickRandomSample, the forward pass and the step of
// `kind`. A log line "%4d%6.3f%4d%6.3f" + "%4.1f" per output goes to `lines`
// at step N + 1 and at every multiple of 50000, for 2..6 outputs and for the
// one-output classifier. Throws RangeCheckError without samples.
void BackpropTraining(NeuralNetwork& net, const R62DataSet& data, TrainingKind kind, double eta,
                      int32_t bpIterLimit, std::vector<std::string>& lines,
                      RandomSource& random = r62Random(), const NetworkProgress& progress = {});

// Loads w[1..M] into the matrices of `kind` and returns the network's mean
// squared error over samples 1..N and outputs 1..NO: the sum of
// (y - NetTarget[s][m])^2 / N / NO.
double NetworkError(NeuralNetwork& net, const R62DataSet& data, NetworkKind kind,
                    const WeightVector& w);

// Abscissa of the vertex of the parabola through (a, fa), (b, fb), (c, fc);
// not a finite number when the three points lie on a line.
double ParabolaVertex(double a, double b, double c, double fa, double fb, double fc);

// n search directions of n components each (n <= kMaxWeightCount), with the
// work matrix of their rotation: about 8 MB at the largest size, allocated on
// the first resize to that size and kept.
class DirectionSet {
  public:
    // The identity: direction d is the unit vector of component d.
    void resetIdentity(int n);
    int size() const { return n_; }
    // D[k][d]: component k of direction d, both 1..n.
    double at(int k, int d) const;
    // Components 1..n of direction d, contiguous (entry k - 1 is component k).
    const double* direction(int d) const;
    double* direction(int d);

  private:
    friend void RotateDirections(DirectionSet& D, const WeightVector& lambda, int n);
    int n_ = 0;
    std::vector<double> d_;     // n x n, direction by direction
    std::vector<double> work_;  // the rotation's sums, same layout
    std::vector<double> q_;     // its squared step lengths
};

// The process's direction set, kept between runs (r62_session.h).
DirectionSet& r62Directions();

// Turns the directions so that the first points along the total move of the
// last sweep (sum of lambda[d] D[.][d]), the others orthonormal to it
// (Palmer's form of the Gram-Schmidt step). A direction whose step sums are
// zero is kept as it is.
void RotateDirections(DirectionSet& D, const WeightVector& lambda, int n);

// A function of the first n entries of a point.
using ErrorFunction = std::function<double(const WeightVector& point)>;

// Rosenbrock's rotating-directions minimisation of f from x0 (entries 1..n),
// as OptimizeWeights runs it: a line search per direction, then the rotation,
// sweep after sweep, until `limit` sweeps, f <= 1e-6, or a sweep moves no
// more than `tolerance` in total. Adds the log lines "%11d%11.3e" of
// (sweep, sqrt f): sweep 0, every tenth sweep, and the last one when it is
// not `limit`. Leaves the best point in x0 and returns f there.
double minimizeRotatingDirections(WeightVector& x0, int n, const ErrorFunction& f, int limit,
                                  double tolerance, DirectionSet& directions,
                                  std::vector<std::string>& lines,
                                  const NetworkProgress& progress = {});

// Minimises NetworkError over all weights of `kind`, writing the heading
// "> ANN weight numerical optimization" and its log to `lines`; the network
// keeps the best point found. Callers pass optyIterLimit and 1e-5.
void OptimizeWeights(NeuralNetwork& net, const R62DataSet& data, int16_t limit, NetworkKind kind,
                     double tolerance, std::vector<std::string>& lines,
                     const NetworkProgress& progress = {});

// A neuron line of a stored-network report: `count` weights from `row`, bias
// first, each "%14.6e" in the program's exponent form, nothing between.
std::string neuronWeightLine(const double* row, int count);
