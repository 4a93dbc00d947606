// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <chrono>
#include <cstddef>
#include <string>

namespace korvel {

struct HttpFetchOptions {
    /// The whole exchange, connecting included, ends by then.
    std::chrono::milliseconds timeout{10000};
    /// A longer answer is refused: what is fetched is small, and outside data.
    std::size_t maxBytes = 1 << 20;
};

/// GETs `url` (http:// or https://; certificates are checked, redirects followed within the
/// same scheme or up to https) and answers the body of a 2xx answer. Fails on anything else: a
/// bad address, an unreachable host, a timeout, an error status, a body past `maxBytes`.
/// Safe to call from any thread.
Result<std::string> httpGet(const std::string& url, const HttpFetchOptions& options = {});

} // namespace korvel
