// A whole file in memory, for the readers that decode from a buffer. Every
// read checks the length, so a truncated file can never be read past.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fovella {

class MemoryFile {
public:
    // False, with a reason, when the file cannot be read, is larger than
    // `maxBytes` or shorter than its `headerBytes`.
    bool Load(const std::string& path, std::size_t maxBytes, std::size_t headerBytes,
              std::string& reason);
    // Only the first `headerBytes` of the file, for a look at its header;
    // false, with a reason, when the file is shorter.
    bool LoadHeader(const std::string& path, std::size_t headerBytes, std::string& reason);

    std::size_t Size() const { return m_bytes.size(); }
    bool Has(std::size_t offset, std::size_t count) const
    {
        return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }
    const std::uint8_t* At(std::size_t offset) const { return m_bytes.data() + offset; }
    // Little-endian numbers; the caller has checked Has(offset, 2).
    std::uint16_t U16(std::size_t offset) const
    {
        return std::uint16_t(m_bytes[offset] | (m_bytes[offset + 1] << 8));
    }

private:
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace fovella
