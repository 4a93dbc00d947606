// SPDX-License-Identifier: MIT
#pragma once

#include "platform/file_attributes.h"

#include <map>
#include <string>

namespace korvel::test {

/// Type and creator codes kept in memory ("TEXTKeyG" by path); setting them can be made to fail,
/// as on a read-only disk.
class MemoryFileAttributes final : public FileAttributes {
  public:
    std::optional<FourCharCode> typeCode(const std::string& path) const override {
        const auto found = codes.find(path);
        if (found == codes.end()) {
            return std::nullopt;
        }
        const std::string& c = found->second;
        return FourCharCode{{c[0], c[1], c[2], c[3]}};
    }
    bool setTypeAndCreator(const std::string& path, FourCharCode type,
                           FourCharCode creator) override {
        if (!readOnly) {
            codes[path] = std::string(type.text()) + std::string(creator.text());
        }
        return !readOnly;
    }

    std::map<std::string, std::string> codes;
    bool readOnly = false;
};

} // namespace korvel::test
