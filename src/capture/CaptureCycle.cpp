#include "capture/CaptureCycle.h"

#include "resources/ControlIds.h"
#include "targets/TextString.h"

#include <cstring>
#include <exception>

CCaptureCycle::CCaptureCycle(ByteSource& serialPort, CParse_Data_Pkt& packet, ViewFields& fields,
                             NoticeService& notices)
    : SerialPort(serialPort), Packet(packet), Fields(fields), Notices(notices) {}

void CCaptureCycle::SetPacketLed(int state) {
    PacketLedState = state;
    switch (state) {
    case 9:
        Fields.SetLed(ctl::PacketLed, Led::Yellow);
        break;
    case 5:
        Fields.SetLed(ctl::PacketLed, Led::Green);
        break;
    case 3:
        Fields.SetLed(ctl::PacketLed, Led::Red);
        break;
    default:
        Fields.SetLed(ctl::PacketLed, Led::DarkRed);
        break;
    }
}

void CCaptureCycle::DiscardPacket() {
    if (PacketDone == 1 || Packet.PacketCount == 0)
        return;
    SetPacketLed(3);
    Packet.PacketCount = 0;
}

bool CCaptureCycle::EndsPacket(unsigned char b) const {
    switch (Setup->EndOfPacket) {
    case 0:
        return b == '\r';
    case 1:
        return b == '\t';
    case 2:
        return b == '\r' || b == '\t';
    default:
        return false;
    }
}

void CCaptureCycle::OnTimer() {
    if (InTimer == 1)
        return;
    InTimer = 1;
    BytesTaken = 0;
    // A failing delivery must neither escape into the event loop nor leave InTimer set, or no
    // later cycle would ever run. The packet that failed is over; capture goes on, also while
    // the report is on screen.
    std::string failure;
    try {
        RunCycle();
    } catch (const std::exception& e) {
        failure = e.what();
    } catch (...) {
        failure = "unknown error";
    }
    InTimer = 0;
    if (!failure.empty())
        ReportFailure(failure);
}

void CCaptureCycle::RunCycle() {
    if (!SerialPort.IsOpen())
        return;
    if (SerialPort.GetRxDCount() != 0) {
        for (;;) {
            if (PacketDone == 1) {
                PacketDone = 0;
                Packet.PacketCount = 0;
                Packet.OutputLength = 0;
                std::memset(Packet.PacketBuffer, 0, sizeof Packet.PacketBuffer);
                Packet.ShowOutputPacket();
            }
            unsigned char b = 0;
            if (SerialPort.ReadByte(&b) <= 0)
                break; // reported waiting but not delivered: try again next tick
            ++BytesTaken;
            if (b != 0) {
                Packet.PacketBuffer[Packet.PacketCount++] = b;
                if (PacketLedState != 9)
                    SetPacketLed(9);
                if (EndsPacket(b)) {
                    SetPacketLed(5);
                    PacketDone = 1;
                    Packet.ProcessPacket();
                    ShowRxDCount();
                    return;
                }
                if (Packet.PacketCount == CParse_Data_Pkt::BufferSize) {
                    SetPacketLed(3);
                    Packet.PacketCount = 0; // 500 bytes without an end are discarded
                    break;
                }
            }
            if (SerialPort.GetRxDCount() == 0)
                break;
        }
        Packet.ShowInputPacket();
    }
    ShowRxDCount();
}

void CCaptureCycle::ShowRxDCount() {
    if (!SerialPort.IsOpen())
        return;
    const int queued = static_cast<int>(SerialPort.GetRxDCount());
    RxDCount = PacketDone == 1 ? queued : queued + Packet.PacketCount;
    if (RxDCount != RxDShown) {
        RxDShown = RxDCount;
        Fields.SetInt(ctl::RxDBuffer, RxDCount);
    }
}

void CCaptureCycle::ReportFailure(const std::string& what) {
    // A notice, not a box: a box would take the keyboard from the application the next
    // readings are typed into. One that repeats with every packet is folded into one.
    Notices.Post(NoticeKind::DeliveryFault, u"Reading not delivered",
                 u"An unexpected error stopped the delivery of a packet: " + Ascii16(what) +
                     u"\n\nCapture goes on.");
}
