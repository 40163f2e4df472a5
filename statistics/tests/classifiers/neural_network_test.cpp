#include "statistics/core/classifiers/neural_network.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/textformat.h"

namespace {

#include "statistics/tests/reference/network_reference.inc"

// Seeds 1000, 1001, ...: each reseed gets the next one, as the clock would
// give a new count.
RandomSource countingSource(uint32_t first = 1000) {
    auto next = std::make_shared<uint32_t>(first);
    return RandomSource([next] { return (*next)++; });
}

// The network and data set of the reference: every sample's inputs in
// FeatureData, one-hot targets.
struct Reference {
    std::unique_ptr<R62DataSet> data = std::make_unique<R62DataSet>();
    std::unique_ptr<NeuralNetwork> net = std::make_unique<NeuralNetwork>();

    Reference() {
        data->SampleCount = netref::kSamples;
        data->SelectedCount = netref::kInputs;
        data->CategoryCount = netref::kOutputs;
        for (int s = 1; s <= netref::kSamples; ++s) {
            data->Category[s] = static_cast<int16_t>(netref::kCategory[s - 1]);
            for (int i = 1; i <= netref::kInputs; ++i)
                data->FeatureData[s][i] = netref::kInput[s - 1][i - 1];
            net->NetTarget[s][netref::kCategory[s - 1]] = 1.0;
        }
        net->NetInputCount = netref::kInputs;
        net->GLayer = netref::kGLayer;
        net->HLayer = netref::kHLayer;
        net->NetOutputCount = netref::kOutputs;
        for (int j = 1; j <= netref::kGLayer; ++j)
            for (int i = 0; i <= netref::kInputs; ++i) {
                net->NdaW1[j][i] = netref::kNdaW1[j - 1][i];
                net->AnnWHidden[j][i] = netref::kAnnWHidden[j - 1][i];
            }
        for (int k = 1; k <= netref::kHLayer; ++k)
            for (int j = 0; j <= netref::kGLayer; ++j) net->NdaW2[k][j] = netref::kNdaW2[k - 1][j];
        for (int m = 1; m <= netref::kOutputs; ++m) {
            for (int k = 0; k <= netref::kHLayer; ++k) net->NdaW3[m][k] = netref::kNdaW3[m - 1][k];
            for (int j = 0; j <= netref::kGLayer; ++j)
                net->AnnWOut[m][j] = netref::kAnnWOut[m - 1][j];
        }
        net->NetInput[0] = net->Hidden1Out[0] = net->Hidden2Out[0] = 1.0;
    }

