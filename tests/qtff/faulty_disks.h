// SPDX-License-Identifier: MIT
#pragma once

// Disks that fail as real ones do: a process killed after some writes, a disk that fills up, and
// a power cut that keeps what was flushed and any subset of what was written since.

#include "qtff/file_io.h"

#include <algorithm>
#include <memory>
#include <set>

namespace korvel::qtff::testing {

/// Passes everything to the file underneath; the disks below change what they need.
class ForwardingFile : public RandomAccessFile {
  public:
    explicit ForwardingFile(std::unique_ptr<RandomAccessFile> inner) : m_inner(std::move(inner)) {}

    /// Whether the disk has refused a write, truncation or flush.
    virtual bool failed() const { return false; }

    Result<std::uint64_t> size() override { return m_inner->size(); }
    Result<std::vector<std::uint8_t>> read(std::uint64_t offset, std::size_t count) override {
        return m_inner->read(offset, count);
    }
    Status write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
        return m_inner->write(offset, data);
    }
    Status truncate(std::uint64_t size) override { return m_inner->truncate(size); }
    Status flush() override { return m_inner->flush(); }
    bool writable() const override { return m_inner->writable(); }

  private:
    std::unique_ptr<RandomAccessFile> m_inner;
};

/// The disk of a process that is killed: the first `survivingOperations` writes, truncations and
/// flushes reach the file, the next one and everything after it fail without touching it.
class KilledProcessFile final : public ForwardingFile {
  public:
    KilledProcessFile(std::unique_ptr<RandomAccessFile> inner, int survivingOperations)
        : ForwardingFile(std::move(inner)), m_left(survivingOperations) {}

    Status write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
        return alive() ? ForwardingFile::write(offset, data) : makeError("killed");
    }
    Status truncate(std::uint64_t size) override {
        return alive() ? ForwardingFile::truncate(size) : makeError("killed");
    }
    Status flush() override { return alive() ? ForwardingFile::flush() : makeError("killed"); }
    bool failed() const override { return m_left < 0; }

  private:
    bool alive() { return --m_left >= 0; }
    int m_left;
};

/// A disk that fills up at `capacity` bytes. With `Write` a write past it stores what fits and
/// fails; with `Flush` the writes seem to succeed and the next flush fails, as with delayed
/// allocation. Cutting the file back frees the space again.
class FullDiskFile final : public ForwardingFile {
  public:
    enum class FailsAt { Write, Flush };

    FullDiskFile(std::unique_ptr<RandomAccessFile> inner, std::uint64_t capacity, FailsAt failsAt)
        : ForwardingFile(std::move(inner)), m_capacity(capacity), m_failsAt(failsAt) {}

    Status write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
        const auto end = offset + data.size();
        if (end <= m_capacity || m_failsAt == FailsAt::Flush) {
            m_overfull = m_overfull || end > m_capacity;
            return ForwardingFile::write(offset, data);
        }
        if (offset < m_capacity)
            (void)ForwardingFile::write(offset, data.first(std::size_t(m_capacity - offset)));
        m_failed = true;
        return makeError("cannot write the file: No space left on device");
    }
    Status truncate(std::uint64_t size) override {
        m_overfull = m_overfull && size > m_capacity;
        return ForwardingFile::truncate(size);
    }
    Status flush() override {
        m_failed = m_failed || m_overfull;
        return m_overfull ? makeError("cannot flush the file to disk: No space left on device")
                          : ForwardingFile::flush();
    }
    bool failed() const override { return m_failed; }

  private:
    std::uint64_t m_capacity;
    FailsAt m_failsAt;
    bool m_overfull = false;
    bool m_failed = false;
};

/// One change of the file; a flush is a barrier between them.
struct DiskOperation {
    enum class Kind { Write, Truncate, Flush };
    Kind kind = Kind::Write;
    std::uint64_t offset = 0; // write: where; truncate: the new size
    std::vector<std::uint8_t> bytes;
};

