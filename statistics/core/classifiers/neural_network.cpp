#include "statistics/core/classifiers/neural_network.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <utility>

#include "platform/textformat.h"
#include "statistics/core/simd.h"

namespace {

// --- the activation -------------------------------------------------------------
//
// e^x for the clamped range |x| <= 50: x = k ln2 + r with |r| <= ln2 / 2,
// e^r by its Taylor polynomial to degree 13 (truncation below 1e-17), times
// 2^k built in the exponent bits. No overflow, underflow or denormal can
// occur in that range. The same steps serve single values (the forward
// passes) and pairs of lanes (the error of the minimisation), so both give the
// same numbers to the bit; the library's exp could not be used in lanes.

inline constexpr int kLaneCount = LaneTraits<Lanes2>::kWidth;

inline uint64_t bitsOf(double v) {
    return std::bit_cast<uint64_t>(v);
}
inline LaneBits2 bitsOf(Lanes2 v) {
    return std::bit_cast<LaneBits2>(v);
}
inline double fromBits(uint64_t b) {
    return std::bit_cast<double>(b);
}
inline Lanes2 fromBits(LaneBits2 b) {
    return std::bit_cast<Lanes2>(b);
}

inline double clampArgument(double x) {
    if (x >= 50.0) x = 50.0;
    if (x < -50.0) x = -50.0;
    return x;  // NaN stays NaN
}
inline Lanes2 clampArgument(Lanes2 x) {
    const Lanes2 high = {50.0, 50.0};
    const Lanes2 low = {-50.0, -50.0};
    const LaneBits2 above = std::bit_cast<LaneBits2>(x >= high);
    LaneBits2 bits = (bitsOf(x) & ~above) | (bitsOf(high) & above);
    const LaneBits2 below = std::bit_cast<LaneBits2>(fromBits(bits) < low);
    bits = (bits & ~below) | (bitsOf(low) & below);
    return fromBits(bits);
}

template <class T>
inline T expOfClamped(T x) {
    constexpr double kLog2e = 1.4426950408889634;
    constexpr double kShifter = 6755399441055744.0;        // 1.5 * 2^52: rounds to an integer
    constexpr double kLn2Hi = 6.93147180369123816490e-01;  // exact times any k here
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    const T t = x * kLog2e + kShifter;
    const T k = t - kShifter;
    const T r = (x - k * kLn2Hi) - k * kLn2Lo;
    T p = r * (1.0 / 6227020800.0) + 1.0 / 479001600.0;
    p = p * r + 1.0 / 39916800.0;
    p = p * r + 1.0 / 3628800.0;
    p = p * r + 1.0 / 362880.0;
    p = p * r + 1.0 / 40320.0;
    p = p * r + 1.0 / 5040.0;
    p = p * r + 1.0 / 720.0;
    p = p * r + 1.0 / 120.0;
    p = p * r + 1.0 / 24.0;
    p = p * r + 1.0 / 6.0;
    p = p * r + 0.5;
    p = p * r + 1.0;
    p = p * r + 1.0;
    // The low bits of t hold k; 1023 + k goes into the exponent field.
    return p * fromBits((bitsOf(t) - bitsOf(kShifter) + 1023u) << 52);
}

template <class T>
inline T sigmoidOf(T x) {
    return 1.0 / (1.0 + expOfClamped(-clampArgument(x)));
}

// Applies the activation to the first `count` entries of `values` (kept in
// whole lanes: an entry past an odd count is overwritten).
inline void activateLanes(double* values, int count) {
    for (int q = 0; q < count; q += kLaneCount) {
        Lanes2 v;
        std::memcpy(&v, values + q, sizeof v);
        v = sigmoidOf(v);
        std::memcpy(values + q, &v, sizeof v);
    }
}

// Unchecked view of the selected features of sample s (1-based): x[i] is
// feature i, x[0] the category value.
inline const double* sampleRow(const R62DataSet& data, int s) {
    return data.FeatureData.data()[s - 1].data();
}

void checkNdaSizes(const NeuralNetwork& net) {
    checkRange(net.NetInputCount, 1, kMaxNetInputs);
    checkRange(net.GLayer, 1, kMaxGLayer);
    checkRange(net.HLayer, 1, kMaxHLayer);
    checkRange(net.NetOutputCount, 1, kMaxNetOutputs);
}

void checkAnnSizes(const NeuralNetwork& net) {
    checkRange(net.NetInputCount, 1, kMaxNetInputs);
    checkRange(net.GLayer, 1, kMaxGLayer);
    checkRange(net.NetOutputCount, 1, kMaxNetOutputs);
}

// --- the error over all samples ----------------------------------------------------
//
// The first hidden layer's weights are turned input-major and padded to
// kMaxGLayer neurons with zeros, so that the sums of all neurons advance
// together over one input at a time: t[i][j] = W[j + 1][i]. Each neuron still
// adds its bias first and its inputs in ascending order, and every other sum
// runs as in the forward passes, so the error is the same to the bit as one
// summed from them.

static_assert(kMaxGLayer % kLaneCount == 0 && kMaxNetOutputs % kLaneCount == 0);
inline constexpr int kHiddenLanes = kMaxGLayer / kLaneCount;
inline constexpr int kPaddedHLayer = (kMaxHLayer + kLaneCount - 1) / kLaneCount * kLaneCount;

struct alignas(16) TransposedHidden {
    Lanes2 row[kMaxNetInputs + 1][kHiddenLanes];
};

void transposeHidden(const double* rows, int inputs, int g, TransposedHidden& t) {
    double flat[kMaxNetInputs + 1][kMaxGLayer] = {};
    for (int j = 0; j < g; ++j)
        for (int i = 0; i <= inputs; ++i) flat[i][j] = rows[j * (inputs + 1) + i];
    std::memcpy(&t, flat, sizeof flat);
    static_assert(sizeof flat == sizeof t);
}

// Outputs 0..g-1 of the first hidden layer for the inputs x[1..inputs]. The
// sums stay in registers: eight pairs of lanes, one per two neurons.
inline void hiddenLayer(const TransposedHidden& t, const double* x, int inputs, int g,
                        double* out) {
    static_assert(kHiddenLanes == 8);
    Lanes2 a0 = t.row[0][0], a1 = t.row[0][1], a2 = t.row[0][2], a3 = t.row[0][3];
    Lanes2 a4 = t.row[0][4], a5 = t.row[0][5], a6 = t.row[0][6], a7 = t.row[0][7];
    for (int i = 1; i <= inputs; ++i) {
        const double xi = x[i];
        const Lanes2* w = t.row[i];
        a0 += w[0] * xi;
        a1 += w[1] * xi;
        a2 += w[2] * xi;
        a3 += w[3] * xi;
        a4 += w[4] * xi;
        a5 += w[5] * xi;
        a6 += w[6] * xi;
        a7 += w[7] * xi;
    }
    const Lanes2 sums[kHiddenLanes] = {a0, a1, a2, a3, a4, a5, a6, a7};
    const int lanes = (g + kLaneCount - 1) / kLaneCount;
    for (int q = 0; q < lanes; ++q) {
        const Lanes2 y = sigmoidOf(sums[q]);
        std::memcpy(out + q * kLaneCount, &y, sizeof y);
    }
}

// Outputs 0..units-1 of a layer above the first, from x[0..fanIn-1] and the
// layer's rows in the weight vector (bias first), summed as the forward
// passes sum them.
inline void upperLayer(const double* w, int fanIn, int units, const double* x, double* y) {
    for (int m = 0; m < units; ++m) {
        const double* row = w + m * (fanIn + 1);
        double a = row[0];
        for (int k = 0; k < fanIn; ++k) a += row[1 + k] * x[k];
        y[m] = a;
    }
    activateLanes(y, units);
}

// Sum over samples and outputs of the squared output errors, straight from
// the weight vector (entries 0..M-1 in weight order): of the NDA network with
// h second-layer neurons, or of the ANN network (kNda false, h unused).
template <bool kNda>
double squaredError(const double* w, int inputs, int g, int h, int outputs, const R62DataSet& data,
                    const TargetMatrix& targets, int samples) {
    TransposedHidden w1;
    transposeHidden(w, inputs, g, w1);
    const double* w2 = w + g * (inputs + 1);
    const double* wOut = kNda ? w2 + h * (g + 1) : w2;
    double sum = 0.0;
    alignas(16) double h1[kMaxGLayer] = {};
    alignas(16) double h2[kPaddedHLayer] = {};
    alignas(16) double y[kMaxNetOutputs] = {};
    for (int s = 1; s <= samples; ++s) {
        hiddenLayer(w1, sampleRow(data, s), inputs, g, h1);
        if constexpr (kNda) {
            upperLayer(w2, g, h, h1, h2);
            upperLayer(wOut, h, outputs, h2, y);
        } else {
            upperLayer(wOut, g, outputs, h1, y);
        }
        const double* t = targets.data()[s - 1].data();
        for (int m = 0; m < outputs; ++m) {
            const double d = y[m] - t[m + 1];
            sum += d * d;
        }
    }
    return sum;
}

// --- the per-sample passes -----------------------------------------------------
//
// Checked and one sample at a time. Row j of a weight matrix is neuron j:
// its bias in column 0, then one weight per unit below.

// out[1..units] of a layer from in[1..fanIn]: the bias starts each sum, the
// units below are added in ascending order.
template <class Weights, class Input, class Output>
void forwardLayer(const Weights& w, int units, const Input& in, int fanIn, Output& out) {
    for (int j = 1; j <= units; ++j) {
        double a = w[j][0];
        for (int i = 1; i <= fanIn; ++i) a += w[j][i] * in[i];
        out[j] = sigmoidOf(a);
    }
}

// slope[1..units] = y (1 - y) of the layer's outputs y.
template <class Vector>
void storeSlopes(const Vector& out, int units, Vector& slope) {
    for (int j = 1; j <= units; ++j) slope[j] = (1.0 - out[j]) * out[j];
}

// The NDA network's layers from x[1..NI] (NetInput or a row of the data).
template <class Input>
void ndaLayers(NeuralNetwork& net, const Input& x) {
    forwardLayer(net.NdaW1, net.GLayer, x, net.NetInputCount, net.Hidden1Out);
    forwardLayer(net.NdaW2, net.HLayer, net.Hidden1Out, net.GLayer, net.Hidden2Out);
    forwardLayer(net.NdaW3, net.NetOutputCount, net.Hidden2Out, net.HLayer, net.NetOutput);
}

// The ANN network's layers from x[1..NI].
template <class Input>
void annLayers(NeuralNetwork& net, const Input& x) {
    forwardLayer(net.AnnWHidden, net.GLayer, x, net.NetInputCount, net.Hidden1Out);
    forwardLayer(net.AnnWOut, net.NetOutputCount, net.Hidden1Out, net.GLayer, net.NetOutput);
}

// The output layer's error terms towards NetTarget[s]; `oneOutput` takes
// target column 1 for every output.
void outputDeltas(NeuralNetwork& net, int s, bool oneOutput) {
    const OutputVector& target = net.NetTarget[s];
    for (int m = 1; m <= net.NetOutputCount; ++m) {
        const double y = net.NetOutput[m];
        const double t = oneOutput ? target[1] : target[m];
        net.OutputDelta[m] = (1.0 - y) * y * (t - y);
    }
}

// Error terms of a hidden layer from those of the layer above it, whose rows
// `above` weigh this layer's units: delta[j] = (sum over m of
// upper[m] above[m][j]) slope[j], j = 1..units.
template <class Weights, class Upper, class Vector>
void hiddenDeltas(const Weights& above, const Upper& upper, int upperUnits, const Vector& slope,
                  int units, Vector& delta) {
    for (int j = 1; j <= units; ++j) {
        double sum = 0.0;
        for (int m = 1; m <= upperUnits; ++m) sum += upper[m] * above[m][j];
        delta[j] = sum * slope[j];
    }
}

// w[j][i] += eta delta[j] in[i] for neurons 1..units and columns 0..fanIn
// (column 0 meets the constant 1.0 of in[0]).
template <class Weights, class Delta, class Input>
void updateLayer(Weights& w, int units, const Delta& delta, const Input& in, int fanIn,
                 double eta) {
    for (int j = 1; j <= units; ++j)
        for (int i = 0; i <= fanIn; ++i) w[j][i] += eta * delta[j] * in[i];
}

// Rows 0..rows, columns 0..columns of a matrix drawn row by row.
template <class Weights>
void drawWeights(Weights& w, int rows, int columns, RandomSource& random) {
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= columns; ++c) w[r][c] = 0.1 * (random.uniform() - 0.5);
}

