#include "ReceiverSimulator.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

ReceiverSimulator::ReceiverSimulator(ReceiverOptions options) : options_(std::move(options)) {
    // Raw from the start: a slave in its default cooked mode would echo the program's bytes
    // back to it before the program has set the line up.
    struct termios raw {};
    ::cfmakeraw(&raw);
    ::cfsetspeed(&raw, B9600);
    raw.c_cflag |= CLOCAL | CREAD;
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    slavePath_ = name;
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    stopEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread(&ReceiverSimulator::Run, this);
}

ReceiverSimulator::~ReceiverSimulator() {
    Hangup();
    if (stopEvent_ >= 0)
        ::close(stopEvent_);
}

void ReceiverSimulator::Stop() {
    if (!thread_.joinable())
        return;
    const std::uint64_t one = 1;
    while (::write(stopEvent_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    thread_.join();
}

void ReceiverSimulator::Hangup() {
    Stop();
    std::lock_guard<std::mutex> guard(writeLock_);
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
}

std::string ReceiverSimulator::Reply(const ReceiverOptions& options) {
    std::string id = options.identifier;
    switch (options.mode) {
    case ReplyMode::Silent:
        return {};
    case ReplyMode::Echo:
        return "<V\r" + id + options.replyTail + "\r";
    case ReplyMode::LowerCase:
        std::transform(id.begin(), id.end(), id.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return "\r" + id + options.replyTail + "\r";
    case ReplyMode::Short:
        return "\r" + id.substr(0, 3) + "\r";
    case ReplyMode::NoCR:
        return "\r" + id + options.replyTail;
    case ReplyMode::Normal:
        break;
    }
    return "\r" + id + options.replyTail + "\r";
}

void ReceiverSimulator::Run() {
    char buffer[4096];
    for (;;) {
        pollfd fds[2] = {{stopEvent_, POLLIN, 0}, {master_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents & POLLIN)
            return;
        if (fds[1].revents & (POLLERR | POLLNVAL))
            return;
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            if (fds[1].revents & POLLHUP) {
                // Nobody on the slave side: wait for one instead of spinning on the hang-up.
                pollfd stop{stopEvent_, POLLIN, 0};
                if (::poll(&stop, 1, 20) > 0)
                    return;
            }
            continue;
        }
        int commands = 0;
        {
            std::lock_guard<std::mutex> guard(lock_);
            received_.append(buffer, static_cast<std::size_t>(n));
            for (ssize_t i = 0; i < n; ++i) {
                if (afterCommandStart_ && buffer[i] == 'V')
                    ++commands;
                afterCommandStart_ = buffer[i] == '<';
            }
            identifyCount_ += commands;
        }
        changed_.notify_all();
        for (int k = 0; k < commands; ++k)
            Answer();
    }
}

void ReceiverSimulator::Answer() {
    if (options_.mode == ReplyMode::Silent)
        return;
    if (options_.replyDelay.count() > 0) {
        pollfd stop{stopEvent_, POLLIN, 0};
        if (::poll(&stop, 1, static_cast<int>(options_.replyDelay.count())) > 0)
            return;
    }
    SendRaw(Reply(options_));
}

void ReceiverSimulator::SendReading(const std::string& text, char endOfPacket) {
    SendRaw(text + endOfPacket);
}

void ReceiverSimulator::SendRaw(const std::string& bytes) {
    std::lock_guard<std::mutex> guard(writeLock_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    std::size_t done = 0;
    while (master_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return;
        pollfd out{master_, POLLOUT, 0};
        ::poll(&out, 1, static_cast<int>(left.count()));
    }
}

std::string ReceiverSimulator::Received() const {
    std::lock_guard<std::mutex> guard(lock_);
    return received_;
}

bool ReceiverSimulator::WaitForReceived(std::size_t count,
                                        std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, timeout, [&] { return received_.size() >= count; });
}

int ReceiverSimulator::IdentifyCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return identifyCount_;
}
