// The feature-space window's redraw after a mouse move: the picture of 400
// samples (rotation, depth order, items) and its drawing into the window's
// 600 x 500 image, against the items alone.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <random>

#include "analysis/core/reports/feature_space.h"
#include "analysis/forms/feature_space_window.h"

namespace {

SelectionSamples fourHundredSamples() {
    SelectionSamples s;
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 1.0);
    for (int c = 0; c < 8; ++c) {
        s.classes.push_back("class " + std::to_string(c));
        s.classSize.push_back(50);
        s.classOffset.push_back(c * 50);
        for (int k = 0; k < 50; ++k) s.sampleClass.push_back(c);
    }
    for (int f = 0; f < 3; ++f) {
        s.features.push_back({"S(1,0)Feature" + std::to_string(f), f});
        for (int i = 0; i < 400; ++i) s.values.push_back(noise(random) + (i / 50) * (f + 1));
    }
    return s;
}

void BM_FeatureSpaceItems(benchmark::State& state) {
    const SelectionSamples samples = fourHundredSamples();
    FeatureSpaceView view;
    for (auto _ : state) {
        view.rotation.turn(1, 3, 3);
        benchmark::DoNotOptimize(featureSpacePicture(samples, view));
    }
}
BENCHMARK(BM_FeatureSpaceItems)->Unit(benchmark::kMillisecond);

void BM_FeatureSpaceRedraw(benchmark::State& state) {
    const SelectionSamples samples = fourHundredSamples();
    FeatureSpaceView view;
    QImage image(600, 500, QImage::Format_RGB32);
    for (auto _ : state) {
        view.rotation.turn(1, 3, 3);
        QPainter painter(&image);
        drawPlotItems(painter, featureSpacePicture(samples, view), 600, 500);
    }
}
BENCHMARK(BM_FeatureSpaceRedraw)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
