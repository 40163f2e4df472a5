#include "analysis/forms/progress_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <map>
#include <new>
#include <string>

#include "analysis/core/runner/analysis_runner.h"
#include "platform/dialogs.h"
#include "platform/out_of_memory.h"

namespace {

std::map<int32_t, ProgressJobFactory>& jobFactories() {
    static std::map<int32_t, ProgressJobFactory> factories;
    return factories;
}

}  // namespace

void registerProgressJob(int32_t mode, ProgressJobFactory factory) {
    jobFactories()[mode] = std::move(factory);
}

TProgress::TProgress(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("Progress");
    setWindowTitle("Progress");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Analysis in progress.", this));
    DoneInfo = new QLineEdit(this);
    DoneInfo->setObjectName("DoneInfo");
    DoneInfo->setReadOnly(true);
    layout->addWidget(DoneInfo);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    layout->addWidget(ProgressBar1);
    cancelButton_ = new QPushButton("Cancel", this);
    layout->addWidget(cancelButton_, 0, Qt::AlignHCenter);
    connect(cancelButton_, &QPushButton::clicked, this, &TProgress::CancelClick);
    resize(320, 130);
}

TProgress::~TProgress() {
    // The worker must never outlive the window that receives its calls.
    stop_ = true;
    if (worker_.joinable()) worker_.join();
}

void TProgress::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (worker_.joinable()) return;
    stop_ = false;
    cancelButton_->setEnabled(true);
    DoneInfo->clear();
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    auto factory = jobFactories().find(AnalysisMode);
    if (factory == jobFactories().end()) return;
    std::optional<ProgressJob> job = factory->second();
    if (!job) return;  // nothing to run: the window stays until Cancel
    finish_ = std::move(job->finish);
    runningMode_ = AnalysisMode;

    QPointer<TProgress> self(this);
    ProgressSink sink;
    sink.cancel = &stop_;
    sink.text = [self](const std::string& line) {
        QMetaObject::invokeMethod(
            self,
            [self, line] {
                if (!self) return;
                self->DoneInfo->setText(QString::fromStdString(line));
                self->ProgressBar1->setValue(self->ProgressBar1->value() + 1);
            },
            Qt::QueuedConnection);
    };
    sink.step = [self] {
        QMetaObject::invokeMethod(
            self,
            [self] {
                if (self) self->ProgressBar1->setValue(self->ProgressBar1->value() + 1);
            },
            Qt::QueuedConnection);
    };
    sink.setRange = [self](int maximum) {
        QMetaObject::invokeMethod(
            self,
            [self, maximum] {
                if (!self) return;
                self->ProgressBar1->setRange(0, maximum & 0xFFFF);
                self->ProgressBar1->setValue(0);
            },
            Qt::QueuedConnection);
    };
    worker_ = std::thread([this, self, run = std::move(job->run), sink] {
        // An exception must not leave the thread (that would end the
        // program): the run ends as cancelled and the GUI thread says why.
        bool completed = false;
        std::string failure;
        try {
            completed = run(sink) && !stop_;
        } catch (const std::bad_alloc&) {
            failure = platform::notEnoughMemoryFor("the analysis");
        } catch (const std::exception& e) {
            failure = e.what();
        }
        QMetaObject::invokeMethod(
            self,
            [self, completed, failure] {
                if (!self) return;
                self->workerEnded(completed);
                if (!failure.empty()) platform::showError(failure);
            },
            Qt::QueuedConnection);
    });
}

void TProgress::workerEnded(bool completed) {
    if (worker_.joinable()) worker_.join();
    completion_ = completed ? runningMode_ : 0;
    auto finish = std::move(finish_);
    finish_ = nullptr;
    if (finish) finish(completed);
    done(completed ? QDialog::Accepted : QDialog::Rejected);
}

void TProgress::CancelClick() {
    if (!worker_.joinable()) {
        done(QDialog::Rejected);
        return;
    }
    // The worker stops at its next check and then closes the window.
    stop_ = true;
    cancelButton_->setEnabled(false);
    DoneInfo->setText("Cancelling...");
}

void TProgress::reject() {
    // Escape and the close box mean Cancel.
    CancelClick();
}
