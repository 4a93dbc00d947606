// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/entry_table_atom.h"

namespace korvel::qtff {

/// 'stts': when each sample plays, as runs of samples of one duration. Entries: sample
/// count, duration (media time scale).
using SttsAtom = EntryTableAtom<fourCC("stts"), 2>;

} // namespace korvel::qtff
