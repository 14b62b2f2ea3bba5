#pragma once

#include "platform/WaitHandle.h"

#include <string>

// Tells its owner when a path may have appeared, disappeared or changed, through a descriptor
// that stays unreadable while nothing happens (inotify on the folder that holds the path). udev
// removes /dev/serial/by-id with the last USB serial device, so while the folder is missing the
// nearest existing ancestor is watched instead, and the watch moves down again as the folders
// come back. Only the path's own name in its folder counts: a device node that a link leads to
// elsewhere is not followed.
// On Windows a device path (\\.\COM3) is watched through the system's serial device map in the
// registry, which changes as ports come and go, and a file path through change notifications of
// its folder; the handle is an event that stays signalled while news wait.
class PathWatch {
public:
    PathWatch() = default;
    ~PathWatch();
    PathWatch(const PathWatch&) = delete;
    PathWatch& operator=(const PathWatch&) = delete;

    // Starts watching path (a relative path is taken from the current folder); a path watched
    // before is dropped, and the descriptor stays the same. False when the system gives no
    // watch; the object is stopped then.
    bool Watch(const std::string& path);
    // Closes the descriptor.
    void Stop();
    // Readable (signalled) when events wait; NoWaitHandle when not watching.
    WaitHandle Fd() const { return fd_; }
    // Reads every waiting event without waiting and follows the path's folders as they come and
    // go. True when anything about the path may have changed since the last call.
    bool TakeEvents();

private:
    // Watches the deepest existing folder on the way to the path; true when the watch moved.
    bool Arm();

    std::string path_;   // absolute, normalised
    std::string folder_; // the folder watched now
    WaitHandle fd_ = NoWaitHandle;
#ifdef _WIN32
    void* key_ = nullptr; // the serial device map while a device is watched; fd_ is an event
                          // then, else the folder's change notification
#else
    int watchId_ = -1;
#endif
};
