// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace korvel::test {

/// A one-purpose HTTP server on 127.0.0.1 for the length of a test: every request gets the same
/// answer, or, when `silent`, a connection that is accepted and never answered.
class LocalHttpServer {
  public:
    /// Answers 200 with `body`.
    static LocalHttpServer answering(std::string body) { return LocalHttpServer(ok(body), false); }
    /// Answers with `response` exactly as given (status line, headers and body).
    static LocalHttpServer raw(std::string response) {
        return LocalHttpServer(std::move(response), false);
    }
    static LocalHttpServer silent() { return LocalHttpServer({}, true); }

    ~LocalHttpServer();
    LocalHttpServer(LocalHttpServer&& other) = delete;
    LocalHttpServer& operator=(LocalHttpServer&&) = delete;

    /// "http://127.0.0.1:PORT/version.plist".
    std::string url() const;

    static std::string ok(const std::string& body);

  private:
    LocalHttpServer(std::string response, bool silent);
    void serve();

    std::string m_response;
    bool m_silent;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

/// A port on 127.0.0.1 that refuses connections for as long as this object lives: it is bound,
/// so no one else takes it, and never listened on.
class RefusingPort {
  public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    std::string url() const;

  private:
    int m_socket = -1;
    int m_port = 0;
};

} // namespace korvel::test