// The constant inputs that the updates multiply into the bias weights.
void setBiasUnits(NeuralNetwork& net) {
    net.NetInput[0] = 1.0;
    net.Hidden1Out[0] = 1.0;
    net.Hidden2Out[0] = 1.0;
}

std::string sweepLine(int sweep, double error) {
    return platform::cformat("%11d", sweep) + platform::formatExponent(std::sqrt(error), 11, 3);
}

}  // namespace

double Sigmoid(double x) {
    return sigmoidOf(x);
}

int ndaWeightCount(int inputs, int gLayer, int hLayer, int outputs) {
    return (inputs + 1) * gLayer + (gLayer + 1) * hLayer + (hLayer + 1) * outputs;
}

int annWeightCount(int inputs, int gLayer, int outputs) {
    return (inputs + 1) * gLayer + (gLayer + 1) * outputs;
}

// --- the network ----------------------------------------------------------------

void NeuralNetwork::reset() {
    // Member by member: a fresh NeuralNetwork would be 700 KB on the stack.
    NetInputCount = 0;
    GLayer = 1;
    HLayer = 2;
    NetOutputCount = 0;
    NetInput.fill(0.0);
    for (Hidden1Vector* v : {&Hidden1Out, &Hidden1Slope, &Hidden1Delta}) v->fill(0.0);
    for (Hidden2Vector* v : {&Hidden2Out, &Hidden2Slope, &Hidden2Delta}) v->fill(0.0);
    for (OutputVector* v : {&NetOutput, &OutputSlope, &OutputDelta}) v->fill(0.0);
    NdaW1.fill(InputVector{});
    NdaW2.fill(Hidden1Vector{});
    NdaW3.fill(Hidden2Vector{});
    AnnWHidden.fill(InputVector{});
    AnnWOut.fill(Hidden1Vector{});
    NetTarget.fill(OutputVector{});
}

