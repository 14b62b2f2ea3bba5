#pragma once

// Any baud rate through termios2 and BOTHER. Kept apart because the kernel's termios headers
// clash with <termios.h>.
bool SetCustomBaudRate(int fd, int rate);
// The output rate the tty reports through termios2; 0 when it cannot be read.
int GetCustomBaudRate(int fd);
