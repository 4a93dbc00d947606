// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace korvel {

/// Random-access bytes: a file or a block of memory. Readers take this so that tests and fuzzers
/// hand them memory while the tools hand them files, with the same checks on both.
class ByteSource {
  public:
    virtual ~ByteSource() = default;

    /// Total number of bytes.
    virtual std::uint64_t size() const = 0;

    /// Reads up to `out.size()` bytes at `offset` and answers how many were read: fewer at the
    /// end of the source, none at or past it. Fails only when the medium fails.
    virtual Result<std::size_t> readAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

/// Bytes held by the caller; the memory must outlive the source.
class MemoryByteSource final : public ByteSource {
  public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::uint64_t size() const override { return m_bytes.size(); }
    Result<std::size_t> readAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

  private:
    std::span<const std::uint8_t> m_bytes;
};

/// A file opened for reading; its size is taken once at opening.
class FileByteSource final : public ByteSource {
  public:
    static Result<std::unique_ptr<FileByteSource>> open(const std::string& path);
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    std::uint64_t size() const override { return m_size; }
    Result<std::size_t> readAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

  private:
    FileByteSource(std::FILE* file, std::uint64_t size, std::string path)
        : m_file(file), m_size(size), m_path(std::move(path)) {}

    std::FILE* m_file;
    std::uint64_t m_size;
    std::uint64_t m_position = 0;
    std::string m_path;
};

/// Little-endian fields, decoded from their bytes so that the host's byte order never matters.
inline std::uint16_t readLittle16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t readLittle32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t readLittle64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(readLittle32(p)) |
           (static_cast<std::uint64_t>(readLittle32(p + 4)) << 32);
}

} // namespace korvel