    void loadInput(int s) {
        for (int i = 1; i <= netref::kInputs; ++i) net->NetInput[i] = netref::kInput[s - 1][i - 1];
    }
};

void expectNear(double actual, double expected) {
    EXPECT_NEAR(actual, expected, 1e-13 * std::max(1.0, std::fabs(expected)));
}

TEST(Sigmoid, ClampsItsArgumentAtFifty) {
    EXPECT_EQ(Sigmoid(50.0), 1.0 / (1.0 + std::exp(-50.0)));
    EXPECT_EQ(Sigmoid(1000.0), Sigmoid(50.0));
    EXPECT_EQ(Sigmoid(std::numeric_limits<double>::infinity()), Sigmoid(50.0));
    EXPECT_EQ(Sigmoid(-50.0), 1.0 / (1.0 + std::exp(50.0)));
    EXPECT_EQ(Sigmoid(-1000.0), Sigmoid(-50.0));
    EXPECT_GT(Sigmoid(-1000.0), 0.0);
    EXPECT_EQ(Sigmoid(0.0), 0.5);
    EXPECT_NEAR(Sigmoid(49.0), 1.0 / (1.0 + std::exp(-49.0)), 1e-16);
    EXPECT_TRUE(std::isnan(Sigmoid(std::nan(""))));
}

TEST(Sigmoid, IsAccurateToTheLastBitsAcrossTheClampedRange) {
    double worst = 0.0;
    for (double x = -50.0; x <= 50.0; x += 0.0123) {
        const double exact = 1.0 / (1.0 + std::exp(-x));
        worst = std::max(worst, std::fabs(Sigmoid(x) - exact) / exact);
    }
    EXPECT_LT(worst, 1e-15);
}

TEST(WeightVector, CountsOfTheLargestNetworks) {
    EXPECT_EQ(ndaWeightCount(30, 16, 3, 40), 707);
    EXPECT_EQ(ndaWeightCount(30, 16, 3, 40), kMaxWeightCount);
    EXPECT_EQ(annWeightCount(30, 16, 6), 598);
    EXPECT_EQ(annWeightCount(2, 1, 1), 5);

    auto net = std::make_unique<NeuralNetwork>();
    net->NetInputCount = 30;
    net->GLayer = 16;
    net->HLayer = 3;
    net->NetOutputCount = 40;
    EXPECT_EQ(net->WeightCount(NetworkKind::Nda), 707);
    net->NetOutputCount = 6;
    EXPECT_EQ(net->WeightCount(NetworkKind::Ann), 598);
    net->GLayer = 17;  // one neuron more than the arrays hold
    EXPECT_THROW(net->WeightCount(NetworkKind::Ann), RangeCheckError);
    net->GLayer = 16;
    net->NetInputCount = 0;
    EXPECT_THROW(net->WeightCount(NetworkKind::Nda), RangeCheckError);
}

TEST(WeightVector, OrderIsRowByRowFromTheInputSide) {
    Reference ref;
    NeuralNetwork& net = *ref.net;
    auto w = std::make_unique<WeightVector>();
    net.packWeights(NetworkKind::Nda, *w);
    const int ni = netref::kInputs, g = netref::kGLayer, h = netref::kHLayer;
    EXPECT_EQ((*w)[1], net.NdaW1[1][0]);
    EXPECT_EQ((*w)[ni + 1], net.NdaW1[1][ni]);
    EXPECT_EQ((*w)[ni + 2], net.NdaW1[2][0]);
    EXPECT_EQ((*w)[(ni + 1) * g + 1], net.NdaW2[1][0]);
    EXPECT_EQ((*w)[(ni + 1) * g + (g + 1) * h + 1], net.NdaW3[1][0]);
    EXPECT_EQ((*w)[net.WeightCount(NetworkKind::Nda)], net.NdaW3[netref::kOutputs][h]);

    net.packWeights(NetworkKind::Ann, *w);
    EXPECT_EQ((*w)[(ni + 1) * g], net.AnnWHidden[g][ni]);
    EXPECT_EQ((*w)[(ni + 1) * g + 1], net.AnnWOut[1][0]);

    // Unpacking writes exactly those entries back.
    for (int i = 1; i <= net.WeightCount(NetworkKind::Ann); ++i) (*w)[i] = i;
    net.unpackWeights(NetworkKind::Ann, *w);
    EXPECT_EQ(net.AnnWHidden[2][0], ni + 2);
    EXPECT_EQ(net.AnnWOut[netref::kOutputs][g], net.WeightCount(NetworkKind::Ann));
    EXPECT_EQ(net.NdaW1[1][0], netref::kNdaW1[0][0]);  // the other network is untouched
}

TEST(ForwardPass, MatchesAnIndependentComputation) {
    Reference ref;
    NeuralNetwork& net = *ref.net;
    for (int s = 1; s <= netref::kSamples; ++s) {
        ref.loadInput(s);
        net.NdaForward();
        for (int j = 1; j <= netref::kGLayer; ++j) {
            expectNear(net.Hidden1Out[j], netref::kNdaHidden1[s - 1][j - 1]);
            const double y = net.Hidden1Out[j];
            EXPECT_EQ(net.Hidden1Slope[j], (1.0 - y) * y);
        }
        for (int k = 1; k <= netref::kHLayer; ++k)
            expectNear(net.Hidden2Out[k], netref::kNdaHidden2[s - 1][k - 1]);
        for (int m = 1; m <= netref::kOutputs; ++m)
            expectNear(net.NetOutput[m], netref::kNdaOutput[s - 1][m - 1]);

        // Reading the sample's row straight from the data gives the same outputs.
        const double y1 = net.NetOutput[1];
        net.NdaForwardSample(*ref.data, s);
        EXPECT_EQ(net.NetOutput[1], y1);

        net.AnnForward();
        for (int j = 1; j <= netref::kGLayer; ++j)
            expectNear(net.Hidden1Out[j], netref::kAnnHidden[s - 1][j - 1]);
        for (int m = 1; m <= netref::kOutputs; ++m)
            expectNear(net.NetOutput[m], netref::kAnnOutput[s - 1][m - 1]);
    }
}

TEST(ForwardPass, BiasInputElementIsNeverRead) {
    Reference ref;
    NeuralNetwork& net = *ref.net;
    for (int i = 1; i <= netref::kInputs; ++i) net.NetInput[i] = 0.0;
    net.NetInput[0] = 123.0;
    net.Hidden1Out[0] = -7.0;
    net.NdaForward();
    for (int j = 1; j <= netref::kGLayer; ++j)
        EXPECT_EQ(net.Hidden1Out[j], Sigmoid(netref::kNdaW1[j - 1][0]));
    EXPECT_EQ(net.NetInput[0], 123.0);
    EXPECT_EQ(net.Hidden1Out[0], -7.0);
}

TEST(Backprop, OneStepMatchesAnIndependentComputation) {
    Reference ref;
    NeuralNetwork& net = *ref.net;
    const int s = netref::kStepSample;
    ref.loadInput(s);
    net.NdaForward();
    net.NdaBackprop(s, netref::kEta);
    for (int j = 1; j <= netref::kGLayer; ++j)
        for (int i = 0; i <= netref::kInputs; ++i)
            expectNear(net.NdaW1[j][i], netref::kNdaW1AfterStep[j - 1][i]);
    for (int k = 1; k <= netref::kHLayer; ++k)
        for (int j = 0; j <= netref::kGLayer; ++j)
            expectNear(net.NdaW2[k][j], netref::kNdaW2AfterStep[k - 1][j]);
    for (int m = 1; m <= netref::kOutputs; ++m)
        for (int k = 0; k <= netref::kHLayer; ++k)
            expectNear(net.NdaW3[m][k], netref::kNdaW3AfterStep[m - 1][k]);

    net.AnnForward();
    net.AnnBackprop(s, netref::kEta);
    for (int j = 1; j <= netref::kGLayer; ++j)
        for (int i = 0; i <= netref::kInputs; ++i)
            expectNear(net.AnnWHidden[j][i], netref::kAnnWHiddenAfterStep[j - 1][i]);
    for (int m = 1; m <= netref::kOutputs; ++m)
        for (int j = 0; j <= netref::kGLayer; ++j)
            expectNear(net.AnnWOut[m][j], netref::kAnnWOutAfterStep[m - 1][j]);
}

TEST(Backprop, OneOutputStepTrainsTowardsTargetColumnOne) {
    Reference ref;
    NeuralNetwork& net = *ref.net;
    net.NetOutputCount = 1;
    // Sample 1 is of category 1: target 1, so the output must rise.
    ref.loadInput(1);
    net.AnnForward();
    const double before = net.NetOutput[1];
    for (int i = 0; i < 20; ++i) {
        net.AnnForward();
        net.AnnOneBackprop(1, 0.5);
    }
    net.AnnForward();
    EXPECT_GT(net.NetOutput[1], before);
}

TEST(NetworkError, IsTheMeanSquaredErrorOverSamplesAndOutputs) {
    Reference ref;
    NeuralNetwork& net = *ref.net;
    auto w = std::make_unique<WeightVector>();
    net.packWeights(NetworkKind::Nda, *w);
    const double nda = NetworkError(net, *ref.data, NetworkKind::Nda, *w);
    expectNear(nda, netref::kNdaError);
    // The same to the bit as the checked forward pass, sample by sample.
    double sum = 0.0;
    for (int s = 1; s <= netref::kSamples; ++s) {
        net.NdaForwardSample(*ref.data, s);
        for (int m = 1; m <= netref::kOutputs; ++m) {
            const double d = net.NetOutput[m] - net.NetTarget[s][m];
            sum += d * d;
        }
    }
    EXPECT_EQ(nda, sum / netref::kSamples / netref::kOutputs);

    net.packWeights(NetworkKind::Ann, *w);
    expectNear(NetworkError(net, *ref.data, NetworkKind::Ann, *w), netref::kAnnError);

    // Layer sizes that do not fill whole lanes give the same errors to the bit.
    net.GLayer = 3;
    net.HLayer = 3;
    for (const NetworkKind kind : {NetworkKind::Nda, NetworkKind::Ann}) {
        for (int i = 1; i <= net.WeightCount(kind); ++i) (*w)[i] = std::sin(1.3 * i) * 2.5;
        const double error = NetworkError(net, *ref.data, kind, *w);
        double total = 0.0;
        for (int s = 1; s <= netref::kSamples; ++s) {
            if (kind == NetworkKind::Nda)
                net.NdaForwardSample(*ref.data, s);
            else
                net.AnnForwardSample(*ref.data, s);
            for (int m = 1; m <= netref::kOutputs; ++m) {
                const double d = net.NetOutput[m] - net.NetTarget[s][m];
                total += d * d;
            }
        }
        EXPECT_EQ(error, total / netref::kSamples / netref::kOutputs);
    }
    net.GLayer = netref::kGLayer;
    net.HLayer = netref::kHLayer;
    net.packWeights(NetworkKind::Ann, *w);

    // It loads the trial vector into the matrices.
    (*w)[1] = 0.25;
    NetworkError(net, *ref.data, NetworkKind::Ann, *w);
    EXPECT_EQ(net.AnnWHidden[1][0], 0.25);
}

TEST(WeightInitialisation, DrawsFromTheOutputSideWithOneReseed) {
    Reference ref;
    NeuralNetwork& net = *ref.net;
    RandomSource random = countingSource(77);
    net.initialiseNdaWeights(random);
    // The generator, computed here: seed 77, then seed * 134775813 + 1.
    uint32_t seed = 77;
    auto draw = [&seed] {
        seed = seed * 134775813u + 1u;
        return 0.1 * (seed / 4294967296.0 - 0.5);
    };
    const int ni = netref::kInputs, g = netref::kGLayer, h = netref::kHLayer, no = netref::kOutputs;
    EXPECT_EQ(net.NdaW3[0][0], draw());  // row 0 is drawn too
    for (int n = 1; n < (no + 1) * (h + 1); ++n) draw();
    EXPECT_EQ(net.NdaW2[0][0], draw());
    for (int n = 1; n < (h + 1) * (g + 1) + (g + 1) * (ni + 1) - 1; ++n) draw();
    EXPECT_EQ(net.NdaW1[g][ni], draw());
    EXPECT_EQ(net.NdaW1[g + 1][0], 0.0);  // beyond the layer: zeroed
    EXPECT_EQ(net.NdaW3[no][h + 1], 0.0);
    for (int m = 0; m <= no; ++m)
        for (int k = 0; k <= h; ++k) {
            EXPECT_GE(net.NdaW3[m][k], -0.05);
            EXPECT_LT(net.NdaW3[m][k], 0.05);
        }
    EXPECT_EQ(net.NetInput[0], 1.0);
    EXPECT_EQ(net.Hidden2Out[0], 1.0);
    EXPECT_EQ(random.seed(), seed);  // one reseed, then only draws

    net.initialiseAnnWeights(random);
    seed = 78;
    EXPECT_EQ(net.AnnWOut[0][0], draw());
}

TEST(PickRandomSample, ReseedsBeforeEveryDraw) {
    Reference ref;
    NeuralNetwork& net = *ref.net;
    RandomSource fixed([] { return 5u; });
    const uint32_t next = 5u * 134775813u + 1u;
    const int expected = 1 + static_cast<int>((static_cast<uint64_t>(next) * 6u) >> 32);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(net.PickRandomSample(*ref.data, fixed), expected);
    for (int f = 1; f <= netref::kInputs; ++f)
        EXPECT_EQ(net.NetInput[f], netref::kInput[expected - 1][f - 1]);
}

// N samples of two well separated classes for the training loop.
std::unique_ptr<R62DataSet> twoClasses(NeuralNetwork& net, int n, int outputs) {
    auto data = std::make_unique<R62DataSet>();
    data->SampleCount = static_cast<int16_t>(n);
    data->SelectedCount = 2;
    data->CategoryCount = static_cast<int16_t>(outputs);
    net.NetTarget.fill(OutputVector{});
    for (int s = 1; s <= n; ++s) {
        const int c = 1 + (s - 1) % outputs;
        data->Category[s] = static_cast<int16_t>(c);
        data->FeatureData[s][1] = c + 0.01 * (s % 7);
        data->FeatureData[s][2] = -c + 0.02 * (s % 5);
        net.NetTarget[s][c] = 1.0;
    }
    net.NetInputCount = 2;
    net.GLayer = 2;
    net.HLayer = 2;
    net.NetOutputCount = static_cast<int16_t>(outputs);
    return data;
}

TEST(BackpropTraining, LogsAtStepNPlusOneAndEveryFiftyThousand) {
    auto net = std::make_unique<NeuralNetwork>();
    auto data = twoClasses(*net, 2000, 2);
    RandomSource random = countingSource();
    net->initialiseNdaWeights(random);
    std::vector<std::string> lines;
    std::vector<int> positions;
    BackpropTraining(*net, *data, TrainingKind::Nda, 0.15, 150000, lines, random,
                     [&](int position, int maximum) {
                         if (maximum != 0) {
                             EXPECT_EQ(maximum, 150000);
                         }
                         positions.push_back(position);
                     });
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 4), "   2");
    EXPECT_EQ(lines[1].substr(0, 4), "  50");
    EXPECT_EQ(lines[2].substr(0, 4), " 100");
    EXPECT_EQ(lines[3].substr(0, 4), " 150");
    for (const std::string& line : lines) EXPECT_EQ(line.size(), 4u + 6 + 4 + 6 + 2 * 4) << line;
    // The classes are easy: after training the running error is small.
    EXPECT_LT(std::stod(lines[3].substr(4, 6)), 0.1);
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.front(), 0);
    EXPECT_EQ(positions[positions.size() - 2], 150000);
    EXPECT_EQ(positions.back(), 0);  // hidden
}

