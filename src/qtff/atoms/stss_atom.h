// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/entry_table_atom.h"

namespace korvel::qtff {

/// 'stss': the samples that decode on their own; without it, every sample does. Entries:
/// sample numbers, from 1.
using StssAtom = EntryTableAtom<fourCC("stss"), 1>;

} // namespace korvel::qtff
