#pragma once

// What the user-interface thread waits on for news from a driver or a watch: on POSIX systems a
// descriptor that turns readable (for a QSocketNotifier), on Windows an event HANDLE that is
// signalled (for a QWinEventNotifier).
#ifdef _WIN32
using WaitHandle = void*;
inline constexpr WaitHandle NoWaitHandle = nullptr;
#else
using WaitHandle = int;
inline constexpr WaitHandle NoWaitHandle = -1;
#endif