int NeuralNetwork::WeightCount(NetworkKind kind) const {
    if (kind == NetworkKind::Nda) {
        checkNdaSizes(*this);
        return ndaWeightCount(NetInputCount, GLayer, HLayer, NetOutputCount);
    }
    checkAnnSizes(*this);
    return annWeightCount(NetInputCount, GLayer, NetOutputCount);
}

void NeuralNetwork::packWeights(NetworkKind kind, WeightVector& w) const {
    WeightCount(kind);  // checks the sizes
    int index = 1;
    forEachWeight(kind, [&](double weight) { w[index++] = weight; });
}

void NeuralNetwork::unpackWeights(NetworkKind kind, const WeightVector& w) {
    WeightCount(kind);
    int index = 1;
    forEachWeight(kind, [&](double& weight) { weight = w[index++]; });
}

void NeuralNetwork::initialiseNdaWeights(RandomSource& random) {
    checkNdaSizes(*this);
    random.reseed();
    NdaW1.fill(InputVector{});
    NdaW2.fill(Hidden1Vector{});
    NdaW3.fill(Hidden2Vector{});
    // Row 0 is drawn too: it keeps the sequence of draws of every run.
    drawWeights(NdaW3, NetOutputCount, HLayer, random);
    drawWeights(NdaW2, HLayer, GLayer, random);
    drawWeights(NdaW1, GLayer, NetInputCount, random);
    setBiasUnits(*this);
}

