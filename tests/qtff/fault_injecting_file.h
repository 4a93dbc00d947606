// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/file_io.h"

#include <memory>

namespace korvel::qtff::testing {

/// Stands in for the disk of a process that is killed: the first `survivingOperations` writes and
/// flushes reach the file, the next one and everything after it fail without touching it.
class FaultInjectingFile final : public RandomAccessFile {
public:
    FaultInjectingFile(std::unique_ptr<RandomAccessFile> inner, int survivingOperations)
        : m_inner(std::move(inner)), m_left(survivingOperations) {}

    Result<std::uint64_t> size() override { return m_inner->size(); }
    Result<std::vector<std::uint8_t>> read(std::uint64_t offset, std::size_t count) override {
        return m_inner->read(offset, count);
    }
    Status write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
        if (!spend()) return makeError("killed");
        return m_inner->write(offset, data);
    }
    Status flush() override {
        if (!spend()) return makeError("killed");
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

} // namespace korvel::qtff::testing