TEST(BackpropTraining, LogLinesOnlyForTwoToSixOutputsOrTheOneOutputClassifier) {
    auto net = std::make_unique<NeuralNetwork>();
    std::vector<std::string> lines;
    RandomSource random = countingSource();

    auto data = twoClasses(*net, 50, 7);
    net->initialiseNdaWeights(random);
    BackpropTraining(*net, *data, TrainingKind::Nda, 0.15, 50000, lines, random);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(trainingLogHeader(7),
              std::vector<std::string>{"iter   rms |-sample------------------------|"});

    data = twoClasses(*net, 50, 1);
    net->initialiseAnnWeights(random);
    BackpropTraining(*net, *data, TrainingKind::Ann, 0.15, 50000, lines, random);
    EXPECT_TRUE(lines.empty());
    BackpropTraining(*net, *data, TrainingKind::AnnOneOutput, 0.15, 50000, lines, random);
    ASSERT_EQ(lines.size(), 2u);  // steps 51 and 50000
    EXPECT_EQ(lines[0].size(), 4u + 6 + 4 + 6 + 4);
    EXPECT_EQ(trainingLogHeader(1)[1], "/1e3 error | # error dy1 |");
    EXPECT_EQ(trainingLogHeader(6)[1], "/1e3 error | # error dy1 dy2 dy3 dy4 dy5 dy6");

    data->SampleCount = 0;
    EXPECT_THROW(BackpropTraining(*net, *data, TrainingKind::Ann, 0.15, 50000, lines, random),
                 RangeCheckError);
}

