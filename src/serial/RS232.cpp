#include "serial/RS232.h"

#include "serial/TermiosLine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

void SetEvent(int event) {
    const std::uint64_t one = 1;
    while (::write(event, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

// Takes the event's signal if it has one: true when it was signalled.
bool TakeEvent(int event) {
    std::uint64_t value = 0;
    ssize_t n;
    do {
        n = ::read(event, &value, sizeof value);
    } while (n < 0 && errno == EINTR);
    return n == sizeof value;
}

int Poll(pollfd* fds, nfds_t count, int timeoutMs) {
    int ready;
    do {
        ready = ::poll(fds, count, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready;
}

void WaitEvent(int event) {
    pollfd fd{event, POLLIN, 0};
    do {
        Poll(&fd, 1, -1);
    } while (!TakeEvent(event));
}

} // namespace

CRS232::CRS232()
    : TxDReadyEvent(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      StopEvent(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      ThreadEndedEvent(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CRS232::~CRS232() {
    ClosePort();
    for (const int event : {TxDReadyEvent, StopEvent, ThreadEndedEvent})
        if (event >= 0)
            ::close(event);
}

int CRS232::IsOpen() const {
    return OpenFlag;
}

WaitHandle CRS232::Handle() const {
    return OpenFlag ? PortHandle : NoWaitHandle;
}

int CRS232::OpenPort() {
    PortName = "COM" + std::to_string(PortNumber);
    if (OpenFlag)
        ClosePort();
    OpenError = 0;
    TxDHead = TxDTail = TxDCount = 0;
    if (TxDReadyEvent < 0 || StopEvent < 0 || ThreadEndedEvent < 0) {
        OpenError = EMFILE;
        return 0;
    }

    const std::string path = DevicePath ? DevicePath(PortNumber) : std::string();
    if (path.empty()) {
        OpenError = ENODEV;
        return 0;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        OpenError = errno;
        return 0;
    }
    // Only a tty is a serial port: a map entry that names a file or another device is never
    // written to. The lock shuts out every program that locks the device too, root included;
    // TIOCEXCL also shuts out those that do not lock (except root).
    const bool isTty = ::isatty(fd) != 0;
    if (!isTty || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        OpenError = isTty ? EBUSY : ENOTTY;
        ::close(fd);
        return 0;
    }
#ifdef TIOCEXCL
    ::ioctl(fd, TIOCEXCL);
#endif

    PortHandle = fd;
    OpenFlag = 1;
    RxDNext = RxDTaken = 0;
    OpenedPath = path;
    ReadFailed = 0;
    TxDBuffer = std::make_unique<unsigned char[]>(TxDBufferSize);

    LineSettings = BuildLineSettings(BaudRate, ParityLetter, DataBits, StopBits);
    ApplyLineSettings(fd, LineSettings);
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIS, &lines);
    // A port opened afresh starts with empty queues, as on any system that owns its ports; a
    // pseudo-terminal would otherwise hand over what was sent to nobody.
    ::tcflush(fd, TCIOFLUSH);

    while (TakeEvent(TxDReadyEvent)) {
    }
    try {
        WriterThread = std::thread(&CRS232::TxDThread, this);
    } catch (...) {
        ReleasePort();
        OpenError = EAGAIN;
        return 0;
    }
    return 1;
}

void CRS232::ClosePort() {
    if (!OpenFlag)
        return;
    if (WriterThread.joinable()) {
        SetEvent(StopEvent);
        WaitEvent(ThreadEndedEvent);
        WriterThread.join();
    }
    ReleasePort();
}

void CRS232::ReleasePort() {
    int dtr = TIOCM_DTR;
    ::ioctl(PortHandle, TIOCMBIC, &dtr);
    int rts = TIOCM_RTS;
    ::ioctl(PortHandle, TIOCMBIC, &rts);
    // Unsent bytes would hold close() until the line has sent them, for up to half a minute.
    ::tcflush(PortHandle, TCOFLUSH);
#ifdef TIOCNXCL
    ::ioctl(PortHandle, TIOCNXCL);
#endif
    ::close(PortHandle);
    PortHandle = -1;
    OpenFlag = 0;
    RxDNext = RxDTaken = 0;
    TxDBuffer.reset();
}

std::uint32_t CRS232::GetRxDCount() {
    if (!OpenFlag)
        return 0;
    // Bytes already taken from the system count first; the rest is counted once they are used.
    if (RxDTaken > RxDNext)
        return static_cast<std::uint32_t>(RxDTaken - RxDNext);
    int waiting = 0;
    if (::ioctl(PortHandle, FIONREAD, &waiting) != 0 || waiting < 0) {
        // A hung-up tty answers every request with EIO from then on.
        if (errno == EIO)
            ReadFailed = 1;
        return 0;
    }
    return static_cast<std::uint32_t>(waiting);
}

int CRS232::ReadByte(unsigned char* dest) {
    if (!OpenFlag)
        return 0;
    if (RxDTaken == RxDNext) {
        // One read takes what waits (a reading is a few bytes), rather than a read per byte.
        ssize_t n;
        do {
            n = ::read(PortHandle, RxDBuffer, sizeof RxDBuffer);
        } while (n < 0 && errno == EINTR);
        if (n < 0 && errno == EIO)
            ReadFailed = 1;
        if (n <= 0)
            return 0;
        RxDNext = 0;
        RxDTaken = static_cast<int>(n);
    }
    *dest = RxDBuffer[RxDNext++];
    return 1;
}

int CRS232::ReceiverGone() const {
    if (!OpenFlag)
        return 0;
    if (ReadFailed)
        return 1;
    pollfd port{PortHandle, POLLIN, 0};
    if (Poll(&port, 1, 0) > 0 && (port.revents & (POLLHUP | POLLERR | POLLNVAL)))
        return 1;
    // A receiver unplugged and plugged in again quickly may leave the old line looking alive
    // for a moment while its link already leads to the new node.
    struct stat opened {};
    struct stat now {};
    if (::fstat(PortHandle, &opened) != 0)
        return 1;
    if (::stat(OpenedPath.c_str(), &now) != 0)
        return errno == ENOENT || errno == ENOTDIR ? 1 : 0;
    return !S_ISCHR(now.st_mode) || now.st_rdev != opened.st_rdev ? 1 : 0;
}

bool CRS232::WaitForByte(std::chrono::steady_clock::duration left) {
    pollfd port{PortHandle, POLLIN, 0};
    const auto leftMs = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    if (Poll(&port, 1, static_cast<int>(leftMs)) > 0 && GetRxDCount() == 0) {
        // Readable with nothing to read: the line is gone (hung up) or the tty reports
        // something that is no byte. Neither may turn this wait into a busy loop.
        if (port.revents & (POLLHUP | POLLERR | POLLNVAL))
            return false;
        ::usleep(1000);
    }
    return true;
}

void CRS232::WakeWriter() {
    SetEvent(TxDReadyEvent);
}

void CRS232::TxDThread() {
    unsigned char chunk[ChunkSize];
    for (;;) {
        pollfd events[2] = {{StopEvent, POLLIN, 0}, {TxDReadyEvent, POLLIN, 0}};
        Poll(events, 2, -1);
        if (TakeEvent(StopEvent))
            break; // a stop wins over data
        if (!TakeEvent(TxDReadyEvent))
            continue;
        TxDLock.acquire();
        while (TxDCount > 0) {
            int queued = 0;
            if (::ioctl(PortHandle, TIOCOUTQ, &queued) != 0)
                queued = 0;
            const int n = std::max(0, std::min(TxDCount, ChunkSize - queued));
            for (int k = 0; k < n; ++k) {
                chunk[k] = TxDBuffer[TxDTail];
                TxDTail = (TxDTail + 1) % TxDBufferSize;
                --TxDCount;
            }
            TxDLock.release();
            const bool goOn = n > 0 ? WriteChunk(chunk, n) : WaitWritable(10) != PortWait::Stop;
            if (!goOn) {
                SetEvent(ThreadEndedEvent);
                return;
            }
            TxDLock.acquire();
        }
        TxDLock.release();
    }
    SetEvent(ThreadEndedEvent);
}

bool CRS232::WriteChunk(const unsigned char* data, int count) {
    while (count > 0) {
        const ssize_t n = ::write(PortHandle, data, static_cast<std::size_t>(count));
        if (n > 0) {
            data += n;
            count -= static_cast<int>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const PortWait wait = WaitWritable(-1);
            if (wait == PortWait::Stop)
                return false;
            if (wait == PortWait::Failed)
                return true; // hung up: the rest of this chunk is lost
        } else {
            return true; // the port failed (a pulled cable gives EIO): this chunk is lost
        }
    }
    return true;
}

CRS232::PortWait CRS232::WaitWritable(int timeoutMs) {
    pollfd fds[2] = {{StopEvent, POLLIN, 0}, {PortHandle, POLLOUT, 0}};
    Poll(fds, 2, timeoutMs);
    if (TakeEvent(StopEvent))
        return PortWait::Stop;
    // A hung-up port reports POLLHUP at once and for good; the chunk is dropped then, so a dead
    // port never keeps this thread spinning.
    if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fds[1].revents & POLLOUT))
        return PortWait::Failed;
    return PortWait::Writable;
}
