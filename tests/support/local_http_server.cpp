// SPDX-License-Identifier: MIT
#include "support/local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace korvel::test {
namespace {

// Binds a TCP socket to 127.0.0.1 on a free port; answers the socket and its port.
std::pair<int, int> boundSocket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("cannot bind a socket on 127.0.0.1");
    }
    return {fd, ntohs(address.sin_port)};
}

bool readable(int fd, int milliseconds) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, milliseconds) > 0;
}

// Reads the request up to its blank line, waiting for it no longer than the client would.
void readRequest(int client, const std::atomic<bool>& stop) {
    std::string request;
    char buffer[1024];
    while (!stop && request.find("\r\n\r\n") == std::string::npos) {
        if (!readable(client, 50)) {
            continue;
        }
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return;
        }
        request.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace

std::string LocalHttpServer::ok(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

LocalHttpServer::LocalHttpServer(std::string response, bool silent)
    : m_response(std::move(response)), m_silent(silent) {
    std::tie(m_listener, m_port) = boundSocket();
    if (::listen(m_listener, 8) != 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    m_thread = std::thread([this] { serve(); });
}

LocalHttpServer::~LocalHttpServer() {
    m_stop = true;
    m_thread.join();
    ::close(m_listener);
}

std::string LocalHttpServer::url() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/version.plist";
}

void LocalHttpServer::serve() {
    std::vector<int> held; // silent connections, closed when the server stops
    while (!m_stop) {
        if (!readable(m_listener, 50)) {
            continue;
        }
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        if (m_silent) {
            held.push_back(client);
            continue;
        }
        readRequest(client, m_stop);
        for (std::size_t sent = 0; sent < m_response.size();) {
            const ssize_t n =
                ::send(client, m_response.data() + sent, m_response.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(n);
        }
        ::close(client);
    }
    for (const int client : held) {
        ::close(client);
    }
}

RefusingPort::RefusingPort() {
    std::tie(m_socket, m_port) = boundSocket();
}

RefusingPort::~RefusingPort() {
    ::close(m_socket);
}

std::string RefusingPort::url() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/version.plist";
}

} // namespace korvel::test