void NeuralNetwork::initialiseAnnWeights(RandomSource& random) {
    checkAnnSizes(*this);
    random.reseed();
    AnnWHidden.fill(InputVector{});
    AnnWOut.fill(Hidden1Vector{});
    drawWeights(AnnWOut, NetOutputCount, GLayer, random);
    drawWeights(AnnWHidden, GLayer, NetInputCount, random);
    setBiasUnits(*this);
}

void NeuralNetwork::loadInput(const R62DataSet& data, int s) {
    const SampleRow& row = data.FeatureData[s];
    for (int i = 1; i <= NetInputCount; ++i) NetInput[i] = row[i];
}

void NeuralNetwork::NdaForward() {
    ndaLayers(*this, NetInput);
    storeSlopes(Hidden1Out, GLayer, Hidden1Slope);
    storeSlopes(Hidden2Out, HLayer, Hidden2Slope);
    storeSlopes(NetOutput, NetOutputCount, OutputSlope);
}

void NeuralNetwork::AnnForward() {
    annLayers(*this, NetInput);
    storeSlopes(Hidden1Out, GLayer, Hidden1Slope);
    storeSlopes(NetOutput, NetOutputCount, OutputSlope);
}

void NeuralNetwork::NdaForwardSample(const R62DataSet& data, int s) {
    ndaLayers(*this, data.FeatureData[s]);
}

