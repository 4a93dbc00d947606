// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <cstddef>
#include <string>

namespace korvel {

/// Whether moving a finished file into place may replace a file found under the final name.
enum class ExistingTarget { Keep, Replace };

/// The way every output reaches its final name: written under a name of its own beside the
/// target, then moved into place whole. The temporary name is unpredictable, created exclusively
/// and never through a symbolic link, starts with "." and ends with kTemporarySuffix, so no
/// later run takes a leftover for a movie or a list. Until commit() the file is removed by the
/// destructor, at exit, and on SIGINT, SIGTERM or SIGHUP once installInterruptCleanup() ran.
class TemporaryFile {
  public:
    static constexpr const char* kTemporarySuffix = ".korvel-partial";

    /// A new empty file beside `target`, with the permissions of the file `target` names, else
    /// those an ordinary create gives.
    static Result<TemporaryFile> createBeside(const std::string& target);

    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile();

    int descriptor() const { return m_fd; }
    /// Appends `size` bytes through the descriptor.
    Status writeAll(const void* data, std::size_t size);
    /// Hands the descriptor over (to a stdio stream, say); its new owner flushes and closes it.
    int releaseDescriptor();
    const std::string& path() const { return m_path; }
    const std::string& target() const { return m_target; }

    /// Flushes and closes the descriptor if still held, then gives the file its final name in one
    /// step. With ExistingTarget::Keep a file that reached the final name meanwhile (another run,
    /// say) stays as it is and the commit fails, leaving nothing of this one behind.
    Status commit(ExistingTarget existing);

  private:
    TemporaryFile(int fd, std::string path, std::string target);
    void discard();

    int m_fd = -1;
    std::string m_path;
    std::string m_target;
    int m_slot = -1;
};

/// Removes every uncommitted temporary file when the process is interrupted (SIGINT, SIGTERM,
/// SIGHUP), then lets the signal end the process as it would have. Call once, early in main.
void installInterruptCleanup();

} // namespace korvel
