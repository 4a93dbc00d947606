// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

namespace korvel {

/// The system console: diagnostics for failed steps after which an operation goes on.
class Console {
  public:
    virtual ~Console() = default;
    virtual void diagnostic(std::string_view message) = 0;
};

/// Writes each diagnostic as one line on standard error.
class StandardErrorConsole final : public Console {
  public:
    void diagnostic(std::string_view message) override;
};

} // namespace korvel
