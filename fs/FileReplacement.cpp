#include "fs/FileReplacement.h"

#include "fs/PathString.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fovella {

namespace {

std::string SystemError(int code) { return std::strerror(code); }

// Unique among the threads and processes that may save into one folder, and
// short enough for any file system even when the target's name is long.
std::string TemporaryName(const std::string& target, int attempt)
{
    static std::atomic<unsigned> counter{0};
    const std::string folder = GetDirectory(target);
    const std::string name = "." + GetFileName(target).substr(0, 64) + ".fovella-" +
                             std::to_string(::getpid()) + "-" +
                             std::to_string(counter++) + "-" + std::to_string(attempt);
    return JoinPath(folder, name, "").str();
}

}  // namespace

FileReplacement::FileReplacement(std::string target) : m_target(std::move(target)) {}

FileReplacement::~FileReplacement() { Discard(); }

bool FileReplacement::Fail(const std::string& reason)
{
    if (!m_failed)
        m_error = reason;
    m_failed = true;
    return false;
}

bool FileReplacement::Open()
{
    struct stat existing {};
    const bool exists = ::stat(m_target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return Fail("'" + m_target + "' exists and is not a regular file");
#ifdef O_TMPFILE
    // An unnamed file in the target's folder: a run killed before Commit,
    // even by SIGKILL, leaves nothing behind. File systems without it get
    // a named temporary instead.
    const std::string folder = GetDirectory(m_target);
    const int unnamed = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (unnamed >= 0) {
        m_file = ::fdopen(unnamed, "wb");
        if (!m_file) {
            ::close(unnamed);
            return Fail("cannot write in the folder of '" + m_target + "': " + SystemError(errno));
        }
        m_unnamed = true;
        // The umask applies as to any new file; a replaced one keeps its bits.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~mask);
        if (::fchmod(unnamed, mode) != 0)
            return Fail("cannot set the permissions of '" + m_target + "': " + SystemError(errno));
        return true;
    }
#endif
    for (int attempt = 0; attempt < 100 && !m_file; ++attempt) {
        m_temporary = TemporaryName(m_target, attempt);
        // "x": never open a file that is already there.
        m_file = std::fopen(m_temporary.c_str(), "wbx");
        if (!m_file && errno != EEXIST)
            return Fail("cannot create a file in the folder of '" + m_target +
                        "': " + SystemError(errno));
    }
    if (!m_file)
        return Fail("cannot find a free temporary name beside '" + m_target + "'");
    if (exists && ::fchmod(::fileno(m_file), existing.st_mode & 07777) != 0)
        return Fail("cannot keep the permissions of '" + m_target + "': " + SystemError(errno));
    return true;
}

bool FileReplacement::Write(const void* data, std::size_t size)
{
    if (m_failed || !m_file)
        return false;
    if (size != 0 && std::fwrite(data, 1, size, m_file) != size)
        return Fail("cannot write '" + m_target + "': " + SystemError(errno));
    return true;
}

bool FileReplacement::Commit()
{
    if (!m_file)
        return Fail("'" + m_target + "' was not opened");
    if (!m_failed && std::fflush(m_file) != 0)
        Fail("cannot write '" + m_target + "': " + SystemError(errno));
    if (!m_failed && std::ferror(m_file))
        Fail("cannot write '" + m_target + "'");
    // On the disk before it takes the target's name: after a power cut the
    // target is the old file or the new one, never an empty one.
    if (!m_failed && ::fsync(::fileno(m_file)) != 0)
        Fail("cannot write '" + m_target + "' to the disk: " + SystemError(errno));
    if (!m_failed && m_unnamed)
        Name();
    const int closed = std::fclose(m_file);
    m_file = nullptr;
    if (!m_failed && closed != 0)
        Fail("cannot close '" + m_target + "': " + SystemError(errno));
    if (!m_failed) {
        std::error_code error;
        std::filesystem::rename(m_temporary, m_target, error);
        if (error)
            Fail("cannot replace '" + m_target + "': " + error.message());
        else
            m_temporary.clear();
    }
    if (!m_failed)
        SyncFolder();
    Discard();
    return !m_failed;
}

void FileReplacement::Name()
{
    // The complete file gets a name of its own, then takes the target's by
    // rename, which replaces in one step (a link cannot replace).
    const std::string self = "/proc/self/fd/" + std::to_string(::fileno(m_file));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = TemporaryName(m_target, attempt);
        // Without /proc, the descriptor itself (which needs privileges).
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            (errno == ENOENT && ::linkat(::fileno(m_file), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)) {
            m_temporary = name;
            return;
        }
        if (errno != EEXIST) {
            Fail("cannot name the new '" + m_target + "': " + SystemError(errno));
            return;
        }
    }
    Fail("cannot find a free temporary name beside '" + m_target + "'");
}

// The rename is on the disk too once the folder is.
void FileReplacement::SyncFolder()
{
    const std::string folder = GetDirectory(m_target);
    const int descriptor = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    ::fsync(descriptor);
    ::close(descriptor);
}

void FileReplacement::Discard()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temporary.empty()) {
        std::remove(m_temporary.c_str());
        m_temporary.clear();
    }
}

}  // namespace fovella
