// SPDX-License-Identifier: MIT
#include "base/temporary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/random.h>
#endif

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace korvel {
namespace {

// The temporaries an interrupt must remove. A signal handler can only read memory that is
// complete whenever it runs, so each slot holds a finished C string or nothing, swapped whole.
constexpr std::size_t kRegistrySlots = 64;
std::array<std::atomic<char*>, kRegistrySlots> g_registry{};

// Room for the random part and the suffix within the usual 255-byte limit of a file name.
constexpr std::size_t kLongestKeptName = 200;
constexpr int kNameAttempts = 100;

int registerPath(const std::string& path) {
    char* copy = new char[path.size() + 1];
    std::memcpy(copy, path.c_str(), path.size() + 1);
    for (std::size_t i = 0; i < g_registry.size(); ++i) {
        char* empty = nullptr;
        if (g_registry[i].compare_exchange_strong(empty, copy)) {
            return static_cast<int>(i);
        }
    }
    // Full: the file is still removed by its owner, only not by an interrupt.
    delete[] copy;
    return -1;
}

void unregisterPath(int slot) {
    if (slot >= 0) {
        delete[] g_registry[static_cast<std::size_t>(slot)].exchange(nullptr);
    }
}

// Async-signal-safe: unlink only, on strings that stay valid while they are in a slot.
void removeRegisteredFiles() {
    for (auto& slot : g_registry) {
        if (const char* path = slot.load(); path != nullptr) {
            ::unlink(path);
        }
    }
}

extern "C" void removeTemporariesAndReraise(int signal) {
    const int savedErrno = errno;
    removeRegisteredFiles();
    // SA_RESETHAND put the default action back; the signal, blocked while this runs, is
    // delivered again on return and ends the process as it would have.
    ::raise(signal);
    errno = savedErrno;
}

std::string randomLetters(std::size_t count) {
    static constexpr char kAlphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::array<unsigned char, 16> bytes{};
    bool filled = false;
#if defined(__linux__)
    filled = ::getrandom(bytes.data(), count, 0) == static_cast<ssize_t>(count);
#elif defined(__APPLE__)
    ::arc4random_buf(bytes.data(), count);
    filled = true;
#endif
    if (!filled) {
        static unsigned counter = 0;
        unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u ^
                        static_cast<unsigned>(std::time(nullptr)) ^ (++counter * 40503u);
        for (std::size_t i = 0; i < count; ++i) {
            seed = seed * 1664525u + 1013904223u;
            bytes[i] = static_cast<unsigned char>(seed >> 24);
        }
    }
    std::string letters;
    for (std::size_t i = 0; i < count; ++i) {
        letters += kAlphabet[bytes[i] % (sizeof kAlphabet - 1)];
    }
    return letters;
}

std::string folderPart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string namePart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

Error appearedMeanwhile(const std::string& target) {
    return makeError(target + " was created by someone else while it was being written; it is "
                              "left as it is");
}

// Moves `from` to `to` unless `to` exists, in one step where the file system allows it.
Status moveWithoutReplacing(const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno == EEXIST) {
        return appearedMeanwhile(to);
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return makeError(systemError("cannot rename " + from + " to " + to));
    }
#endif
    // A hard link fails when the name is taken, just as the exclusive rename does.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return {};
    }
    if (errno == EEXIST) {
        return appearedMeanwhile(to);
    }
    // A file system without hard links: the last check and the rename are two steps.
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0) {
        return appearedMeanwhile(to);
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return makeError(systemError("cannot rename " + from + " to " + to));
    }
    return {};
}

void flushFolder(const std::string& folder) {
    // The rename lives in the folder; flush it too so that it survives a power cut.
    if (const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

TemporaryFile::TemporaryFile(int fd, std::string path, std::string target)
    : m_fd(fd), m_path(std::move(path)), m_target(std::move(target)) {}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : m_fd(other.m_fd), m_path(std::move(other.m_path)), m_target(std::move(other.m_target)),
      m_slot(other.m_slot) {
    other.m_fd = -1;
    other.m_path.clear();
    other.m_slot = -1;
}

TemporaryFile::~TemporaryFile() {
    discard();
}

Result<TemporaryFile> TemporaryFile::createBeside(const std::string& target) {
    const std::string folder = folderPart(target);
    const std::string name = namePart(target).substr(0, kLongestKeptName);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string path = folder + "/." + name + "." + randomLetters(6) + kTemporarySuffix;
        // Registered before it exists, so that no interrupt can leave it behind.
        const int slot = registerPath(path);
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int error = errno;
            unregisterPath(slot);
            if (error == EEXIST) {
                continue;
            }
            errno = error;
            return makeError(systemError("cannot create a temporary file in " + folder));
        }
        TemporaryFile file(fd, std::move(path), target);
        file.m_slot = slot;
        // A replaced file keeps its permissions.
        struct stat existing {};
        if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
            ::fchmod(fd, existing.st_mode & 07777) != 0) {
            return makeError(systemError("cannot set the permissions of " + file.m_path));
        }
        return file;
    }
    return makeError("cannot find a free temporary name in " + folder);
}

Status TemporaryFile::writeAll(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(m_fd, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return makeError(systemError("cannot write " + m_path));
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return {};
}

int TemporaryFile::releaseDescriptor() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

Status TemporaryFile::commit(ExistingTarget existing) {
    if (m_path.empty()) {
        return makeError("nothing left to move to " + m_target);
    }
    if (m_fd >= 0) {
        const bool flushed = ::fsync(m_fd) == 0;
        const bool closed = ::close(m_fd) == 0;
        m_fd = -1;
        if (!flushed || !closed) {
            const Error error = makeError(systemError("cannot write " + m_path));
            discard();
            return error;
        }
    }
    Status moved;
    if (existing == ExistingTarget::Replace) {
        if (::rename(m_path.c_str(), m_target.c_str()) != 0) {
            moved = makeError(systemError("cannot rename " + m_path + " to " + m_target));
        }
    } else {
        moved = moveWithoutReplacing(m_path, m_target);
    }
    if (!moved) {
        discard();
        return moved;
    }
    unregisterPath(m_slot);
    m_slot = -1;
    m_path.clear();
    flushFolder(folderPart(m_target));
    return {};
}

void TemporaryFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_path.empty()) {
        ::unlink(m_path.c_str());
        m_path.clear();
    }
    unregisterPath(m_slot);
    m_slot = -1;
}

void installInterruptCleanup() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    std::atexit(removeRegisteredFiles);
    struct sigaction action {};
    action.sa_handler = removeTemporariesAndReraise;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        // A signal the caller chose to ignore (nohup, a background job) stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
            continue;
        }
        ::sigaction(signal, &action, nullptr);
    }
}

} // namespace korvel
