#include "serial/PortAccess.h"

#include "targets/TextString.h"

// Windows knows no groups for serial ports: every user may open any port that no other program
// holds. A port the system refuses is busy, and the device search says so by itself.

bool CPortAccess::MayOpen(const std::string&) {
    return true;
}

std::string CPortAccess::GroupOf(const std::string&) {
    return {};
}

std::u16string CPortAccess::NoPermissionParagraph(const std::vector<DeniedPort>& ports) {
    if (ports.empty())
        return {};
    std::string named;
    for (std::size_t i = 0; i < ports.size(); ++i)
        named += (i == 0                  ? ""
                  : i + 1 == ports.size() ? " and "
                                          : ", ") +
                 std::string("COM") + std::to_string(ports[i].port);
    return Ascii16("\n\nWindows did not let Tapline Brisk open " + named +
                   ". Ask the computer's administrator for access.");
}
