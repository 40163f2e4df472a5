// How a long computation reports progress and learns that it should stop:
// it calls text() after each stage and polls cancelled() between units of
// work (a ROI, a family, a map row). The progress window supplies both.
#pragma once

#include <atomic>
#include <functional>
#include <string>

struct ProgressSink {
    std::function<void(const std::string&)> text;  // show the text and step the bar
    std::function<void()> step;                    // step the bar
    std::function<void(int)> setRange;             // bar maximum, position 0
    const std::atomic<bool>* cancel = nullptr;

    bool cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }
    void report(const std::string& line) const {
        if (text) text(line);
    }
    void advance() const {
        if (step) step();
    }
    void range(int maximum) const {
        if (setRange) setRange(maximum);
    }
};
