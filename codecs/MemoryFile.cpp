#include "codecs/MemoryFile.h"

#include <cstdio>
#include <memory>
#include <new>

namespace fovella {

bool MemoryFile::Load(const std::string& path, std::size_t maxBytes, std::size_t headerBytes,
                      std::string& reason)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        reason = "cannot open the file";
        return false;
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        reason = "cannot read the file";
        return false;
    }
    const long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        reason = "cannot read the file";
        return false;
    }
    if (std::size_t(size) > maxBytes) {
        reason = "file larger than this program accepts";
        return false;
    }
    try {
        m_bytes.resize(std::size_t(size));
    } catch (const std::bad_alloc&) {
        reason = "not enough memory for the file";
        return false;
    }
    if (std::fread(m_bytes.data(), 1, m_bytes.size(), file.get()) != m_bytes.size()) {
        reason = "cannot read the file";
        return false;
    }
    if (m_bytes.size() < headerBytes) {
        reason = "file ends inside its header";
        return false;
    }
    return true;
}

bool MemoryFile::LoadHeader(const std::string& path, std::size_t headerBytes, std::string& reason)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        reason = "cannot open the file";
        return false;
    }
    m_bytes.resize(headerBytes);
    if (std::fread(m_bytes.data(), 1, headerBytes, file.get()) != headerBytes) {
        m_bytes.clear();
        reason = "file ends inside its header";
        return false;
    }
    return true;
}

}  // namespace fovella
