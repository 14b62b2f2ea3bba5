#pragma once

#include <string>
#include <vector>

// Whether this user may use a serial device, and what to tell him when he may not. On Linux a
// serial device belongs to a group (dialout, uucp, tty ... by distribution and device); a user
// outside it gets "permission denied", which looks to him like a missing receiver unless he is
// told.
class CPortAccess {
public:
    struct DeniedPort {
        int port;           // COM number
        std::string device; // the device path
    };

    virtual ~CPortAccess() = default;

    // False only when the system refuses this user reading and writing the device; a missing
    // device is no matter of permission.
    static bool MayOpen(const std::string& device);
    // The name of the group that owns the device (its number when the group has no name); ""
    // when the device cannot be looked at.
    static std::string GroupOf(const std::string& device);
    // One paragraph, led by an empty line, that names the ports and their devices and tells how
    // to be allowed to use them; "" for no ports.
    static std::u16string NoPermissionParagraph(const std::vector<DeniedPort>& ports);
};
