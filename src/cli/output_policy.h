// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "cli/shotlog_commands.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

class Session;

/// Which files a command may write: never one it reads (the protected files), and an existing
/// file only as --on-exists (or the person) says. Every refusal says which file and why.
class OutputPolicy {
  public:
    OutputPolicy(Session& session, OnExists onExists, std::vector<std::string> protectedFiles)
        : m_session(session), m_onExists(onExists), m_protected(std::move(protectedFiles)) {}

    /// Whether `path` may be written now. A protected file or --on-exists abort stops the run
    /// (stopped() turns true); an existing file to keep is skipped.
    bool mayWrite(const std::string& path);
    bool stopped() const { return m_stopped; }
    /// Writes a text that mayWrite accepted, replacing only the file that was there when asked.
    Status writeText(const std::string& path, std::string_view text) const;

  private:
    Session& m_session;
    OnExists m_onExists;
    std::vector<std::string> m_protected;
    std::set<std::string> m_replaceable;
    bool m_stopped = false;
};

} // namespace korvel
