#pragma once

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <winsock2.h>

// The far end of a serial line whose near end this program opens as COM<n>: a pseudo-terminal
// on the Linux side under Wine (made by tests/windows/run-wine --pty n), driven over TCP.
class PtyLine {
public:
    explicit PtyLine(int com) {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        const char* control = std::getenv(("BRISK_PTY_COM" + std::to_string(com)).c_str());
        if (control == nullptr)
            return;
        socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = ::htons(static_cast<u_short>(std::atoi(control)));
        at.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        if (::connect(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
            ::closesocket(socket_);
            socket_ = INVALID_SOCKET;
        }
    }
    ~PtyLine() {
        if (socket_ != INVALID_SOCKET)
            ::closesocket(socket_);
        ::WSACleanup();
    }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    bool Ready() const { return socket_ != INVALID_SOCKET; }
    // Sends bytes from the far end to this program.
    void Send(const std::string& bytes) { EXPECT_EQ(Ask("W " + Hex(bytes)), "OK"); }
    // What this program sent: up to count bytes, waiting up to ms for them.
    std::string Received(int count, int ms = 2000) {
        const std::string reply = Ask("R " + std::to_string(count) + " " + std::to_string(ms));
        std::string bytes;
        for (std::size_t i = 2; i + 1 < reply.size(); i += 2)
            bytes += static_cast<char>(std::stoi(reply.substr(i, 2), nullptr, 16));
        return bytes;
    }
    // The line settings the terminal has now: "<baud> <parity letter> <data bits> <stop bits>".
    std::string Settings() {
        const std::string reply = Ask("A");
        return reply.size() > 2 ? reply.substr(2) : reply;
    }
    // From now on the far end answers the identify command "<V" with reply, as a receiver does.
    void AnswerIdentify(const std::string& reply) { EXPECT_EQ(Ask("I " + Hex(reply)), "OK"); }

private:
    static std::string Hex(const std::string& bytes) {
        static const char digits[] = "0123456789abcdef";
        std::string hex;
        for (const unsigned char c : bytes) {
            hex += digits[c >> 4];
            hex += digits[c & 15];
        }
        return hex.empty() ? "00" : hex;
    }
    std::string Ask(const std::string& command) {
        const std::string line = command + "\n";
        ::send(socket_, line.data(), static_cast<int>(line.size()), 0);
        std::string reply;
        char c = 0;
        while (::recv(socket_, &c, 1, 0) == 1 && c != '\n')
            reply += c;
        return reply;
    }

    SOCKET socket_ = INVALID_SOCKET;
};
