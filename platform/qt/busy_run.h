// A long run on the GUI thread: the windows keep being painted while it
// works, but what the user clicks or types meanwhile is thrown away, so that
// nothing queued during the run acts after it (a menu command replacing the
// run's result, a key answering the box that reports it).
#pragma once

class QWidget;

namespace platform {

// Paints what waits to be painted and discards the user's input that came in
// since the last call. Called from a run's progress reports, and once when
// the work is done, before its result is shown.
void repaintDiscardingInput();

// For the lifetime of the guard: `commands` (a menu bar, a tool bar) is
// disabled; at its end the input that came in is discarded and the commands
// are enabled again as they were. Guards may nest.
class BusyRun {
  public:
    explicit BusyRun(QWidget* commands);
    ~BusyRun();
    BusyRun(const BusyRun&) = delete;
    BusyRun& operator=(const BusyRun&) = delete;

    // True while any run holds the GUI thread.
    static bool active();

  private:
    QWidget* commands_;
    bool wasEnabled_;
};

}  // namespace platform