/// A memory file that also logs everything done to it.
class RecordingFile final : public ForwardingFile {
  public:
    explicit RecordingFile(std::vector<std::uint8_t> bytes)
        : ForwardingFile(std::make_unique<MemoryFile>(std::move(bytes))) {}

    Status write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
        m_log.push_back({DiskOperation::Kind::Write, offset, {data.begin(), data.end()}});
        return ForwardingFile::write(offset, data);
    }
    Status truncate(std::uint64_t size) override {
        m_log.push_back({DiskOperation::Kind::Truncate, size, {}});
        return ForwardingFile::truncate(size);
    }
    Status flush() override {
        m_log.push_back({DiskOperation::Kind::Flush, 0, {}});
        return {};
    }

    const std::vector<DiskOperation>& log() const { return m_log; }
    std::vector<std::uint8_t> bytes() {
        return *ForwardingFile::read(0, std::size_t(*ForwardingFile::size()));
    }

  private:
    std::vector<DiskOperation> m_log;
};

inline void applyOperation(std::vector<std::uint8_t>& disk, const DiskOperation& op) {
    if (op.kind == DiskOperation::Kind::Truncate) {
        disk.resize(std::size_t(op.offset));
    } else if (op.kind == DiskOperation::Kind::Write) {
        disk.resize(std::max(disk.size(), std::size_t(op.offset + op.bytes.size())));
        std::copy(op.bytes.begin(), op.bytes.end(), disk.begin() + std::ptrdiff_t(op.offset));
    }
}

/// Which of `count` unflushed operations reach the disk: every subset while there are few,
/// else each prefix, each suffix and each with one left out.
inline std::vector<std::vector<bool>> survivingSubsets(std::size_t count) {
    std::vector<std::vector<bool>> subsets;
    if (count <= 10) {
        for (std::uint32_t mask = 0; mask < (1u << count); ++mask) {
            subsets.emplace_back(count);
            for (std::size_t i = 0; i < count; ++i)
                subsets.back()[i] = (mask >> i) & 1u;
        }
        return subsets;
    }
    for (std::size_t n = 0; n <= count; ++n) {
        std::vector<bool> prefix(count), suffix(count), allButOne(count, true);
        for (std::size_t i = 0; i < count; ++i) {
            prefix[i] = i < n;
            suffix[i] = i >= n;
        }
        subsets.push_back(std::move(prefix));
        subsets.push_back(std::move(suffix));
        if (n < count) {
            allButOne[n] = false;
            subsets.push_back(std::move(allButOne));
        }
    }
    return subsets;
}

/// Every distinct disk state a power cut during `log`, applied to `start`, could leave: all that
/// was flushed, plus any subset of the operations after the last completed flush (in the order
/// they were made: a later write over the same bytes replaces the earlier one in the cache).
/// The last state is what is on the disk for certain once the log has run.
inline std::vector<std::vector<std::uint8_t>>
powerCutStates(const std::vector<std::uint8_t>& start, const std::vector<DiskOperation>& log) {
    std::set<std::vector<std::uint8_t>> states;
    std::vector<std::uint8_t> durable = start;
    std::vector<const DiskOperation*> pending;
    auto cutNow = [&] {
        for (const auto& subset : survivingSubsets(pending.size())) {
            auto disk = durable;
            for (std::size_t i = 0; i < pending.size(); ++i)
                if (subset[i])
                    applyOperation(disk, *pending[i]);
            states.insert(std::move(disk));
        }
    };
    for (const auto& op : log) {
        if (op.kind != DiskOperation::Kind::Flush) {
            pending.push_back(&op);
            continue;
        }
        cutNow();
        for (const auto* p : pending)
            applyOperation(durable, *p);
        pending.clear();
    }
    cutNow();
    std::vector<std::vector<std::uint8_t>> all(states.begin(), states.end());
    all.push_back(durable);
    return all;
}

} // namespace korvel::qtff::testing
