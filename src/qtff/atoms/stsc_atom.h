// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/entry_table_atom.h"

namespace korvel::qtff {

/// 'stsc': which samples each chunk holds, as runs of chunks alike. Entries: first
/// chunk (from 1), samples per chunk, sample description index (from 1).
using StscAtom = EntryTableAtom<fourCC("stsc"), 3>;

} // namespace korvel::qtff
