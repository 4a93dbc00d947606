// SPDX-License-Identifier: MIT
#pragma once

// A power cut, not only a killed process: what was written after the last completed flush may
// be lost, any part of it, in any combination. RecordingFile logs the writes, truncations and
// flushes of an edit; powerCutStates() gives back every disk state a cut could leave.

#include "qtff/file_io.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

namespace korvel::qtff::testing {

/// One change of the file as the edit made it; a flush is a barrier between them.
struct DiskOperation {
    enum class Kind { Write, Truncate, Flush };
    Kind kind = Kind::Write;
    std::uint64_t offset = 0; // write: where; truncate: the new size
    std::vector<std::uint8_t> bytes;
};

/// A memory file that also records everything done to it.
class RecordingFile final : public RandomAccessFile {
  public:
    explicit RecordingFile(std::vector<std::uint8_t> bytes) : m_file(std::move(bytes)) {}

    Result<std::uint64_t> size() override { return m_file.size(); }
    Result<std::vector<std::uint8_t>> read(std::uint64_t offset, std::size_t count) override {
        return m_file.read(offset, count);
    }
    Status write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
        m_log.push_back({DiskOperation::Kind::Write, offset, {data.begin(), data.end()}});
        return m_file.write(offset, data);
    }
    Status truncate(std::uint64_t size) override {
        m_log.push_back({DiskOperation::Kind::Truncate, size, {}});
        return m_file.truncate(size);
    }
    Status flush() override {
        m_log.push_back({DiskOperation::Kind::Flush, 0, {}});
        return {};
    }
    bool writable() const override { return true; }

    const std::vector<DiskOperation>& log() const { return m_log; }
    const std::vector<std::uint8_t>& bytes() const { return m_file.bytes(); }

  private:
    MemoryFile m_file;
    std::vector<DiskOperation> m_log;
};

inline void applyOperation(std::vector<std::uint8_t>& disk, const DiskOperation& op) {
    if (op.kind == DiskOperation::Kind::Truncate) {
        disk.resize(std::size_t(op.offset));
    } else if (op.kind == DiskOperation::Kind::Write) {
        if (op.offset + op.bytes.size() > disk.size())
            disk.resize(std::size_t(op.offset + op.bytes.size()));
        std::copy(op.bytes.begin(), op.bytes.end(), disk.begin() + std::ptrdiff_t(op.offset));
    }
}

/// Which of `count` unflushed operations reach the disk: every subset while there are few,
/// else each prefix, each suffix and each with one left out.
inline std::vector<std::vector<bool>> survivingSubsets(std::size_t count) {
    constexpr std::size_t kEverySubsetUpTo = 10;
    std::vector<std::vector<bool>> subsets;
    if (count <= kEverySubsetUpTo) {
        for (std::uint32_t mask = 0; mask < (1u << count); ++mask) {
            std::vector<bool> subset(count);
            for (std::size_t i = 0; i < count; ++i)
                subset[i] = (mask >> i) & 1u;
            subsets.push_back(std::move(subset));
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
/// was flushed, plus any subset of the operations after the last completed flush (applied in the
/// order they were made, since a later write over the same bytes replaces the earlier one in the
/// cache before either reaches the disk).
inline std::set<std::vector<std::uint8_t>> powerCutStates(const std::vector<std::uint8_t>& start,
                                                          const std::vector<DiskOperation>& log) {
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
    return states;
}

/// What is on the disk for certain once the log has run: everything up to its last flush.
inline std::vector<std::uint8_t> flushedState(const std::vector<std::uint8_t>& start,
                                              const std::vector<DiskOperation>& log) {
    auto disk = start;
    std::vector<std::uint8_t> flushed = start;
    for (const auto& op : log) {
        applyOperation(disk, op);
        if (op.kind == DiskOperation::Kind::Flush)
            flushed = disk;
    }
    return flushed;
}

} // namespace korvel::qtff::testing
