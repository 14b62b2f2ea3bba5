#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

// How a simulated receiver answers the identify command '<' 'V'.
enum class ReplyMode {
    Normal,    // a lone CR, then the identifier line ended by CR
    Silent,    // no answer at all
    Echo,      // the command itself first, then the normal answer
    LowerCase, // the normal answer with the identifier in lower case
    Short,     // a lone CR, then a line of four characters (three and CR)
    NoCR,      // a lone CR, then the identifier line without its CR
};

struct ReceiverOptions {
    ReplyMode mode = ReplyMode::Normal;
    std::string identifier = "TN-UDCK-00,";  // start of the identifier line
    std::string replyTail = "V1.00";         // rest of the identifier line
    std::chrono::milliseconds replyDelay{0}; // the receiver's own time to answer
};

// A receiver base on a pseudo-terminal: the program under test opens SlavePath() as its serial
// port, this object plays the device on the master side. A background thread answers identify
// commands and keeps every byte the program sent. Readings are sent on request.
class ReceiverSimulator {
public:
    explicit ReceiverSimulator(ReceiverOptions options = {});
    ~ReceiverSimulator();
    ReceiverSimulator(const ReceiverSimulator&) = delete;
    ReceiverSimulator& operator=(const ReceiverSimulator&) = delete;

    // False when no pseudo-terminal could be made.
    bool Ok() const { return master_ >= 0; }
    const std::string& SlavePath() const { return slavePath_; }
    // The master side, for looking at the line's settings (a pty reports the slave's there).
    int MasterFd() const { return master_; }

    // A reading followed by the end-of-packet character.
    void SendReading(const std::string& text, char endOfPacket = '\r');
    // Bytes as they are. Waits at most a second for the line to take them; the rest is dropped,
    // as on a line that nobody reads.
    void SendRaw(const std::string& bytes);
    // Pulls the cable: closes the master side; the slave then reports a hang-up.
    void Hangup();

    // Every byte the program has sent so far.
    std::string Received() const;
    // Waits until at least count bytes have been received; false on time-out.
    bool WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const;
    // How many identify commands were seen.
    int IdentifyCount() const;

    // The answer to one identify command in the given mode.
    static std::string Reply(const ReceiverOptions& options);

private:
    void Run();
    void Answer();
    void Stop();

    ReceiverOptions options_;
    int master_ = -1;
    int slave_ = -1; // held open so the master side never reports a hang-up while idle
    int stopEvent_ = -1;
    std::string slavePath_;
    std::thread thread_;
    std::mutex writeLock_; // one packet at a time onto the line
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::string received_;
    int identifyCount_ = 0;
    bool afterCommandStart_ = false; // the last byte was '<'
};