TEST(ParabolaVertex, FindsTheVertexOfThreePoints) {
    auto f = [](double x) { return (x - 2.0) * (x - 2.0) + 1.0; };
    EXPECT_DOUBLE_EQ(ParabolaVertex(0.0, 1.0, 3.0, f(0.0), f(1.0), f(3.0)), 2.0);
    auto g = [](double x) { return 3.0 * (x + 0.5) * (x + 0.5) - 4.0; };
    EXPECT_DOUBLE_EQ(ParabolaVertex(-2.0, 0.25, 1.0, g(-2.0), g(0.25), g(1.0)), -0.5);
}

// Max |D^T D - I| over the n directions.
double orthonormalityError(const DirectionSet& D, int n) {
    double worst = 0.0;
    for (int a = 1; a <= n; ++a)
        for (int b = 1; b <= n; ++b) {
            double dot = 0.0;
            for (int k = 1; k <= n; ++k) dot += D.at(k, a) * D.at(k, b);
            worst = std::max(worst, std::fabs(dot - (a == b ? 1.0 : 0.0)));
        }
    return worst;
}

TEST(RotateDirections, KeepsTheDirectionsOrthonormal) {
    const int n = 9;
    DirectionSet D;
    D.resetIdentity(n);
    auto lambda = std::make_unique<WeightVector>();
    // Steps with zeros in the middle and at the end, as skipped directions give.
    const double steps[3][n] = {{0.3, -1.2, 0.0, 2.5, 0.01, -0.4, 0.0, 0.0, 0.0},
                                {1e-4, 0.0, 3.0, -0.2, 0.7, 0.0, 0.05, -2.0, 0.9},
                                {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.5}};
    for (const auto& row : steps) {
        // The total move of the sweep, before the turn.
        std::vector<double> move(n, 0.0);
        for (int d = 1; d <= n; ++d) {
            (*lambda)[d] = row[d - 1];
            for (int k = 1; k <= n; ++k) move[k - 1] += row[d - 1] * D.at(k, d);
        }
        RotateDirections(D, *lambda, n);
        EXPECT_LT(orthonormalityError(D, n), 1e-12);
        // The first direction points along that move.
        double length = 0.0;
        for (double v : move) length += v * v;
        length = std::sqrt(length);
        for (int k = 1; k <= n; ++k) EXPECT_NEAR(D.at(k, 1), move[k - 1] / length, 1e-12);
    }
    // Without any move the directions stay.
    const double before = D.at(3, 2);
    for (int d = 1; d <= n; ++d) (*lambda)[d] = 0.0;
    RotateDirections(D, *lambda, n);
    EXPECT_EQ(D.at(3, 2), before);
}

