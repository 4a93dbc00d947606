// SPDX-License-Identifier: MIT
#pragma once

// Where every sample of a track lies and when it plays, built from the sample tables ('stts',
// 'ctts', 'stss', 'stsz', 'stsc', 'stco'/'co64') alone, so that a player can seek to any frame
// and find its key frame without scanning the media.

#include "base/result.h"
#include "qtff/movie.h"

#include <cstdint>
#include <vector>

namespace korvel::qtff {

struct Sample {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    /// Media time the sample is decoded at, and its duration (media time scale).
    std::int64_t decodeTime = 0;
    std::uint32_t duration = 0;
    /// Composition offset: the sample is shown at decodeTime + compositionOffset.
    std::int32_t compositionOffset = 0;
    /// 1-based index into the sample descriptions.
    std::uint32_t descriptionIndex = 1;
    bool sync = true;

    std::int64_t presentationTime() const { return decodeTime + compositionOffset; }
};

/// The samples of one track in decode order.
struct SampleTable {
    std::vector<Sample> samples;
};

/// Reads the sample tables of a 'trak' atom. Every count and offset is checked against the
/// tables' real sizes; a table that disagrees with another fails the whole read.
Result<SampleTable> readSampleTable(const Atom& trak);

} // namespace korvel::qtff
