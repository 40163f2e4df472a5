#include "analysis/forms/progress_window.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>
#include <chrono>
#include <thread>

#include "analysis/core/runner/analysis_runner.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

constexpr int32_t kTestMode = 9001;

TEST(ProgressWindow, AJobRunsOnTheWorkerAndFinishesOnTheGuiThread) {
    testApplication();
    TProgress progress(nullptr);
    std::thread::id gui = std::this_thread::get_id(), worker, finisher;
    bool completed = false;
    registerProgressJob(kTestMode, [&]() -> std::optional<ProgressJob> {
        ProgressJob job;
        job.run = [&](const ProgressSink& sink) {
            worker = std::this_thread::get_id();
            sink.range(3);
            sink.report("Histogram done");
            sink.report("Gradient done");
            return true;
        };
        job.finish = [&](bool done) {
            finisher = std::this_thread::get_id();
            completed = done;
        };
        return job;
    });
    AnalysisMode = kTestMode;
    EXPECT_EQ(progress.exec(), QDialog::Accepted);
    EXPECT_TRUE(completed);
    EXPECT_NE(worker, gui);
    EXPECT_EQ(finisher, gui);
    EXPECT_EQ(progress.completionCode(), kTestMode);
    EXPECT_EQ(progress.doneInfo()->text(), "Gradient done");
    EXPECT_EQ(progress.progressBar()->maximum(), 3);
    EXPECT_EQ(progress.progressBar()->value(), 2);
    EXPECT_FALSE(progress.running());
}

TEST(ProgressWindow, CancelStopsTheWorkerAndNothingIsKept) {
    testApplication();
    TProgress progress(nullptr);
    std::atomic<int> polls{0};
    bool finishedCompleted = true;
    registerProgressJob(kTestMode, [&]() -> std::optional<ProgressJob> {
        ProgressJob job;
        job.run = [&](const ProgressSink& sink) {
            while (!sink.cancelled()) {
                ++polls;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return false;
        };
        job.finish = [&](bool done) { finishedCompleted = done; };
        return job;
    });
    AnalysisMode = kTestMode;
    // Cancel once the worker runs: a fixed delay can be outrun on a busy machine.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &progress, [&] {
        if (polls.load() == 0) return;
        poll.stop();
        progress.CancelClick();
    });
    poll.start(5);
    EXPECT_EQ(progress.exec(), QDialog::Rejected);
    EXPECT_FALSE(finishedCompleted);
    EXPECT_GT(polls.load(), 0);
    EXPECT_EQ(progress.completionCode(), 0);
    EXPECT_FALSE(progress.running());
}

TEST(ProgressWindow, AModeWithoutAJobWaitsForCancel) {
    testApplication();
    TProgress progress(nullptr);
    AnalysisMode = 77;
    QTimer::singleShot(20, &progress, [&] { progress.CancelClick(); });
    EXPECT_EQ(progress.exec(), QDialog::Rejected);
}

}  // namespace
