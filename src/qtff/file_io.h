// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace korvel::qtff {

/// The file operations a movie edit needs. Everything that changes a file goes through `write`,
/// `truncate` and `flush`, so a test can stand in for the disk and stop the edit after any one
/// of them.
class RandomAccessFile {
  public:
    virtual ~RandomAccessFile() = default;

    virtual Result<std::uint64_t> size() = 0;
    /// Exactly `count` bytes from `offset`; fails when the file ends sooner.
    virtual Result<std::vector<std::uint8_t>> read(std::uint64_t offset, std::size_t count) = 0;
    virtual Status write(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
    /// Cuts the file back to `size` bytes (takes back what a failed append added).
    virtual Status truncate(std::uint64_t size) = 0;
    /// Makes every earlier write durable (fsync) before it returns.
    virtual Status flush() = 0;
    virtual bool writable() const = 0;
};

/// A file held in memory: for tests, fuzzing and building a movie before it is written out.
class MemoryFile final : public RandomAccessFile {
  public:
    explicit MemoryFile(std::vector<std::uint8_t> bytes = {}, bool writable = true)
        : m_bytes(std::move(bytes)), m_writable(writable) {}

    Result<std::uint64_t> size() override { return std::uint64_t(m_bytes.size()); }
    Result<std::vector<std::uint8_t>> read(std::uint64_t offset, std::size_t count) override;
    Status write(std::uint64_t offset, std::span<const std::uint8_t> data) override;
    Status truncate(std::uint64_t size) override;
    Status flush() override { return {}; }
    bool writable() const override { return m_writable; }

    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

  private:
    std::vector<std::uint8_t> m_bytes;
    bool m_writable;
};

enum class OpenMode { ReadOnly, ReadWrite };

/// How long opening a file for writing waits for another writer of it to finish.
inline constexpr std::chrono::milliseconds kWriterWait{3000};

/// A file opened by path. ReadWrite refuses a file without any write permission bit, even for a
/// user whom the system would let write it, because such a file was locked on purpose.
/// ReadWrite also makes the caller the file's one writer: it holds an exclusive advisory lock
/// (flock) until the file is closed, so that two runs never change one movie at once. When
/// another process holds the lock for longer than `writerWait`, the open fails with
/// ErrorKind::InUse. Readers take no lock: an update keeps the file readable at every instant.
Result<std::unique_ptr<RandomAccessFile>>
openFile(const std::string& path, OpenMode mode,
         std::chrono::milliseconds writerWait = kWriterWait);

} // namespace korvel::qtff
