// SPDX-License-Identifier: MIT
#include "platform/file_identity.h"

#include <filesystem>
#include <sys/stat.h>

namespace korvel {
namespace {

std::string normalPath(const std::string& path) {
    std::error_code error;
    const auto canonical =
        std::filesystem::weakly_canonical(std::filesystem::absolute(path), error);
    return error ? path : canonical.lexically_normal().string();
}

} // namespace

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    const bool firstExists = ::stat(a.c_str(), &first) == 0;
    const bool secondExists = ::stat(b.c_str(), &second) == 0;
    if (firstExists && secondExists) {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }
    return !firstExists && !secondExists && normalPath(a) == normalPath(b);
}

Status checkOutputsSpareInputs(const std::vector<std::string>& inputs,
                               const std::vector<std::string>& outputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (const std::string& input : inputs) {
            if (sameFile(outputs[i], input)) {
                return makeError(outputs[i] + " is the input " + input +
                                 "; it would be replaced, so nothing was written");
            }
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (sameFile(outputs[i], outputs[j])) {
                return makeError(outputs[i] + " and " + outputs[j] +
                                 " are one file; one output would replace the other, so nothing "
                                 "was written");
            }
        }
    }
    return {};
}

} // namespace korvel