// f(x) = sum c_k (x_k - k)^2 plus a coupling term, minimum `floor` at x_k = k.
ErrorFunction quadratic(int n, double floor) {
    return [n, floor](const WeightVector& x) {
        double sum = floor;
        for (int k = 1; k <= n; ++k) sum += k * (x[k] - k) * (x[k] - k);
        sum += 0.5 * (x[1] - 1.0) * (x[2] - 2.0);
        return sum;
    };
}

TEST(Minimization, ReachesTheMinimumOfAQuadratic) {
    const int n = 6;
    DirectionSet D;
    auto x = std::make_unique<WeightVector>();
    std::vector<std::string> lines;
    const double f = minimizeRotatingDirections(*x, n, quadratic(n, 0.5), 200, 1e-5, D, lines);
    for (int k = 1; k <= n; ++k) EXPECT_NEAR((*x)[k], k, 1e-3);
    EXPECT_NEAR(f, 0.5, 1e-6);
    EXPECT_EQ(f, quadratic(n, 0.5)(*x));  // the returned error is that of the point
    // Stopped by a sweep that hardly moved, before the limit: a last line.
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "          0" + platform::formatExponent(std::sqrt(442.5), 11, 3));
    EXPECT_EQ(lines.back().size(), 22u);
    EXPECT_LT(orthonormalityError(D, n), 1e-9);
}

