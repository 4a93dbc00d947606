// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <string>
#include <vector>

namespace korvel {

/// True when both paths name one file: the same device and inode once links are followed (so
/// also two spellings that differ only in case on a file system that ignores case), or, while
/// neither exists, the same absolute path.
bool sameFile(const std::string& a, const std::string& b);

/// Fails, naming both, when an output is the same file as one of the inputs or as an earlier
/// output; checked before anything is written.
Status checkOutputsSpareInputs(const std::vector<std::string>& inputs,
                               const std::vector<std::string>& outputs);

} // namespace korvel
