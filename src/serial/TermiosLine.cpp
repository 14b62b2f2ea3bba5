#include "serial/TermiosLine.h"

#include "serial/CustomBaudRate.h"

#include <array>
#include <termios.h>

namespace {

struct Rate {
    int rate;
    speed_t code; // 0: termios has no constant for it
};

constexpr std::array<Rate, 11> Rates{{{300, B300},
                                      {600, B600},
                                      {1200, B1200},
                                      {2400, B2400},
                                      {4800, B4800},
                                      {9600, B9600},
                                      {14400, 0},
                                      {19200, B19200},
                                      {38400, B38400},
                                      {57600, B57600},
                                      {115200, B115200}}};

const Rate* FindRate(int rate) {
    for (const Rate& r : Rates)
        if (r.rate == rate)
            return &r;
    return nullptr;
}

} // namespace

void ToTermios(const LineSettings& s, struct termios& tio) {
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#ifdef CMSPAR
    tio.c_cflag &= ~CMSPAR;
#endif
    tio.c_cflag |= CLOCAL | CREAD;
    switch (s.ByteSize) {
    case 5:
        tio.c_cflag |= CS5;
        break;
    case 6:
        tio.c_cflag |= CS6;
        break;
    case 7:
        tio.c_cflag |= CS7;
        break;
    default: // a tty knows no other character size
        tio.c_cflag |= CS8;
        break;
    }
    switch (s.Parity) {
    case OddParity:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case EvenParity:
        tio.c_cflag |= PARENB;
        break;
#ifdef CMSPAR
    case MarkParity:
        tio.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case SpaceParity:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
#endif
    default:
        break;
    }
    // A UART sends 1.5 stop bits when asked for two with 5 data bits; with more data bits the
    // line cannot carry one and a half, and one is the nearer.
    if (s.StopBits == TwoStopBits || (s.StopBits == One5StopBits && s.ByteSize == 5))
        tio.c_cflag |= CSTOPB;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const Rate* rate = FindRate(s.BaudRate);
    const speed_t code = rate && rate->code ? rate->code : B9600;
    ::cfsetispeed(&tio, code);
    ::cfsetospeed(&tio, code);
}

LineSettings FromTermios(const struct termios& tio) {
    LineSettings s;
    const speed_t code = ::cfgetospeed(&tio);
    s.BaudRate = 0;
    for (const Rate& r : Rates)
        if (r.code && r.code == code)
            s.BaudRate = r.rate;
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        s.ByteSize = 5;
        break;
    case CS6:
        s.ByteSize = 6;
        break;
    case CS7:
        s.ByteSize = 7;
        break;
    default:
        s.ByteSize = 8;
        break;
    }
    s.Parity = NoParity;
    if (tio.c_cflag & PARENB) {
        const bool odd = (tio.c_cflag & PARODD) != 0;
        s.Parity = odd ? OddParity : EvenParity;
#ifdef CMSPAR
        if (tio.c_cflag & CMSPAR)
            s.Parity = odd ? MarkParity : SpaceParity;
#endif
    }
    s.StopBits = !(tio.c_cflag & CSTOPB) ? OneStopBit
                 : s.ByteSize == 5       ? One5StopBits
                                         : TwoStopBits;
    return s;
}

void ApplyLineSettings(int fd, const LineSettings& s) {
    struct termios tio {};
    if (::tcgetattr(fd, &tio) != 0)
        return;
    ToTermios(s, tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    const Rate* rate = FindRate(s.BaudRate);
    if (rate && !rate->code)
        SetCustomBaudRate(fd, rate->rate);
}

LineSettings ReadLineSettings(int fd, bool* customRate) {
    struct termios tio {};
    if (customRate)
        *customRate = false;
    if (::tcgetattr(fd, &tio) != 0)
        return {};
    LineSettings s = FromTermios(tio);
    if (s.BaudRate == 0) {
        s.BaudRate = GetCustomBaudRate(fd);
        if (customRate)
            *customRate = true;
    }
    return s;
}
