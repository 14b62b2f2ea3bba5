#pragma once

#include "capture/ByteSource.h"
#include "platform/WaitHandle.h"
#include "serial/LineSettings.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <semaphore>
#include <string>
#include <thread>

// The program's serial port. The capture cycle and the device search call every operation on the
// user-interface thread, which never waits on the port: received bytes are taken only when they
// are already queued, and sent bytes go into a ring that a writer thread of the driver's own
// empties into the port. The two threads share only the ring, under TxDLock.
class CRS232 : public ByteSource {
public:
    static constexpr int TxDBufferSize = 65536; // transmit ring
    static constexpr int ChunkSize = 16384;     // most bytes the system queue holds for us
    static constexpr int LineLimit = 30;        // most characters ReadLine keeps

    CRS232();
    ~CRS232() override;
    CRS232(const CRS232&) = delete;
    CRS232& operator=(const CRS232&) = delete;

    std::string PortName; // "COM<n>" of the port last opened
    int PortNumber = 1;
    int BaudRate = 9600;
    int ParityLetter = 'N';
    int DataBits = 8;
    int StopBits = 1; // 1, 2, or 15 for one and a half
    ::LineSettings LineSettings;
    // The device of port n ("" when there is none); the program looks it up in the serial device
    // map, tests map pseudo-terminals. Unset on Windows: the port's own \\.\COM<n>.
    std::function<std::string(int portNumber)> DevicePath;
    // Silence that ends a ReadLine. A harness whose replies are queued whole before it asks
    // may shorten it: the silence after them is then certain.
    int LineTimeoutMs = 100;

    // Opens the device of COM<PortNumber> for this program alone, sets the line up, raises DTR
    // and RTS and starts the writer thread: 1. When the port cannot be opened (no such port,
    // missing device, in use, no permission): 0, and no thread runs. An open port is closed
    // first.
    int OpenPort();
    // Why the last OpenPort failed, as an errno value (EACCES: the user may not use the device,
    // EBUSY: another program holds it, ENODEV: no device for the port); 0 after a success.
    // Windows refuses a port that another program holds with "access denied": EBUSY then.
    int OpenError = 0;
    // Ends the writer thread, drops DTR and RTS, closes the device. Does nothing when closed.
    void ClosePort();
    int IsOpen() const override;
    // Nonzero once the receiver behind the open port has gone: the line hung up, a read failed
    // with EIO, or the port's path is missing or leads to another device now (a USB receiver
    // comes back as a new node under the same by-id link); on Windows, the system stopped
    // answering for the port (its driver removed it). Never waits; 0 while closed.
    int ReceiverGone() const;
    // What to wait on until bytes arrive; NoWaitHandle while closed. POSIX: the port's
    // descriptor, readable while bytes wait in the system or when the line hangs up (bytes the
    // driver has taken already do not make it readable: wait only once GetRxDCount is 0). Windows:
    // an auto-reset event of the driver's own, signalled when bytes have arrived or the port failed
    // (it may also be signalled by bytes that were read meanwhile, so a wake can find nothing).
    WaitHandle Handle() const;
    std::uint32_t GetRxDCount() override;
    int ReadByte(unsigned char* dest) override;
    // One reply line into dest (at least LineLimit + 1 bytes), NUL-terminated: ends at CR (kept),
    // after LineLimit characters (the next one read is dropped) or after LineTimeoutMs without a
    // byte, the time counted from the last byte. Returns the number of characters stored.
    int ReadLine(char* dest);
    // Queues count bytes for sending and returns at once; what does not fit into the ring is
    // dropped.
    void SendBytes(const unsigned char* data, int count);

private:
    void TxDThread();
    void ReleasePort();
    // The platform's parts of ReadLine and SendBytes: waits up to left for a byte to arrive
    // (false when the line is gone), and wakes the writer thread.
    bool WaitForByte(std::chrono::steady_clock::duration left);
    void WakeWriter();

    std::thread WriterThread;
    std::int32_t TxDTail = 0;         // next byte the writer takes
    std::int32_t TxDHead = 0;         // where SendBytes stores the next byte
    std::int32_t TxDCount = 0;        // bytes held in the ring
    std::binary_semaphore TxDLock{1}; // over TxDBuffer, TxDHead, TxDTail, TxDCount
    int OpenFlag = 0;
    std::string OpenedPath;                     // the path the open port was opened through
    std::unique_ptr<unsigned char[]> TxDBuffer; // allocated while open
#ifdef _WIN32
    // Watches the port for arrivals and failures and signals RxDEvent.
    void ArrivalThread();
    // Writes one chunk with an overlapped write; false when the stop came meanwhile.
    bool WriteChunk(void* overlapped, const unsigned char* data, int count);

    void* PortHandle = nullptr;
    // Auto-reset events: the writer thread's, and the arrival watch's.
    void* TxDReadyEvent = nullptr;
    void* StopEvent = nullptr;
    void* ThreadEndedEvent = nullptr;
    void* RxDEvent = nullptr;
    void* WatchStopEvent = nullptr; // manual reset: ends the arrival watch
    void* ReadEvent = nullptr;      // for the user-interface thread's overlapped reads
    std::thread WatchThread;
    std::atomic<int> ReadFailed{0}; // the system stopped answering for the port
#else
    // Writes one chunk to the port; false when the stop came while the port would not take it.
    bool WriteChunk(const unsigned char* data, int count);
    enum class PortWait { Writable, Failed, Stop };
    // Waits until the port takes bytes again, fails, or the stop comes.
    PortWait WaitWritable(int timeoutMs);

    // Events as eventfds, auto-reset by whoever wakes on them.
    int TxDReadyEvent = -1;
    int StopEvent = -1;
    int ThreadEndedEvent = -1;
    int PortHandle = -1;
    int ReadFailed = 0; // a read or byte count failed with EIO since the open
    // Bytes read from the port and not yet handed out: RxDBuffer[RxDNext..RxDTaken).
    unsigned char RxDBuffer[256] = {};
    int RxDNext = 0;
    int RxDTaken = 0;
#endif
};
