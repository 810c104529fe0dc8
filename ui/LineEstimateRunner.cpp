#include "ui/LineEstimateRunner.h"

#include <QMetaObject>

#include <new>
#include <utility>

namespace fovella {

LineEstimateRunner::~LineEstimateRunner() { Cancel(); }

bool LineEstimateRunner::Start(AutoSource source, Finished finished)
{
    if (Running())
        return false;
    m_cancel = false;
    const unsigned run = ++m_run;
    m_thread = std::thread([this, run, source = std::move(source), finished = std::move(finished)] {
        LineEstimate estimate;
        // Nothing may leave a thread: a picture too large for the reduced
        // copy is one the estimate cannot read.
        try {
            if (!source.file.empty())
                estimate = EstimateLinesOfFile(source.file, &m_cancel, source.picture.get());
            if (source.file.empty() || estimate.verdict == LineEstimate::Verdict::Unreadable)
                estimate = EstimateLines(*source.picture, &m_cancel);
        } catch (const std::bad_alloc&) {
            estimate.verdict = LineEstimate::Verdict::Unreadable;
            estimate.error = "no room for the estimate's copy of the picture";
        }
        // The last thing the thread does; Cancel joins it before the runner
        // (and the receiver with its posted events) can go.
        QMetaObject::invokeMethod(
            &m_receiver,
            [this, run, finished, estimate = std::move(estimate)] {
                if (run != m_run || !m_thread.joinable())
                    return;  // cancelled meanwhile
                m_thread.join();
                finished(estimate);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void LineEstimateRunner::Cancel()
{
    if (!m_thread.joinable())
        return;
    m_cancel = true;
    m_thread.join();
    ++m_run;
}

}  // namespace fovella
