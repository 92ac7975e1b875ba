// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A TCP peer on loopback that plays an instrument from a script: each line
// it receives goes to the answer function, which gives the reply line, no
// reply, or tells it to send a piece of a reply and hang up. Every line is
// kept, so a test checks what the client sent.

#include <arpa/inet.h>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kel::test {

struct PeerReply {
    PeerReply() = default;
    PeerReply(const char* reply) : line(reply) {}
    // Sends partial, then closes the connection.
    static PeerReply HangUp(std::string partial) {
        PeerReply reply;
        reply.partial = std::move(partial);
        reply.hangUp = true;
        return reply;
    }

    std::optional<std::string> line; // sent with a line feed
    std::string partial;
    bool hangUp = false;
};

class ScriptedPeer {
public:
    using Answer = std::function<PeerReply(const std::string& line, int connection)>;

    explicit ScriptedPeer(Answer answer) : answer_(std::move(answer)) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        socklen_t length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::jthread([this](std::stop_token stop) { Serve(stop); });
    }
    ~ScriptedPeer() {
        thread_.request_stop();
        thread_.join();
        close(listener_);
    }

    std::string Url() const { return "tcp://127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> Lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    int Connections() {
        std::lock_guard lock(mutex_);
        return connections_;
    }

private:
    // Waits for fd to be readable, giving up when stopped.
    static bool Readable(int fd, const std::stop_token& stop) {
        while (!stop.stop_requested()) {
            pollfd entry{fd, POLLIN, 0};
            if (poll(&entry, 1, 20) > 0)
                return true;
        }
        return false;
    }

    void Serve(std::stop_token stop) {
        while (Readable(listener_, stop)) {
            const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            int connection = 0;
            {
                std::lock_guard lock(mutex_);
                connection = connections_++;
            }
            Converse(fd, connection, stop);
            close(fd);
        }
    }

    void Converse(int fd, int connection, const std::stop_token& stop) {
        std::string input;
        while (Readable(fd, stop)) {
            char buffer[512];
            const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                return;
            input.append(buffer, static_cast<std::size_t>(got));
            for (std::size_t end = input.find('\n'); end != std::string::npos;
                 end = input.find('\n')) {
                const std::string line = input.substr(0, end);
                input.erase(0, end + 1);
                {
                    std::lock_guard lock(mutex_);
                    lines_.push_back(line);
                }
                const PeerReply reply = answer_(line, connection);
                if (reply.hangUp) {
                    send(fd, reply.partial.data(), reply.partial.size(), MSG_NOSIGNAL);
                    return;
                }
                if (reply.line) {
                    const std::string out = *reply.line + "\n";
                    send(fd, out.data(), out.size(), MSG_NOSIGNAL);
                }
            }
        }
    }

    Answer answer_;
    int listener_ = -1;
    int port_ = 0;
    std::mutex mutex_;
    std::vector<std::string> lines_;
    int connections_ = 0;
    std::jthread thread_;
};

// Answers *IDN? and an empty error queue, as every instrument does; other
// lines go to more.
inline ScriptedPeer::Answer Instrument(ScriptedPeer::Answer more) {
    return [more](const std::string& line, int connection) -> PeerReply {
        if (line == "*IDN?")
            return {"Maker,Model 1,SN42,1.0"};
        if (line == "SYSTem:ERRor?")
            return {"+0,\"No error\""};
        if (line == "*CLS")
            return {};
        return more(line, connection);
    };
}

} // namespace kel::test
