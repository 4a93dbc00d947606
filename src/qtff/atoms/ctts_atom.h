// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/entry_table_atom.h"

namespace korvel::qtff {

/// 'ctts': how long after its decode time each sample is shown. Entries: sample count,
/// offset (read as signed whatever the version, as players do).
using CttsAtom = EntryTableAtom<fourCC("ctts"), 2>;

} // namespace korvel::qtff
