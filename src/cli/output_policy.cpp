// SPDX-License-Identifier: MIT
#include "cli/output_policy.h"

#include "cli/session.h"
#include "platform/file_identity.h"
#include "platform/text_file.h"

#include <iostream>
#include <sys/stat.h>

namespace korvel {

bool OutputPolicy::mayWrite(const std::string& path) {
    if (m_stopped) {
        return false;
    }
    for (const std::string& file : m_protected) {
        if (!file.empty() && sameFile(path, file)) {
            std::cerr << "korvel: " << path << " is " << file
                      << ", which this run reads or writes; stopped without writing it\n";
            m_stopped = true;
            return false;
        }
    }
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) != 0) {
        return true;
    }
    switch (resolveExisting(m_session, m_onExists, path)) {
    case OnExists::Replace:
        m_replaceable.insert(path);
        return true;
    case OnExists::Abort:
        std::cerr << "korvel: " << path << " exists; stopped (--on-exists abort)\n";
        m_stopped = true;
        return false;
    default:
        std::cerr << "korvel: " << path << " exists; left as it is (--on-exists replace)\n";
        return false;
    }
}

Status OutputPolicy::writeText(const std::string& path, std::string_view text) const {
    return writeTextFileInPlaceOf(path, text,
                                  m_replaceable.count(path) != 0 ? ExistingTarget::Replace
                                                                 : ExistingTarget::Keep);
}

} // namespace korvel