TEST(Minimization, StopsAtAnErrorOfOneMillionth) {
    const int n = 3;
    DirectionSet D;
    auto x = std::make_unique<WeightVector>();
    std::vector<std::string> lines;
    const double f = minimizeRotatingDirections(*x, n, quadratic(n, 0.0), 1000, 1e-9, D, lines);
    EXPECT_LE(f, 1e-6);
    EXPECT_NE(lines.back().substr(0, 11), "       1000");
    EXPECT_LE(std::stod(lines.back().substr(11)), 1e-3);
}

TEST(Minimization, LogLinesFollowTheSweepLimit) {
    // Rosenbrock's valley: ten sweeps do not get to the bottom.
    auto valley = [](const WeightVector& x) {
        return 100.0 * (x[2] - x[1] * x[1]) * (x[2] - x[1] * x[1]) + (1.0 - x[1]) * (1.0 - x[1]);
    };
    DirectionSet D;
    auto x = std::make_unique<WeightVector>();
    std::vector<std::string> lines;
    (*x)[1] = -1.2;
    (*x)[2] = 1.0;
    minimizeRotatingDirections(*x, 2, valley, 1, 1e-5, D, lines);
    ASSERT_EQ(lines.size(), 1u);  // the line for sweep 0 only
    EXPECT_EQ(lines[0], "          0  4.92E+000");

    lines.clear();
    (*x)[1] = -1.2;
    (*x)[2] = 1.0;
    minimizeRotatingDirections(*x, 2, valley, 10, 1e-5, D, lines);
    ASSERT_EQ(lines.size(), 2u);  // sweep 10 written once
    EXPECT_EQ(lines[1].substr(0, 11), "         10");

    EXPECT_THROW(minimizeRotatingDirections(*x, 2, valley, 0, 1e-5, D, lines), RangeCheckError);
}