void NeuralNetwork::AnnForwardSample(const R62DataSet& data, int s) {
    annLayers(*this, data.FeatureData[s]);
}

void NeuralNetwork::NdaBackprop(int s, double eta) {
    const int ni = NetInputCount;
    const int g = GLayer;
    const int h = HLayer;
    const int no = NetOutputCount;
    outputDeltas(*this, s, false);
    hiddenDeltas(NdaW3, OutputDelta, no, Hidden2Slope, h, Hidden2Delta);
    hiddenDeltas(NdaW2, Hidden2Delta, h, Hidden1Slope, g, Hidden1Delta);
    updateLayer(NdaW1, g, Hidden1Delta, NetInput, ni, eta);
    updateLayer(NdaW2, h, Hidden2Delta, Hidden1Out, g, eta);
    updateLayer(NdaW3, no, OutputDelta, Hidden2Out, h, eta);
}

namespace {

// The ANN step; `oneOutput` takes target column 1 for every output.
void annBackprop(NeuralNetwork& net, int s, double eta, bool oneOutput) {
    const int ni = net.NetInputCount;
    const int g = net.GLayer;
    const int no = net.NetOutputCount;
    outputDeltas(net, s, oneOutput);
    hiddenDeltas(net.AnnWOut, net.OutputDelta, no, net.Hidden1Slope, g, net.Hidden1Delta);
    updateLayer(net.AnnWHidden, g, net.Hidden1Delta, net.NetInput, ni, eta);
    updateLayer(net.AnnWOut, no, net.OutputDelta, net.Hidden1Out, g, eta);
}

}  // namespace

void NeuralNetwork::AnnBackprop(int s, double eta) {
    annBackprop(*this, s, eta, false);
}

void NeuralNetwork::AnnOneBackprop(int s, double eta) {
    annBackprop(*this, s, eta, true);
}

int NeuralNetwork::PickRandomSample(const R62DataSet& data, RandomSource& random) {
    const int n = data.SampleCount;
    checkRange(n, 1, kMaxSamples);
    random.reseed();
    const int s = 1 + static_cast<int>(random.below(static_cast<uint32_t>(n)));
    const SampleRow& row = data.FeatureData[s];
    for (int i = 1; i <= data.SelectedCount; ++i) NetInput[i] = row[i];
    return s;
}

void resetR62Network() {
    r62Network().reset();
}

// --- back-propagation --------------------------------------------------------------

