// SPDX-License-Identifier: MIT
#pragma once

#include "base/version.h"

#include <functional>
#include <string>
#include <string_view>

namespace korvel {

/// The output log: one shared, append-only text in which every operation reports what it did.
/// Lines end with a single carriage return. The front end shows it and is told of every change.
class KTLogController {
  public:
    /// Called after every change with the entry just appended (empty after a clear), so that a
    /// window can redraw the whole log or a terminal can print the entry.
    using Listener = std::function<void(std::string_view entry)>;

    static constexpr std::string_view kBanner = kLogBannerText;

    /// Starts the log with the banner, appended as an entry (so an empty line follows it).
    KTLogController();

    void setListener(Listener listener) { m_listener = std::move(listener); }

    /// Appends `value` and a carriage return.
    void KTAddLogEntry(std::string_view value);
    /// Leaves only the banner line.
    void KTClearLog();

    const std::string& logString() const { return m_logString; }

  private:
    void notify(std::string_view entry) const;

    std::string m_logString;
    Listener m_listener;
};

} // namespace korvel
