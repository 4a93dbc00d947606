// SPDX-License-Identifier: MIT
#include "app/log_controller.h"

namespace korvel {

KTLogController::KTLogController() {
    KTAddLogEntry(kBanner);
}

void KTLogController::KTAddLogEntry(std::string_view value) {
    m_logString += value;
    m_logString += '\r';
    notify(value);
}

void KTLogController::KTClearLog() {
    m_logString = kBanner;
    notify({});
}

void KTLogController::notify(std::string_view entry) const {
    if (m_listener) {
        m_listener(entry);
    }
}

} // namespace korvel