std::vector<std::string> trainingLogHeader(int outputs) {
    if (outputs == 1) return {"iter   rms |-sample------|", "/1e3 error | # error dy1 |"};
    const std::string first = "iter   rms |-sample------------------------|";
    switch (outputs) {
        case 2:
            return {first, "/1e3 error | # error dy1 dy2               |"};
        case 3:
            return {first, "/1e3 error | # error dy1 dy2 dy3           |"};
        case 4:
            return {first, "/1e3 error | # error dy1 dy2 dy3 dy4       |"};
        case 5:
            return {first, "/1e3 error | # error dy1 dy2 dy3 dy4 dy5   |"};
        case 6:
            return {first, "/1e3 error | # error dy1 dy2 dy3 dy4 dy5 dy6"};
        default:
            return {first};
    }
}

void BackpropTraining(NeuralNetwork& net, const R62DataSet& data, TrainingKind kind, double eta,
                      int32_t bpIterLimit, std::vector<std::string>& lines, RandomSource& random,
                      const NetworkProgress& progress) {
    const int n = data.SampleCount;
    checkRange(n, 1, kMaxSamples);
    const int no = net.NetOutputCount;
    if (kind == TrainingKind::Nda)
        checkNdaSizes(net);
    else
        checkAnnSizes(net);
    const bool logged = (no >= 2 && no <= 6) || (kind == TrainingKind::AnnOneOutput && no == 1);

    // One step: its squared error is taken from the forward pass, before the
    // update.
    auto step = [&](int& s) {
        s = net.PickRandomSample(data, random);
        if (kind == TrainingKind::Nda)
            net.NdaForward();
        else
            net.AnnForward();
        const OutputVector& target = net.NetTarget[s];
        double e = 0.0;
        for (int m = 1; m <= no; ++m) {
            const double d = net.NetOutput[m] - target[m];
            e += d * d;
        }
        switch (kind) {
            case TrainingKind::Nda:
                net.NdaBackprop(s, eta);
                break;
            case TrainingKind::Ann:
                net.AnnBackprop(s, eta);
                break;
            case TrainingKind::AnnOneOutput:
                net.AnnOneBackprop(s, eta);
                break;
        }
        return e;
    };

    // The errors of the last N steps, as a ring: `oldest` is where the next
    // error goes, so the window reads oldest first from there.
    CheckedArray<double, 0, kMaxSamples - 1> window{};
    int oldest = 0;
    if (progress) progress(0, bpIterLimit);
    int s = 0;
    for (int it = 1; it <= n; ++it) window[it - 1] = step(s) / no;
    for (int it = n + 1; it <= bpIterLimit; ++it) {
        const double e = step(s);
        window[oldest] = e / no;
        oldest = oldest + 1 == n ? 0 : oldest + 1;
        if (logged && (it == n + 1 || it % 50000 == 0)) {
            double sum = 0.0;
            for (int i = 0; i < n; ++i) {
                const int at = oldest + i < n ? oldest + i : oldest + i - n;
                sum += window[at];
            }
            std::string line = platform::cformat("%4d%6.3f%4d%6.3f", it / 1000, std::sqrt(sum / n),
                                                 s, std::sqrt(e / no));
            for (int m = 1; m <= no; ++m)
                line += platform::cformat("%4.1f", net.NetTarget[s][m] - net.NetOutput[m]);
            lines.push_back(std::move(line));
        }
        if (progress && it % 1000 == 0) progress(it, bpIterLimit);
    }
    if (progress) progress(0, 0);
}

// --- the error and its minimisation ---------------------------------------------

double NetworkError(NeuralNetwork& net, const R62DataSet& data, NetworkKind kind,
                    const WeightVector& w) {
    net.unpackWeights(kind, w);  // checks the sizes
    const int n = data.SampleCount;
    checkRange(n, 1, kMaxSamples);
    const int no = net.NetOutputCount;
    const double sum = kind == NetworkKind::Nda
                           ? squaredError<true>(w.data(), net.NetInputCount, net.GLayer, net.HLayer,
                                                no, data, net.NetTarget, n)
                           : squaredError<false>(w.data(), net.NetInputCount, net.GLayer, 0, no,
                                                 data, net.NetTarget, n);
    return sum / n / no;
}

