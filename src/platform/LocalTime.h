#pragma once

#include <ctime>

// The local calendar fields of t, thread-safe; false when t cannot be broken down.
inline bool LocalTime(std::time_t t, std::tm& fields) {
#ifdef _WIN32
    return ::localtime_s(&fields, &t) == 0;
#else
    return ::localtime_r(&t, &fields) != nullptr;
#endif
}
