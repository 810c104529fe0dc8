// Writes a file so that its target changes only when every byte arrived.
//
// The bytes go to a new temporary file in the target's folder (unnamed
// where the system allows, so that even a killed program leaves nothing);
// Commit() flushes it to the disk and renames it over the target, then
// flushes the folder. Until then, and whenever anything fails, the target
// is as it was, and the temporary is removed on failure and on destruction. An existing target that is not a
// regular file (a folder, a device, a FIFO) is refused untouched. A replaced
// file keeps its permission bits; a new one gets the usual 0666 & ~umask.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace fovella {

class FileReplacement {
public:
    explicit FileReplacement(std::string target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates the temporary file. False, with a reason, when the target may
    // not be replaced or no temporary can be made beside it.
    bool Open();
    // The temporary's stream, for libraries that write through stdio.
    std::FILE* Stream() const { return m_file; }
    // Writes all of `size` bytes or records the failure.
    bool Write(const void* data, std::size_t size);
    // Flushes, closes and renames over the target; false, with a reason and
    // the target untouched, when any write, the close or the rename failed.
    bool Commit();
    // Removes the temporary; the target stays as it was.
    void Discard();

    const std::string& Error() const { return m_error; }

private:
    bool Fail(const std::string& reason);
    // Links the unnamed temporary under a temporary name.
    void Name();
    void SyncFolder();

    std::string m_target;
    std::string m_temporary;
    std::FILE* m_file = nullptr;
    bool m_unnamed = false;  // m_file has no name yet
    bool m_failed = false;
    std::string m_error;
};

}  // namespace fovella