TEST(Minimization, ASweepWithoutProgressEndsWithoutTurning) {
    DirectionSet D;
    auto x = std::make_unique<WeightVector>();
    std::vector<std::string> lines;
    int calls = 0;
    const ErrorFunction flat = [&calls](const WeightVector&) {
        ++calls;
        return 2.0;
    };
    minimizeRotatingDirections(*x, 4, flat, 50, 1e-5, D, lines);
    EXPECT_EQ(calls, 1 + 4 * 2);  // the base point, then two probes per direction
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "          1  1.41E+000");
    EXPECT_EQ(D.at(2, 2), 1.0);
    EXPECT_EQ(D.at(1, 2), 0.0);
}

TEST(Minimization, ExpansionEndsWhereTheErrorStopsBeingANumber) {
    // Falls all the way to x = 100, where the arithmetic gives out.
    const ErrorFunction cliff = [](const WeightVector& p) {
        if (p[1] > 100.0) return std::numeric_limits<double>::quiet_NaN();
        return 1.0 + std::exp(-p[1]);
    };
    DirectionSet D;
    auto x = std::make_unique<WeightVector>();
    std::vector<std::string> lines;
    const double f = minimizeRotatingDirections(*x, 1, cliff, 1000, 1e-5, D, lines);
    EXPECT_TRUE(std::isfinite(f));
    EXPECT_TRUE(std::isfinite((*x)[1]));
    EXPECT_LE((*x)[1], 100.0);
    EXPECT_GT((*x)[1], 10.0);

    // An infinite error ends it as well, without interpolating on it.
    const ErrorFunction wall = [](const WeightVector& p) {
        if (p[1] > 50.0) return std::numeric_limits<double>::infinity();
        return 1.0 - p[1] / 100.0;
    };
    (*x)[1] = 0.0;
    lines.clear();
    const double g = minimizeRotatingDirections(*x, 1, wall, 1000, 1e-5, D, lines);
    EXPECT_TRUE(std::isfinite(g));
    EXPECT_LE((*x)[1], 50.0);
    EXPECT_GT((*x)[1], 40.0);
}

TEST(OptimizeWeights, LowersTheErrorAndKeepsTheBestPoint) {
    Reference ref;
    NeuralNetwork& net = *ref.net;
    auto w = std::make_unique<WeightVector>();
    net.packWeights(NetworkKind::Nda, *w);
    const double before = NetworkError(net, *ref.data, NetworkKind::Nda, *w);
    std::vector<std::string> lines;
    OptimizeWeights(net, *ref.data, 10, NetworkKind::Nda, 1e-5, lines);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "> ANN weight numerical optimization");
    EXPECT_EQ(lines[1], "  (optyIterLimit = 10; WeightCount = 43)");
    EXPECT_EQ(lines[2], "  IterCount  rms error");
    EXPECT_EQ(lines[3].substr(0, 11), "          0");
    net.packWeights(NetworkKind::Nda, *w);
    const double after = NetworkError(net, *ref.data, NetworkKind::Nda, *w);
    EXPECT_LT(after, before);
    // The last log line shows the error of the weights the network keeps.
    EXPECT_NEAR(std::stod(lines.back().substr(11)), std::sqrt(after), 0.006 * std::sqrt(after));
}

TEST(NeuronWeightLine, FourteenCharactersPerWeight) {
    const double row[] = {0.5, -0.5, 1234.5};
    EXPECT_EQ(neuronWeightLine(row, 3), "  5.00000E-001 -5.00000E-001  1.23450E+003");
    EXPECT_EQ(neuronWeightLine(row, 0), "");
}

}  // namespace
