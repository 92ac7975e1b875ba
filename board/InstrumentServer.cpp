// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/InstrumentServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace kel::board {

namespace {

// A client that sends a line longer than this without its end is dropped.
constexpr std::size_t kMaxLine = 64 * 1024;

struct Client {
    int fd = -1;
    std::string input;
};

// Sends all of text; false when the client is gone.
bool SendAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t sent = send(fd, text.data(), text.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && errno == EAGAIN) {
            pollfd entry{fd, POLLOUT, 0};
            poll(&entry, 1, 1000);
            continue;
        }
        if (sent <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

} // namespace

InstrumentServer::InstrumentServer(BoardTray& tray, int port, std::string identity)
    : instrument_(tray, std::move(identity)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    const int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listener_ < 0 || wake_ < 0 ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0) {
        error_ = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        return;
    }
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::jthread([this](std::stop_token stop) { Serve(stop); });
}

InstrumentServer::~InstrumentServer() {
    Stop();
    if (listener_ >= 0)
        close(listener_);
    if (wake_ >= 0)
        close(wake_);
}

std::string InstrumentServer::Url() const {
    return "tcp://127.0.0.1:" + std::to_string(port_);
}

void InstrumentServer::Stop() {
    if (!thread_.joinable())
        return;
    thread_.request_stop();
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
    thread_.join();
}

void InstrumentServer::Serve(std::stop_token stop) {
    std::vector<Client> clients;
    while (!stop.stop_requested()) {
        std::vector<pollfd> waits{{wake_, POLLIN, 0}, {listener_, POLLIN, 0}};
        for (const Client& client : clients)
            waits.push_back({client.fd, POLLIN, 0});
        if (poll(waits.data(), waits.size(), -1) < 0 && errno != EINTR)
            break;
        // A client accepted below was not polled: it is read from next time.
        const std::size_t polled = clients.size();
        if (waits[1].revents & POLLIN) {
            const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                const int on = 1;
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                clients.push_back({fd, {}});
            }
        }
        for (std::size_t i = 0; i < polled; ++i) {
            if (!waits[i + 2].revents)
                continue;
            Client& client = clients[i];
            char buffer[4096];
            const ssize_t got = recv(client.fd, buffer, sizeof buffer, 0);
            bool keep = got > 0 || (got < 0 && (errno == EAGAIN || errno == EINTR));
            if (got > 0)
                client.input.append(buffer, static_cast<std::size_t>(got));
            for (std::size_t end = client.input.find('\n'); keep && end != std::string::npos;
                 end = client.input.find('\n')) {
                std::string line = client.input.substr(0, end);
                client.input.erase(0, end + 1);
                if (line.ends_with('\r'))
                    line.pop_back();
                const auto reply = instrument_.HandleLine(line);
                if (reply)
                    keep = SendAll(client.fd, *reply + "\n");
            }
            if (keep && client.input.size() <= kMaxLine)
                continue;
            close(client.fd);
            client.fd = -1;
        }
        std::erase_if(clients, [](const Client& client) { return client.fd < 0; });
    }
    for (const Client& client : clients)
        close(client.fd);
}

} // namespace kel::board
