#include "session/PictureLoader.h"

#include "codecs/ImageFile.h"
#include "codecs/ImageFormats.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#ifdef __linux__
#include <sys/resource.h>
#endif

namespace fovella {

namespace {

bool WithinNeighbourBudget(std::uint64_t width, std::uint64_t height)
{
    return width * height * 3 <= kMaxNeighbourBytes;
}

// Readers give way to the thread that asked, where the first look at a
// picture is decoded and painted, whenever the cores are busy; on idle cores
// it changes nothing. Linux gives each thread its own nice value.
void GiveWayToTheCaller()
{
#ifdef __linux__
    constexpr int kNicer = 5;
    setpriority(PRIO_PROCESS, 0, getpriority(PRIO_PROCESS, 0) + kNicer);
#endif
}

}  // namespace

FileStamp StampOf(const std::string& path)
{
    std::error_code error;
    FileStamp stamp;
    stamp.size = std::filesystem::file_size(path, error);
    if (error)
        return {};
    stamp.modified = std::filesystem::last_write_time(path, error);
    stamp.valid = !error;
    return stamp;
}

PixelType ShownPixelType(const Image& picture) { return picture.GetPixelType() == Gray ? Gray : Bgr; }

LoadedPicture LoadPicture(const std::string& path)
{
    LoadedPicture read;
    // Before the reading: a change during it shows as a changed stamp later.
    read.stamp = StampOf(path);
    auto picture = std::make_shared<DibImage>();
    ImageFile file;
    if (!file.Load(path, *picture, Unknown, KeepMetadata) || !picture->ConvertPixelType(ShownPixelType(*picture))) {
        read.error = file.Error().empty() ? "'" + path + "': cannot be shown" : file.Error();
        return read;
    }
    read.metadata = file.Metadata();
    read.picture = std::move(picture);
    return read;
}

struct PictureLoader::Job {
    std::string path;
    std::thread thread;  // none for a picture handed back
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    LoadedPicture result;

    void Wait()
    {
        std::unique_lock<std::mutex> lock(mutex);
        finished.wait(lock, [this] { return done; });
    }
    bool Done()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return done;
    }
    void Join()
    {
        if (thread.joinable())
            thread.join();
    }
};

// Shared with the reading threads, which may outlive a notice's owner's
// interest in it but never the loader.
struct PictureLoader::NoticeBox {
    std::mutex mutex;
    Notice notice;
};

PictureLoader::PictureLoader() : m_notice(std::make_shared<NoticeBox>()) {}

PictureLoader::~PictureLoader()
{
    SetNotice(nullptr);
    for (const auto& job : m_jobs)
        job->Join();
    for (const auto& job : m_dropped)
        job->Join();
}

void PictureLoader::SetNotice(Notice notice)
{
    std::lock_guard<std::mutex> lock(m_notice->mutex);
    m_notice->notice = std::move(notice);
}

std::shared_ptr<PictureLoader::Job> PictureLoader::Find(const std::string& path) const
{
    for (const auto& job : m_jobs)
        if (job->path == path)
            return job;
    return nullptr;
}

void PictureLoader::Reap()
{
    const auto finished =
        std::partition(m_dropped.begin(), m_dropped.end(), [](const auto& job) { return !job->Done(); });
    for (auto job = finished; job != m_dropped.end(); ++job)
        (*job)->Join();
    m_dropped.erase(finished, m_dropped.end());
}

bool PictureLoader::Start(const std::string& path)
{
    Reap();
    if (Find(path))
        return true;
    auto job = std::make_shared<Job>();
    job->path = path;
    try {
        job->thread = std::thread([job, box = m_notice] {
            GiveWayToTheCaller();
            LoadedPicture read = LoadPicture(job->path);
            {
                std::lock_guard<std::mutex> lock(job->mutex);
                job->result = std::move(read);
                job->done = true;
            }
            job->finished.notify_all();
            std::lock_guard<std::mutex> lock(box->mutex);
            if (box->notice)
                box->notice();
        });
    } catch (const std::system_error&) {
        return false;
    }
    m_jobs.push_back(std::move(job));
    return true;
}

bool PictureLoader::Ready(const std::string& path) const
{
    const std::shared_ptr<Job> job = Find(path);
    return job && job->Done();
}

LoadedPicture PictureLoader::Take(const std::string& path)
{
    LoadedPicture taken;
    if (const std::shared_ptr<Job> job = Find(path)) {
        job->Wait();
        job->Join();
        taken = std::move(job->result);
        m_jobs.erase(std::find(m_jobs.begin(), m_jobs.end(), job));
    }
    if (taken.picture && taken.stamp == StampOf(path))
        return taken;
    return LoadPicture(path);
}

void PictureLoader::PrepareOnly(const std::vector<std::string>& paths)
{
    Reap();
    const auto kept = std::partition(m_jobs.begin(), m_jobs.end(), [&paths](const auto& job) {
        return std::find(paths.begin(), paths.end(), job->path) != paths.end();
    });
    for (auto job = kept; job != m_jobs.end(); ++job) {
        if ((*job)->Done())
            (*job)->Join();
        else
            m_dropped.push_back(*job);
    }
    m_jobs.erase(kept, m_jobs.end());
    for (const std::string& path : paths) {
        int width = 0, height = 0;
        // The header alone tells the size; a file it cannot tell is not prepared.
        if (!Find(path) && ImageFile().ReadSize(path, width, height, Unknown, 0) &&
            WithinNeighbourBudget(std::uint64_t(width), std::uint64_t(height)))
            Start(path);
    }
}

void PictureLoader::GiveBack(const std::string& path, LoadedPicture picture)
{
    if (!picture.picture || Find(path) ||
        !WithinNeighbourBudget(std::uint64_t(picture.picture->Width()), std::uint64_t(picture.picture->Height())))
        return;
    auto job = std::make_shared<Job>();
    job->path = path;
    job->done = true;
    job->result = std::move(picture);
    m_jobs.push_back(std::move(job));
}

void PictureLoader::WaitIdle() const
{
    for (const auto& job : m_jobs)
        job->Wait();
    for (const auto& job : m_dropped)
        job->Wait();
}

}  // namespace fovella
