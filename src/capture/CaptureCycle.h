#pragma once

#include "capture/ByteSource.h"
#include "capture/Parse_Data_Pkt.h"
#include "capture/ViewFields.h"
#include "platform/NoticeService.h"
#include "setup/SetupRecord.h"

// The timed cycle that drains the serial port into packets. The main view runs OnTimer from its
// 50 ms timer; each cycle completes at most one packet and hands it to the formatter.
class CCaptureCycle {
public:
    CCaptureCycle(ByteSource& serialPort, CParse_Data_Pkt& packet, ViewFields& fields,
                  NoticeService& notices);
    virtual ~CCaptureCycle() = default;

    SetupRecord* Setup = nullptr; // EndOfPacket is read at every stored byte

    int InTimer = 0;        // 1 while a cycle runs; 1 for good once the view is destroyed
    int PacketDone = 1;     // the buffer holds the last complete packet (or nothing)
    int PacketLedState = 4; // 4 port closed, 3 idle/discarded, 9 receiving, 5 complete
    int RxDCount = 0;       // value for "Bytes in RxD Buffer"
    int RxDShown = -1;      // value last written to that field; -1 forces the next write
    int BytesTaken = 0;     // bytes the last cycle took from the port

    void OnTimer();
    void ShowRxDCount();

    // Sets the packet lamp's state and image.
    void SetPacketLed(int state);
    // Drops the bytes of a packet that can no longer be completed (its receiver went away), as
    // an overlong packet is dropped: the first bytes that come later start a packet of their own.
    void DiscardPacket();

private:
    void RunCycle();
    bool EndsPacket(unsigned char b) const;
    void ReportFailure(const std::string& what);

    ByteSource& SerialPort;
    CParse_Data_Pkt& Packet;
    ViewFields& Fields;
    NoticeService& Notices;
};
