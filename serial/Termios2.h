#pragma once

#include "serial/LineConfig.h"

#include <cstdint>

// The tty side of the line configuration. It lives in a translation unit of
// its own: <asm/termbits.h> (struct termios2, BOTHER) cannot be included
// together with <termios.h>.
namespace tarvessa {

// Writes the whole configuration in one TCSETS2: any rate (BOTHER), data bits,
// parity, stop bits, hardware and software flow control, raw mode with
// VMIN = VTIME = 0. Answers 0, or the errno of the failing call.
int ApplyDcbToTty(int fd, const DeviceControlBlock& dcb);

// Fills the line fields of a block from the tty's current settings (for the
// first GetState of a freshly opened device). False when the tty cannot be read.
bool ReadDcbFromTty(int fd, DeviceControlBlock& dcb);

// What the tty holds now, in plain words (tests and diagnostics).
struct TtyLineView {
    uint32_t inputSpeed = 0;
    uint32_t outputSpeed = 0;
    int dataBits = 0;
    bool parityEnable = false;
    bool parityOdd = false;
    bool markSpace = false; // CMSPAR
    bool inputCheck = false;
    bool twoStopBits = false;
    bool rtsCts = false;
    bool ixon = false;
    bool ixoff = false;
    bool markErrors = false; // PARMRK
    bool canonical = false;
    bool echo = false;
    bool postProcess = false; // OPOST
    bool local = false;       // CLOCAL
    bool receiverOn = false;  // CREAD
    char startChar = 0;
    char stopChar = 0;
    uint8_t vmin = 0;
    uint8_t vtime = 0;
};
bool ReadTtyLine(int fd, TtyLineView& view);

} // namespace tarvessa
