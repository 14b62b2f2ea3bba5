#pragma once

// The capture cycle and the formatter on fakes, as the view holds them: both targets on, the
// clock fixed, the record read at every byte and packet.

#include "capture/CaptureCycle.h"
#include "fakes/FakeByteSource.h"
#include "fakes/FakeNotices.h"
#include "fakes/FakePacketOwner.h"
#include "fakes/FakeViewFields.h"

#include <cstdint>

namespace fuzz {

struct CaptureRig {
    CaptureRig(SetupRecord& setup, std::int64_t now) : cycle(line, packet, fields, notices) {
        owner.SendToApp = owner.SendToFile = 1;
        packet.Owner = &owner;
        packet.Setup = &setup;
        packet.Fields = &fields;
        packet.Now = [now] { return now; };
        cycle.Setup = &setup;
    }
    CaptureRig(const CaptureRig&) = delete;
    CaptureRig& operator=(const CaptureRig&) = delete;

    FakeByteSource line;
    FakeViewFields fields;
    FakeNotices notices;
    FakePacketOwner owner;
    CParse_Data_Pkt packet;
    CCaptureCycle cycle;
};

} // namespace fuzz
