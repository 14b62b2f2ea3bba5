#pragma once

#include "serial/LineSettings.h"

#include <termios.h>

// The line settings record on a POSIX tty.

// The termios form of the record: raw mode, receiver and local lines on, no flow control, reads
// that return at once, the record's parity, data and stop bits and rate. A rate that termios has
// no constant for is left at 9600 here; ApplyLineSettings sets it through termios2.
void ToTermios(const LineSettings& settings, struct termios& tio);
// The record as termios describes the line; BaudRate 0 for a rate without termios constant.
LineSettings FromTermios(const struct termios& tio);

// Raw mode, receiver and local lines on, no flow control, reads that return at once, and the
// record's rate, parity, data and stop bits. Rates that termios has no constant for go through
// termios2. Failures are not reported: a port that refuses a setting keeps its own.
void ApplyLineSettings(int fd, const LineSettings& settings);

// What the tty reports now (rate, parity, data and stop bits; the rest as the defaults).
// customRate tells that the rate is none of termios' constants of the list; a pty does not keep
// such a rate, so BaudRate is then what termios2 reports.
LineSettings ReadLineSettings(int fd, bool* customRate = nullptr);