double ParabolaVertex(double a, double b, double c, double fa, double fb, double fc) {
    const double numerator = fa * (b * b - c * c) + fb * (c * c - a * a) + fc * (a * a - b * b);
    const double denominator = fa * (b - c) + fb * (c - a) + fc * (a - b);
    return 0.5 * numerator / denominator;
}

void DirectionSet::resetIdentity(int n) {
    checkRange(n, 1, kMaxWeightCount);
    n_ = n;
    const size_t entries = static_cast<size_t>(n) * static_cast<size_t>(n);
    d_.assign(entries, 0.0);
    work_.resize(entries);
    q_.resize(static_cast<size_t>(n));
    for (int d = 0; d < n; ++d) d_[static_cast<size_t>(d) * n + d] = 1.0;
}

double DirectionSet::at(int k, int d) const {
    checkRange(k, 1, n_);
    return direction(d)[k - 1];
}

const double* DirectionSet::direction(int d) const {
    checkRange(d, 1, n_);
    return d_.data() + static_cast<size_t>(d - 1) * n_;
}

double* DirectionSet::direction(int d) {
    checkRange(d, 1, n_);
    return d_.data() + static_cast<size_t>(d - 1) * n_;
}

void RotateDirections(DirectionSet& D, const WeightVector& lambda, int n) {
    checkRange(n, 1, D.n_);
    const size_t stride = static_cast<size_t>(D.n_);
    double* d = D.d_.data();
    double* a = D.work_.data();
    double* q = D.q_.data();
    auto column = [stride](double* m, int j) { return m + static_cast<size_t>(j - 1) * stride; };

    // A[.][j] = sum over i >= j of lambda[i] D[.][i]; Q[j] = sum of lambda[i]^2.
    {
        const double* dn = column(d, n);
        double* an = column(a, n);
        for (int k = 0; k < n; ++k) an[k] = lambda[n] * dn[k];
        q[n - 1] = lambda[n] * lambda[n];
    }
    for (int j = n - 1; j >= 1; --j) {
        q[j - 1] = lambda[j] * lambda[j] + q[j];
        const double* dj = column(d, j);
        const double* next = column(a, j + 1);
        double* aj = column(a, j);
        for (int k = 0; k < n; ++k) aj[k] = lambda[j] * dj[k] + next[k];
    }
    // Without any move there is no new first direction to turn towards.
    if (!(q[0] > 0.0)) return;
    for (int j = n; j >= 2; --j) {
        const double r = std::sqrt(q[j - 2] * q[j - 1]);
        if (r == 0.0) continue;
        double* dj = column(d, j);
        const double* previous = column(d, j - 1);  // still the old direction
        const double* aj = column(a, j);
        for (int k = 0; k < n; ++k) dj[k] = (lambda[j - 1] * aj[k] - previous[k] * q[j - 1]) / r;
    }
    const double length = std::sqrt(q[0]);
    const double* a1 = column(a, 1);
    double* d1 = column(d, 1);
    for (int k = 0; k < n; ++k) d1[k] = a1[k] / length;
}

