// The modal "Progress" window: while it is shown, one worker thread runs the
// job of the current AnalysisMode. The worker reads only what the job took on
// the GUI thread before it started, reports progress through queued calls,
// and hands its result back on the GUI thread. Cancel asks the worker to stop
// and waits for it; a thread is never killed.
#pragma once

#include <QDialog>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "analysis/core/runner/progress.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// One run: `run` executes on the worker thread and returns whether it
// completed; `finish` then runs on the GUI thread, told whether it completed.
struct ProgressJob {
    std::function<bool(const ProgressSink&)> run;
    std::function<void(bool completed)> finish;
};

// Makes the job of a mode on the GUI thread (taking its snapshot), or
// nothing when there is nothing to run.
using ProgressJobFactory = std::function<std::optional<ProgressJob>()>;
void registerProgressJob(int32_t mode, ProgressJobFactory factory);

class TProgress : public QDialog {
    Q_OBJECT
  public:
    explicit TProgress(QWidget* owner);
    ~TProgress() override;

    // 0 cancelled, else the mode of the last completed run.
    int32_t completionCode() const { return completion_; }
    bool running() const { return worker_.joinable(); }
    QLineEdit* doneInfo() const { return DoneInfo; }
    QProgressBar* progressBar() const { return ProgressBar1; }

    void CancelClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

  private:
    void workerEnded(bool completed);

    QLineEdit* DoneInfo;
    QProgressBar* ProgressBar1;
    QPushButton* cancelButton_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::function<void(bool)> finish_;
    int32_t completion_ = 0;
    int32_t runningMode_ = 0;
};
