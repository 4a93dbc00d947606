// SPDX-License-Identifier: MIT
#include "audio/byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace korvel {

Result<std::size_t> MemoryByteSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset >= m_bytes.size()) {
        return std::size_t{0};
    }
    const auto count =
        static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), m_bytes.size() - offset));
    std::memcpy(out.data(), m_bytes.data() + offset, count);
    return count;
}

Result<std::unique_ptr<FileByteSource>> FileByteSource::open(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return makeError("cannot open " + path + ": " + std::strerror(errno));
    }
    if (std::fseek(file, 0, SEEK_END) != 0) {
        std::fclose(file);
        return makeError("cannot seek in " + path);
    }
    const long end = std::ftell(file);
    if (end < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return makeError("cannot find the size of " + path);
    }
    return std::unique_ptr<FileByteSource>(
        new FileByteSource(file, static_cast<std::uint64_t>(end), path));
}

FileByteSource::~FileByteSource() {
    std::fclose(m_file);
}

Result<std::size_t> FileByteSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset >= m_size || out.empty()) {
        return std::size_t{0};
    }
    if (offset != m_position) {
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<long>::max()) ||
            std::fseek(m_file, static_cast<long>(offset), SEEK_SET) != 0) {
            return makeError("cannot seek to byte " + std::to_string(offset) + " of " + m_path);
        }
        m_position = offset;
    }
    const std::size_t count = std::fread(out.data(), 1, out.size(), m_file);
    m_position += count;
    if (count < out.size() && std::ferror(m_file)) {
        std::clearerr(m_file);
        m_position = std::numeric_limits<std::uint64_t>::max(); // force a seek next time
        return makeError("cannot read " + m_path);
    }
    return count;
}

} // namespace korvel
