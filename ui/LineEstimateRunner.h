// Runs the line estimate of one picture on a thread of its own, so that the
// window stays responsive while it works, and hands the answer back to the
// thread that started it.
#pragma once

#include "lines/LineEstimator.h"
#include "session/CorrectorSession.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace fovella {

class LineEstimateRunner {
public:
    using Finished = std::function<void(const LineEstimate&)>;

    LineEstimateRunner() = default;
    // Cancels a run under way and waits for its thread.
    ~LineEstimateRunner();
    LineEstimateRunner(const LineEstimateRunner&) = delete;
    LineEstimateRunner& operator=(const LineEstimateRunner&) = delete;

    // Estimates the source's file (a JPEG read again, reduced by its
    // decoder as fovella-cli reads it; any other file from its picture, the
    // same pixels), or its picture (kept alive by the runner until it is
    // done) when it names none or the file cannot be read, and calls
    // `finished` with the answer from the calling thread's event loop.
    // False, starting nothing, while a run is under way.
    bool Start(AutoSource source, Finished finished);
    bool Running() const { return m_thread.joinable(); }
    // Sets the cancel flag and waits for the thread, which ends at the
    // estimate's next stage; `finished` is then never called.
    void Cancel();

private:
    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
    // Receives the answer: the thread posts to it, so that `finished` runs on
    // the starting thread; whatever is posted dies with it.
    QObject m_receiver;
    unsigned m_run = 0;  // a post from a cancelled run finds a newer number
};

}  // namespace fovella
