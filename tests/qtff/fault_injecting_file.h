// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/file_io.h"

#include <memory>

namespace korvel::qtff::testing {

/// Stands in for the disk of a process that is killed: the first `survivingOperations` writes,
/// truncations and flushes reach the file, the next one and everything after it fail without
/// touching it.
class FaultInjectingFile final : public RandomAccessFile {
  public:
    FaultInjectingFile(std::unique_ptr<RandomAccessFile> inner, int survivingOperations)
        : m_inner(std::move(inner)), m_left(survivingOperations) {}

    Result<std::uint64_t> size() override { return m_inner->size(); }
    Result<std::vector<std::uint8_t>> read(std::uint64_t offset, std::size_t count) override {
        return m_inner->read(offset, count);
    }
    Status write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
        if (!spend())
            return makeError("killed");
        return m_inner->write(offset, data);
    }
    Status truncate(std::uint64_t size) override {
        if (!spend())
            return makeError("killed");
        return m_inner->truncate(size);
    }
    Status flush() override {
        if (!spend())
            return makeError("killed");
        return m_inner->flush();
    }
    bool writable() const override { return m_inner->writable(); }

    int operations() const { return m_operations; }
    bool killed() const { return m_left < 0; }

  private:
    bool spend() {
        ++m_operations;
        return --m_left >= 0;
    }

    std::unique_ptr<RandomAccessFile> m_inner;
    int m_left;
    int m_operations = 0;
};

/// A disk that fills up at `capacity` bytes. With `AtWrite` a write past it stores what fits and
/// fails; with `AtFlush` the writes seem to succeed and the next flush fails, as with delayed
/// allocation. Cutting the file back frees the space again.
class FullDiskFile final : public RandomAccessFile {
  public:
    enum class FailsAt { Write, Flush };

    FullDiskFile(std::unique_ptr<RandomAccessFile> inner, std::uint64_t capacity, FailsAt failsAt)
        : m_inner(std::move(inner)), m_capacity(capacity), m_failsAt(failsAt) {}

    Result<std::uint64_t> size() override { return m_inner->size(); }
    Result<std::vector<std::uint8_t>> read(std::uint64_t offset, std::size_t count) override {
        return m_inner->read(offset, count);
    }
    Status write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
        const auto end = offset + data.size();
        if (end <= m_capacity || m_failsAt == FailsAt::Flush) {
            m_overfull = m_overfull || end > m_capacity;
            return m_inner->write(offset, data);
        }
        if (offset < m_capacity)
            (void)m_inner->write(offset, data.first(std::size_t(m_capacity - offset)));
        return makeError("cannot write the file: No space left on device");
    }
    Status truncate(std::uint64_t size) override {
        m_overfull = m_overfull && size > m_capacity;
        return m_inner->truncate(size);
    }
    Status flush() override {
        if (m_overfull)
            return makeError("cannot flush the file to disk: No space left on device");
        return m_inner->flush();
    }
    bool writable() const override { return m_inner->writable(); }

  private:
    std::unique_ptr<RandomAccessFile> m_inner;
    std::uint64_t m_capacity;
    FailsAt m_failsAt;
    bool m_overfull = false;
};

} // namespace korvel::qtff::testing
