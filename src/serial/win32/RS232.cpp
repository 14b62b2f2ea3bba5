#include "serial/RS232.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <windows.h>

namespace {

// How long the arrival watch waits for a communication event before it looks at the receive
// queue itself. Some systems (Wine on a pseudo-terminal) answer WaitCommEvent at once with an
// empty mask and never complete a pending one; the queue is then looked at this often.
constexpr DWORD ArrivalPollMs = 20;

DCB ToDcb(const LineSettings& s) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = static_cast<DWORD>(s.BaudRate);
    dcb.fBinary = 1;
    dcb.fParity = 1;
    dcb.fOutxCtsFlow = s.OutxCtsFlow;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = s.DtrControl ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 1;
    dcb.fOutX = s.OutX;
    dcb.fInX = s.InX;
    dcb.fErrorChar = 0;
    dcb.fNull = 0;
    dcb.fRtsControl = s.RtsControl ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = 0;
    dcb.XonLim = 100;
    dcb.XoffLim = 100;
    dcb.ByteSize = static_cast<BYTE>(s.ByteSize);
    dcb.Parity = static_cast<BYTE>(s.Parity);     // the codes are Windows' own
    dcb.StopBits = static_cast<BYTE>(s.StopBits); // likewise
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = static_cast<char>(0xFF);
    dcb.EofChar = 0x0D;
    dcb.EvtChar = static_cast<char>(0xFF);
    return dcb;
}

HANDLE NewEvent(bool manualReset) {
    return ::CreateEventW(nullptr, manualReset ? TRUE : FALSE, FALSE, nullptr);
}

int OpenErrorOf(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED: // what Windows says for a port another program holds
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return EBUSY;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
        return ENODEV;
    default:
        return EIO;
    }
}

} // namespace

CRS232::CRS232()
    : TxDReadyEvent(NewEvent(false)), StopEvent(NewEvent(false)), ThreadEndedEvent(NewEvent(false)),
      RxDEvent(NewEvent(false)), WatchStopEvent(NewEvent(true)), ReadEvent(NewEvent(true)) {}

CRS232::~CRS232() {
    ClosePort();
    for (HANDLE event :
         {TxDReadyEvent, StopEvent, ThreadEndedEvent, RxDEvent, WatchStopEvent, ReadEvent})
        if (event != nullptr)
            ::CloseHandle(event);
}

int CRS232::IsOpen() const {
    return OpenFlag;
}

WaitHandle CRS232::Handle() const {
    return OpenFlag ? RxDEvent : NoWaitHandle;
}

int CRS232::OpenPort() {
    PortName = "COM" + std::to_string(PortNumber);
    if (OpenFlag)
        ClosePort();
    OpenError = 0;
    TxDHead = TxDTail = TxDCount = 0;
    for (HANDLE event :
         {TxDReadyEvent, StopEvent, ThreadEndedEvent, RxDEvent, WatchStopEvent, ReadEvent})
        if (event == nullptr) {
            OpenError = EMFILE;
            return 0;
        }

    const std::string path = DevicePath ? DevicePath(PortNumber) : "\\\\.\\" + PortName;
    if (path.empty()) {
        OpenError = ENODEV;
        return 0;
    }
    std::wstring wide(path.begin(), path.end()); // device names are ASCII
    const HANDLE port = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        OpenError = OpenErrorOf(::GetLastError());
        return 0;
    }
    // Only a serial port is written to: a map entry that names a file or another device is not.
    DCB current{};
    current.DCBlength = sizeof current;
    if (!::GetCommState(port, &current)) {
        ::CloseHandle(port);
        OpenError = ENOTTY;
        return 0;
    }

    PortHandle = port;
    OpenFlag = 1;
    OpenedPath = path;
    ReadFailed = 0;
    TxDBuffer = std::make_unique<unsigned char[]>(TxDBufferSize);

    // Results of the set-up calls are not checked: a port that refuses a setting keeps its own.
    ::SetupComm(port, 65536, TxDBufferSize);
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD; // a read returns at once with what is queued
    ::SetCommTimeouts(port, &timeouts);
    LineSettings = BuildLineSettings(BaudRate, ParityLetter, DataBits, StopBits);
    DCB dcb = ToDcb(LineSettings);
    ::SetCommState(port, &dcb);
    ::SetCommMask(port, EV_RXCHAR | EV_TXEMPTY);
    // A port opened afresh starts with empty queues.
    ::PurgeComm(port, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);

    ::ResetEvent(TxDReadyEvent);
    ::ResetEvent(StopEvent);
    ::ResetEvent(ThreadEndedEvent);
    ::ResetEvent(RxDEvent);
    ::ResetEvent(WatchStopEvent);
    try {
        WriterThread = std::thread(&CRS232::TxDThread, this);
        WatchThread = std::thread(&CRS232::ArrivalThread, this);
    } catch (...) {
        ClosePort();
        OpenError = EAGAIN;
        return 0;
    }
    return 1;
}

void CRS232::ClosePort() {
    if (!OpenFlag)
        return;
    if (WriterThread.joinable()) {
        ::SetEvent(StopEvent);
        ::WaitForSingleObject(ThreadEndedEvent, INFINITE);
        WriterThread.join();
    }
    if (WatchThread.joinable()) {
        ::SetEvent(WatchStopEvent);
        WatchThread.join();
    }
    ReleasePort();
}

