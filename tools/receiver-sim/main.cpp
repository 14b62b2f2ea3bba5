// receiver-sim: a simulated receiver base on a pseudo-terminal, for tests, the demo and trying
// the program by hand. See usage() or run it with --help.
#include "ReceiverSimulator.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

namespace {

const char* const Usage = R"(Usage: receiver-sim [options] [-]

Plays a receiver base on a pseudo-terminal. The first line written to standard output is the
path of the slave side (such as /dev/pts/4): add it to the serial device map of the settings
file (~/.config/Orvane Systems/Tapline Brisk.conf), for example

    [SerialDeviceMap]
    COM7=/dev/pts/4

and the program's device search finds the receiver there. The simulator answers the identify
command '<' 'V' with a lone CR and then a line that begins with the identifier, and sends
readings. It runs until it is killed (SIGINT, SIGTERM) or, with "-", until standard input ends.

Options:
  --id TEXT        identifier at the start of the reply line (default "TN-UDCK-00,")
  --tail TEXT      rest of the reply line after the identifier (default "V1.00")
  --mode MODE      how to answer the identify command:
                     normal     CR, then identifier line ended by CR (default)
                     silent     no answer
                     echo       the command itself first, then the normal answer
                     lowercase  the identifier in lower case
                     wrong-id   the identifier "TN-XXXX-00," (unknown to the program)
                     short      CR, then a four-character line (three characters and CR)
                     no-cr      CR, then the identifier line without its final CR
  --delay MS       time the receiver takes before it answers (default 0)
  --reading TEXT   reading sent every interval (default "12.345")
  --interval MS    milliseconds between readings; 0 sends none (default 1000)
  --eop CHAR       end-of-packet character after each reading: cr, tab, lf, nul, 0xNN or a
                   single character (default cr)
  --pattern KIND   what each interval sends:
                     reading    the reading and the end-of-packet character (default)
                     burst      --count readings at once
                     zeros      the reading with a zero byte after every character
                     long       600 bytes of '7' with no end-of-packet character
  --count N        readings per burst (default 3)
  -                readings from standard input instead: each line is sent as one reading
                   (the line feed replaced by the end-of-packet character); exits at its end
  --help           this text
)";

volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) {
    stopRequested = 1;
}

bool ParseEop(const std::string& text, char& eop) {
    if (text == "cr")
        eop = '\r';
    else if (text == "tab")
        eop = '\t';
    else if (text == "lf")
        eop = '\n';
    else if (text == "nul")
        eop = '\0';
    else if (text.size() == 4 && text.rfind("0x", 0) == 0)
        eop = static_cast<char>(std::strtol(text.c_str() + 2, nullptr, 16));
    else if (text.size() == 1)
        eop = text[0];
    else
        return false;
    return true;
}

bool ParseMode(const std::string& text, ReceiverOptions& options) {
    if (text == "normal")
        options.mode = ReplyMode::Normal;
    else if (text == "silent")
        options.mode = ReplyMode::Silent;
    else if (text == "echo")
        options.mode = ReplyMode::Echo;
    else if (text == "lowercase")
        options.mode = ReplyMode::LowerCase;
    else if (text == "wrong-id")
        options.identifier = "TN-XXXX-00,";
    else if (text == "short")
        options.mode = ReplyMode::Short;
    else if (text == "no-cr")
        options.mode = ReplyMode::NoCR;
    else
        return false;
    return true;
}

std::string Packet(const std::string& pattern, const std::string& reading, char eop, int count) {
    if (pattern == "burst") {
        std::string bytes;
        for (int i = 0; i < count; ++i)
            bytes += reading + eop;
        return bytes;
    }
    if (pattern == "zeros") {
        std::string bytes;
        for (const char c : reading) {
            bytes += c;
            bytes += '\0';
        }
        return bytes + eop;
    }
    if (pattern == "long")
        return std::string(600, '7');
    return reading + eop;
}

int Fail(const std::string& what) {
    std::cerr << "receiver-sim: " << what << "\n(see receiver-sim --help)\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    ReceiverOptions options;
    std::string reading = "12.345", pattern = "reading";
    int intervalMs = 1000, count = 3;
    char eop = '\r';
    bool fromStdin = false;
    std::string mode;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::cout << Usage;
            return 0;
        }
        if (arg == "-") {
            fromStdin = true;
            continue;
        }
        if (!hasValue)
            return Fail("unknown option or missing value: " + arg);
        const std::string value = argv[++i];
        if (arg == "--id")
            options.identifier = value;
        else if (arg == "--tail")
            options.replyTail = value;
        else if (arg == "--mode")
            mode = value;
        else if (arg == "--delay")
            options.replyDelay = std::chrono::milliseconds(std::atoi(value.c_str()));
        else if (arg == "--reading")
            reading = value;
        else if (arg == "--interval")
            intervalMs = std::atoi(value.c_str());
        else if (arg == "--eop") {
            if (!ParseEop(value, eop))
                return Fail("bad end-of-packet character: " + value);
        } else if (arg == "--pattern") {
            if (value != "reading" && value != "burst" && value != "zeros" && value != "long")
                return Fail("unknown pattern: " + value);
            pattern = value;
        } else if (arg == "--count")
            count = std::max(1, std::atoi(value.c_str()));
        else
            return Fail("unknown option: " + arg);
    }
    // After --id, so that wrong-id wins over an identifier given too.
    if (!mode.empty() && !ParseMode(mode, options))
        return Fail("unknown mode: " + mode);

    // No SA_RESTART: a signal must also end a read of standard input that waits for a line.
    struct sigaction stop {};
    stop.sa_handler = OnSignal;
    sigemptyset(&stop.sa_mask);
    ::sigaction(SIGINT, &stop, nullptr);
    ::sigaction(SIGTERM, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    ReceiverSimulator receiver(options);
    if (!receiver.Ok()) {
        std::cerr << "receiver-sim: cannot open a pseudo-terminal: " << std::strerror(errno)
                  << "\n";
        return 1;
    }
    std::cout << receiver.SlavePath() << std::endl;

    if (fromStdin) {
        for (std::string line; !stopRequested && std::getline(std::cin, line);)
            receiver.SendReading(line, eop);
        return 0;
    }
    auto next = std::chrono::steady_clock::now();
    while (!stopRequested) {
        if (intervalMs > 0 && std::chrono::steady_clock::now() >= next) {
            receiver.SendRaw(Packet(pattern, reading, eop, count));
            next = std::max(next + std::chrono::milliseconds(intervalMs),
                            std::chrono::steady_clock::now());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs > 0 ? 10 : 100));
    }
    return 0;
}
