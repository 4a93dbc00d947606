// SPDX-License-Identifier: MIT
#include "qtff/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace korvel::qtff {
namespace {

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

class PosixFile final : public RandomAccessFile {
  public:
    PosixFile(int fd, bool writable) : m_fd(fd), m_writable(writable) {}
    ~PosixFile() override { ::close(m_fd); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    Result<std::uint64_t> size() override {
        struct stat st {};
        if (::fstat(m_fd, &st) != 0)
            return makeError(systemError("cannot read the file size"));
        return std::uint64_t(st.st_size);
    }

    Result<std::vector<std::uint8_t>> read(std::uint64_t offset, std::size_t count) override {
        std::vector<std::uint8_t> out(count);
        std::size_t done = 0;
        while (done < count) {
            const auto n = ::pread(m_fd, out.data() + done, count - done, off_t(offset + done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return makeError(systemError("cannot read the file"));
            }
            if (n == 0)
                return makeError("unexpected end of file at offset " +
                                 std::to_string(offset + done));
            done += std::size_t(n);
        }
        return out;
    }

    Status write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
        std::size_t done = 0;
        while (done < data.size()) {
            const auto n =
                ::pwrite(m_fd, data.data() + done, data.size() - done, off_t(offset + done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return makeError(systemError("cannot write the file"));
            }
            done += std::size_t(n);
        }
        return {};
    }

    Status truncate(std::uint64_t size) override {
        while (::ftruncate(m_fd, off_t(size)) != 0) {
            if (errno != EINTR)
                return makeError(systemError("cannot cut the file back to its size"));
        }
        return {};
    }

    Status flush() override {
#if defined(__APPLE__)
        if (::fcntl(m_fd, F_FULLFSYNC) == 0)
            return {};
        if (::fsync(m_fd) != 0)
            return makeError(systemError("cannot flush the file to disk"));
#else
        // The data and what is needed to read it back (the file size) are what must be durable;
        // the modification time need not cost a journal commit per step.
        if (::fdatasync(m_fd) != 0)
            return makeError(systemError("cannot flush the file to disk"));
#endif
        return {};
    }

    bool writable() const override {
        return m_writable;
    }

  private:
    int m_fd;
    bool m_writable;
};

// Polls rather than blocks: a writer that hangs (a stalled network volume) must not hang us.
Status lockForWriting(int fd, const std::string& path, std::chrono::milliseconds wait) {
    constexpr std::chrono::milliseconds kPoll{50};
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        // A volume that keeps no locks (some network and FUSE file systems) is still edited.
        if (errno == ENOLCK || errno == EOPNOTSUPP)
            return {};
        if (errno != EWOULDBLOCK)
            return makeError(systemError("cannot lock " + path));
        if (std::chrono::steady_clock::now() >= deadline) {
            return makeError(path + " is in use: another program is changing it", ErrorKind::InUse);
        }
        std::this_thread::sleep_for(kPoll);
    }
    return {};
}

} // namespace

Result<std::vector<std::uint8_t>> MemoryFile::read(std::uint64_t offset, std::size_t count) {
    if (offset > m_bytes.size() || count > m_bytes.size() - offset) {
        return makeError("unexpected end of file at offset " + std::to_string(offset));
    }
    const auto* p = m_bytes.data() + offset;
    return std::vector<std::uint8_t>(p, p + count);
}

Status MemoryFile::write(std::uint64_t offset, std::span<const std::uint8_t> data) {
    if (!m_writable)
        return makeError("the file is open read-only");
    // Memory files hold headers and test movies; a write far past the end is a caller's error.
    if (offset > m_bytes.size() + (1u << 30))
        return makeError("write far past the end of a memory file");
    if (offset + data.size() > m_bytes.size())
        m_bytes.resize(std::size_t(offset + data.size()));
    std::copy(data.begin(), data.end(), m_bytes.begin() + std::ptrdiff_t(offset));
    return {};
}

Status MemoryFile::truncate(std::uint64_t size) {
    if (!m_writable)
        return makeError("the file is open read-only");
    if (size > m_bytes.size())
        return makeError("a memory file is only ever cut shorter");
    m_bytes.resize(std::size_t(size));
    return {};
}

Result<std::unique_ptr<RandomAccessFile>> openFile(const std::string& path, OpenMode mode,
                                                   std::chrono::milliseconds writerWait) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return makeError(systemError("cannot open " + path));
    if (!S_ISREG(st.st_mode))
        return makeError(path + " is not a regular file");
    const bool writable = mode == OpenMode::ReadWrite;
    if (writable && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return makeError(path + " is read-only");
    }
    const int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return makeError(systemError("cannot open " + path));
    auto file = std::make_unique<PosixFile>(fd, writable);
    if (writable) {
        if (auto s = lockForWriting(fd, path, writerWait); !s)
            return s.error();
    }
    return std::unique_ptr<RandomAccessFile>(std::move(file));
}

} // namespace korvel::qtff