void CRS232::ReleasePort() {
    ::EscapeCommFunction(PortHandle, CLRDTR);
    ::EscapeCommFunction(PortHandle, CLRRTS);
    // Unsent bytes would hold the close until the line has sent them.
    ::PurgeComm(PortHandle, PURGE_TXABORT | PURGE_TXCLEAR);
    ::CloseHandle(PortHandle);
    PortHandle = nullptr;
    OpenFlag = 0;
    TxDBuffer.reset();
}

std::uint32_t CRS232::GetRxDCount() {
    if (!OpenFlag)
        return 0;
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(PortHandle, &errors, &status)) {
        ReadFailed = 1;
        return 0;
    }
    return status.cbInQue;
}

int CRS232::ReadByte(unsigned char* dest) {
    if (GetRxDCount() == 0)
        return 0;
    OVERLAPPED read{};
    read.hEvent = ReadEvent;
    ::ResetEvent(ReadEvent);
    DWORD n = 0;
    if (!::ReadFile(PortHandle, dest, 1, &n, &read)) {
        if (::GetLastError() != ERROR_IO_PENDING) {
            ReadFailed = 1;
            return 0;
        }
        // The time-outs make the read return at once; a port that does not is not waited for.
        if (::WaitForSingleObject(ReadEvent, 100) != WAIT_OBJECT_0)
            ::CancelIo(PortHandle);
        if (!::GetOverlappedResult(PortHandle, &read, &n, TRUE))
            return 0;
    }
    return n == 1 ? 1 : 0;
}

int CRS232::ReceiverGone() const {
    return OpenFlag && ReadFailed ? 1 : 0;
}

bool CRS232::WaitForByte(std::chrono::steady_clock::duration) {
    ::Sleep(1);
    return true;
}

void CRS232::WakeWriter() {
    ::SetEvent(TxDReadyEvent);
}

void CRS232::TxDThread() {
    unsigned char chunk[ChunkSize];
    OVERLAPPED write{};
    write.hEvent = NewEvent(true);
    for (;;) {
        const HANDLE events[2] = {StopEvent, TxDReadyEvent};
        // In this order, so that a pending stop wins when both are signalled.
        if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            break;
        TxDLock.acquire();
        bool stop = false;
        while (TxDCount > 0 && !stop) {
            DWORD errors = 0;
            COMSTAT status{};
            const int queued = ::ClearCommError(PortHandle, &errors, &status)
                                   ? static_cast<int>(status.cbOutQue)
                                   : 0;
            const int n = std::max(0, std::min(TxDCount, ChunkSize - queued));
            for (int k = 0; k < n; ++k) {
                chunk[k] = TxDBuffer[TxDTail];
                TxDTail = (TxDTail + 1) % TxDBufferSize;
                --TxDCount;
            }
            TxDLock.release();
            if (n > 0)
                stop = !WriteChunk(&write, chunk, n);
            else // the system's queue is full: give the line a moment
                stop = ::WaitForSingleObject(StopEvent, 10) == WAIT_OBJECT_0;
            TxDLock.acquire();
        }
        TxDLock.release();
        if (stop)
            break;
    }
    if (write.hEvent != nullptr)
        ::CloseHandle(write.hEvent);
    ::SetEvent(ThreadEndedEvent);
}

bool CRS232::WriteChunk(void* overlapped, const unsigned char* data, int count) {
    OVERLAPPED& write = *static_cast<OVERLAPPED*>(overlapped);
    write.Offset = write.OffsetHigh = 0;
    ::ResetEvent(write.hEvent);
    DWORD n = 0;
    if (::WriteFile(PortHandle, data, static_cast<DWORD>(count), &n, &write))
        return true;
    if (::GetLastError() != ERROR_IO_PENDING)
        return true; // the port failed: this chunk is lost
    const HANDLE events[2] = {StopEvent, write.hEvent};
    if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        ::GetOverlappedResult(PortHandle, &write, &n, FALSE);
        return true;
    }
    // Stopped while the line would not take the bytes: the write is cancelled and its end
    // awaited, for the system must not write into this thread's record after it has gone.
    ::CancelIo(PortHandle);
    ::GetOverlappedResult(PortHandle, &write, &n, TRUE);
    return false;
}

void CRS232::ArrivalThread() {
    OVERLAPPED wait{};
    wait.hEvent = NewEvent(true);
    const HANDLE events[2] = {WatchStopEvent, wait.hEvent};
    for (;;) {
        DWORD mask = 0;
        ::ResetEvent(wait.hEvent);
        bool pending = false;
        if (!::WaitCommEvent(PortHandle, &mask, &wait)) {
            pending = ::GetLastError() == ERROR_IO_PENDING;
        }
        if (pending) {
            const DWORD woke = ::WaitForMultipleObjects(2, events, FALSE, ArrivalPollMs);
            if (woke != WAIT_OBJECT_0 + 1) {
                ::CancelIo(PortHandle);
                DWORD n = 0;
                ::GetOverlappedResult(PortHandle, &wait, &n, TRUE);
            }
            if (woke == WAIT_OBJECT_0)
                break;
        } else if (::WaitForSingleObject(WatchStopEvent, ArrivalPollMs) == WAIT_OBJECT_0) {
            break; // answered at once (or failed): looked at again after a pause
        }
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(PortHandle, &errors, &status)) {
            ReadFailed = 1;
            ::SetEvent(RxDEvent);
            if (::WaitForSingleObject(WatchStopEvent, INFINITE) == WAIT_OBJECT_0)
                break;
        }
        if (status.cbInQue > 0)
            ::SetEvent(RxDEvent);
    }
    if (wait.hEvent != nullptr)
        ::CloseHandle(wait.hEvent);
}
