// SPDX-License-Identifier: MIT
#include "platform/http_fetch.h"

#include "base/version.h"

#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace korvel {
namespace {

struct Body {
    std::string bytes;
    std::size_t maxBytes = 0;
    bool tooLong = false;
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* userData) {
    auto* body = static_cast<Body*>(userData);
    const std::size_t bytes = size * count;
    if (body->bytes.size() + bytes > body->maxBytes) {
        body->tooLong = true;
        return 0; // makes curl stop with a write error
    }
    body->bytes.append(data, bytes);
    return bytes;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

} // namespace

Result<std::string> httpGet(const std::string& url, const HttpFetchOptions& options) {
    const bool https = startsWith(url, "https://");
    if (!https && !startsWith(url, "http://")) {
        return makeError("not an http:// or https:// address: " + url);
    }
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        return makeError("cannot start a download");
    }
    Body body;
    body.maxBytes = options.maxBytes;
    char message[CURL_ERROR_SIZE] = {};
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    // An https address is never followed down to plain http.
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, https ? "https" : "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(options.timeout.count()));
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L); // no SIGALRM in a worker thread
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    const std::string agent = "Korvel Tools/" + std::string(kVersionText);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, message);

    const CURLcode code = curl_easy_perform(handle);
    if (body.tooLong) {
        return makeError(url + " answered more than " + std::to_string(options.maxBytes) +
                         " bytes");
    }
    if (code != CURLE_OK) {
        return makeError("cannot fetch " + url + ": " +
                         (message[0] != '\0' ? std::string(message) : curl_easy_strerror(code)));
    }
    return std::move(body.bytes);
}

} // namespace korvel
