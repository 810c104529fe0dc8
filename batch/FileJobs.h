// The files of a folder run prepared on job threads (loaded, corrected and
// coded), while the run's own thread takes them in list order for the
// questions, messages and saves. One job is the plain run, one file after
// the other; with more, each job starts the next file as soon as it is done
// with one. Inside the batch engine: not a public header.
#pragma once

#include "batch/Work.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fovella {

class FileJobs {
public:
    // Sets work.memory (what its pictures take, from its header); false
    // when the file must fail without being read.
    using Admit = std::function<bool(Work& work)>;
    // Prepares one file in the pictures given; a set `stop` asks it to end
    // early.
    using Prepare = std::function<void(Work& work, Pictures& pictures, std::atomic<bool>& stop)>;

    // Starts `jobs` threads for `paths`.
    FileJobs(std::vector<std::string> paths, int jobs, std::uint64_t memoryLimit, Admit admit, Prepare prepare);
    // Stops the files still under way at their next report, and waits for them.
    ~FileJobs();
    FileJobs(const FileJobs&) = delete;
    FileJobs& operator=(const FileJobs&) = delete;

    // Called on the run's thread while it waits for a file, about every
    // 10 ms, with the file's Work once it has started (else null), whose
    // `percent` tells how far its remap is; true cancels the wait.
    using Waiting = std::function<bool(const Work* turn)>;

    // File k once it is prepared, k = 0, 1, ... in turn; null when
    // `waiting` cancelled.
    std::unique_ptr<Work> Take(std::size_t k, const Waiting& waiting);

private:
    struct Start {
        std::size_t k;
        std::unique_ptr<Work> work;
        std::unique_ptr<Pictures> pictures;
        std::uint64_t memory;  // counted in m_inFlight
    };

    void StartWhileRoom();
    void Job();
    std::uint64_t IdleMemory() const;

    const std::vector<std::string> m_paths;
    const std::size_t m_jobs;
    const std::uint64_t m_memoryLimit;
    const Admit m_admit;
    const Prepare m_prepare;
    std::atomic<bool> m_stop{false};
    // Everything below under the mutex.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_turn = 0;  // the file the run's thread waits for
    std::size_t m_next = 0;  // the next file to start
    std::unique_ptr<Work> m_waiting;  // the next file, admitted, waiting for memory
    std::deque<Start> m_starting;  // started, not yet taken by a job
    std::size_t m_running = 0;  // started, not yet prepared
    std::uint64_t m_inFlight = 0;  // what the pictures of those take
    std::vector<std::unique_ptr<Work>> m_done;  // prepared, not yet taken
    std::vector<const Work*> m_started;  // each file's Work from its start until it is taken
    std::vector<std::unique_ptr<Pictures>> m_idle;  // storage for the next files
    std::vector<std::thread> m_threads;
};

}  // namespace fovella