double minimizeRotatingDirections(WeightVector& x0, int n, const ErrorFunction& f, int limit,
                                  double tolerance, DirectionSet& directions,
                                  std::vector<std::string>& lines,
                                  const NetworkProgress& progress) {
    checkRange(n, 1, kMaxWeightCount);
    checkRange(limit, 1, std::numeric_limits<int16_t>::max());
    const double h = tolerance;
    directions.resetIdentity(n);
    // Kept off the stack: two more 707-entry vectors.
    auto trial = std::make_unique<WeightVector>();
    auto lambda = std::make_unique<WeightVector>();
    double* x = x0.data();
    double* p = trial->data();

    double F = f(x0);
    lines.push_back(sweepLine(0, F));
    if (progress) progress(0, limit);

    const double* dir = nullptr;
    // P(t) = x0 + t D[.][d]; the accepted point is computed the same way, so
    // that F is exactly the error there.
    auto at = [&](double t) {
        for (int k = 0; k < n; ++k) p[k] = x[k] + t * dir[k];
        return f(*trial);
    };
    auto accept = [&](int d, double t, double ft) {
        (*lambda)[d] = t;
        F = ft;
        for (int k = 0; k < n; ++k) x[k] = x[k] + t * dir[k];
    };

    int iter = 0;
    for (;;) {
        ++iter;
        if (progress) progress(iter, limit);
        double S = 0.0;
        for (int d = 1; d <= n; ++d) {
            if (progress && d % 16 == 0) progress(iter, limit);
            dir = directions.direction(d);
            (*lambda)[d] = 0.0;
            double a = 0.0;
            double fa = F;
            double s = 4.0 * h;
            // Probes at 4h, then -4h/3: the first that lowers F opens the
            // bracket; when none does the direction is skipped.
            double fs = at(s);
            while (!(fs < F)) {
                s = -s / 3.0;
                if (!(std::fabs(s) >= h)) break;
                fs = at(s);
            }
            if (!(fs < F)) continue;
            double b = s;
            double fb = fs;
            double c = s;
            double fc = fs;
            // Expansion: steps 3s, 7s, 15s, ... as long as each lowers the
            // error (compared with the best before it, not with itself once
            // taken). An error that is no longer a number (weights beyond what
            // the arithmetic holds) ends it at the last good point.
            bool finiteEnd = true;
            for (;;) {
                s = 2.0 * s;
                c = c + s;
                fc = at(c);
                if (!std::isfinite(fc)) {
                    finiteEnd = false;
                    break;
                }
                if (!(fc < fb)) break;
                a = b;
                fa = fb;
                b = c;
                fb = fc;
            }
            if (!finiteEnd || fc == fb) {
                accept(d, b, fb);
                S += std::fabs(b);
                continue;
            }
            if (a >= c) {
                std::swap(a, c);
                std::swap(fa, fc);
            }
            // fb lies strictly below fa and fc here, so the parabola has a
            // vertex; a rounded-away denominator still gives no number, which
            // ends the interpolation at b.
            double v = ParabolaVertex(a, b, c, fa, fb, fc);
            double fv = std::isfinite(v) ? at(v) : std::numeric_limits<double>::quiet_NaN();
            while (fv < 0.999 * fb) {
                if (v < b) {
                    c = b;
                    fc = fb;
                } else {
                    a = b;
                    fa = fb;
                }
                b = v;
                fb = fv;
                v = ParabolaVertex(a, b, c, fa, fb, fc);
                fv = std::isfinite(v) ? at(v) : std::numeric_limits<double>::quiet_NaN();
            }
            if (fv < fb)
                accept(d, v, fv);
            else
                accept(d, b, fb);
            S += std::fabs((*lambda)[d]);
        }
        if (iter % 10 == 0) lines.push_back(sweepLine(iter, F));
        if (F > 1e-6 && S > h) RotateDirections(directions, *lambda, n);
        if (iter == limit || F <= 1e-6 || !(S > h)) break;
    }
    if (iter != limit) lines.push_back(sweepLine(iter, F));
    if (progress) progress(0, 0);
    return F;
}

void OptimizeWeights(NeuralNetwork& net, const R62DataSet& data, int16_t limit, NetworkKind kind,
                     double tolerance, std::vector<std::string>& lines,
                     const NetworkProgress& progress) {
    const int m = net.WeightCount(kind);
    auto x0 = std::make_unique<WeightVector>();
    net.packWeights(kind, *x0);
    lines.emplace_back("> ANN weight numerical optimization");
    lines.push_back(
        platform::cformat("  (optyIterLimit = %d; WeightCount = %d)", static_cast<int>(limit), m));
    lines.emplace_back("  IterCount  rms error");
    const ErrorFunction error = [&](const WeightVector& w) {
        return NetworkError(net, data, kind, w);
    };
    minimizeRotatingDirections(*x0, m, error, limit, tolerance, r62Directions(), lines, progress);
    net.unpackWeights(kind, *x0);
}

std::string neuronWeightLine(const double* row, int count) {
    std::string line;
    line.reserve(static_cast<size_t>(count) * 14);
    for (int i = 0; i < count; ++i) line += platform::formatExponent(row[i], 14, 6);
    return line;
}
