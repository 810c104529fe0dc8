#include "fs/FileReplacement.h"

#include "fs/PathString.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

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
    Discard();
    return !m_failed;
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
