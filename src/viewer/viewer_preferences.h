// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

namespace korvel::viewer {

// The preferences the viewer reads (the same keys as the rest of the application).
inline constexpr std::string_view kPrefTVSys = "TVSys";
inline constexpr std::string_view kPrefDF = "DF";
inline constexpr std::string_view kPrefBWFAutoCode = "BWFAutoCode";
inline constexpr std::string_view kPrefLastMovieFile = "lastMovieFile";
/// The memory decoded frames may hold, in bytes (absent or 0: 1 GiB).
inline constexpr std::string_view kPrefFrameCacheBytes = "ViewerFrameCacheBytes";

} // namespace korvel::viewer
