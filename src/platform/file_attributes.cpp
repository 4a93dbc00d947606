// SPDX-License-Identifier: MIT
#include "platform/file_attributes.h"

#include <algorithm>
#include <sys/types.h>
#include <sys/xattr.h>

namespace korvel {
namespace {

#ifdef __APPLE__
const char* const kFinderInfoName = "com.apple.FinderInfo";
#else
const char* const kFinderInfoName = "user.com.apple.FinderInfo";
#endif

using FinderInfo = std::array<char, 32>;

std::optional<FinderInfo> readFinderInfo(const std::string& path) {
    FinderInfo info{};
#ifdef __APPLE__
    const ssize_t size = getxattr(path.c_str(), kFinderInfoName, info.data(), info.size(), 0, 0);
#else
    const ssize_t size = getxattr(path.c_str(), kFinderInfoName, info.data(), info.size());
#endif
    if (size != static_cast<ssize_t>(info.size())) {
        return std::nullopt;
    }
    return info;
}

} // namespace

std::optional<FourCharCode>
ExtendedAttributeFileAttributes::typeCode(const std::string& path) const {
    const auto info = readFinderInfo(path);
    if (!info) {
        return std::nullopt;
    }
    FourCharCode code;
    std::copy_n(info->begin(), 4, code.bytes.begin());
    return code;
}

bool ExtendedAttributeFileAttributes::setTypeAndCreator(const std::string& path, FourCharCode type,
                                                        FourCharCode creator) {
    // Keep the Finder flags and location that may already be recorded in the other bytes.
    FinderInfo info = readFinderInfo(path).value_or(FinderInfo{});
    std::copy(type.bytes.begin(), type.bytes.end(), info.begin());
    std::copy(creator.bytes.begin(), creator.bytes.end(), info.begin() + 4);
#ifdef __APPLE__
    return setxattr(path.c_str(), kFinderInfoName, info.data(), info.size(), 0, 0) == 0;
#else
    return setxattr(path.c_str(), kFinderInfoName, info.data(), info.size(), 0) == 0;
#endif
}

} // namespace korvel
