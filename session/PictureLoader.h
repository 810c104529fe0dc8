// Pictures read on threads of their own for the window: the one being
// opened, and the neighbours of the open one (the image files before and
// after it in its folder), prepared before they are asked for. Every picture
// is read by LoadPicture, exactly as a plain open reads it, so a prepared
// picture is the very one a read on request would give; one whose file
// changed (size or modification time) since its reading began is read again.
//
// Memory: besides the open picture and the one being opened, at most two
// neighbours are kept, each only when its pixels take at most
// kMaxNeighbourBytes (256 MiB, about 89 megapixels at 3 bytes a pixel),
// judged from the file's header before it is decoded: 512 MiB at most. A
// neighbour that cannot be read is simply not prepared.
//
// Not thread-safe: one thread (the session's) calls it; each reading thread
// fills only its own job. The destructor waits for the readings under way.
#pragma once

#include "image/DibImage.h"
#include "metadata/PhotoMetadata.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fovella {

// The largest picture kept as a neighbour, in bytes of pixels.
constexpr std::uint64_t kMaxNeighbourBytes = std::uint64_t(256) << 20;

// A file as it was at one moment: its size and modification time.
struct FileStamp {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified{};
    bool valid = false;  // false: the file could not be looked at

    bool operator==(const FileStamp& other) const
    {
        return valid && other.valid && size == other.size && modified == other.modified;
    }
};
FileStamp StampOf(const std::string& path);

// A picture as the window takes it: blue-green-red, with the file's EXIF block.
struct LoadedPicture {
    std::shared_ptr<DibImage> picture;  // null when the file could not be read
    PhotoMetadata metadata;
    std::string error;  // why not, naming the file
    FileStamp stamp;    // the file before it was read
};

// How the window holds a picture it opens: grey stays grey, as the command
// line corrects and writes it; colour is held in the order the screen draws.
PixelType ShownPixelType(const Image& picture);

// Reads `path` as the window opens a file, with all its metadata.
LoadedPicture LoadPicture(const std::string& path);

class PictureLoader {
public:
    // Called on a reading thread each time a picture has been read; it may
    // only pass the news on (post an event), never call the loader.
    using Notice = std::function<void()>;

    PictureLoader();
    ~PictureLoader();
    PictureLoader(const PictureLoader&) = delete;
    PictureLoader& operator=(const PictureLoader&) = delete;

    // Replaces the notice; waits for one being given, so that after
    // SetNotice(nullptr) none is.
    void SetNotice(Notice notice);

    // Starts reading `path` unless it is read or being read already; false
    // when no thread could be had (Take then reads it itself).
    bool Start(const std::string& path);
    // `path` has been read (well or not): Take will not wait.
    bool Ready(const std::string& path) const;
    // The picture of `path`, which the loader gives up: its reading waited
    // for, or the file read now when it was not started, failed, or changed.
    LoadedPicture Take(const std::string& path);

    // The neighbours: keeps only the pictures of `paths` and starts reading
    // those it lacks, each within kMaxNeighbourBytes.
    void PrepareOnly(const std::vector<std::string>& paths);
    // Hands back a picture read earlier (the one the window leaves), kept
    // when PrepareOnly names it next and it is within kMaxNeighbourBytes.
    void GiveBack(const std::string& path, LoadedPicture picture);

    // Waits until no picture is being read.
    void WaitIdle() const;

private:
    struct Job;
    struct NoticeBox;

    std::shared_ptr<Job> Find(const std::string& path) const;
    // Joins the threads of dropped jobs that have finished.
    void Reap();

    std::vector<std::shared_ptr<Job>> m_jobs;     // by path, at most one each
    std::vector<std::shared_ptr<Job>> m_dropped;  // given up while being read
    std::shared_ptr<NoticeBox> m_notice;
};

}  // namespace fovella
