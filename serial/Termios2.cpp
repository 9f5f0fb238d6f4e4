#include "serial/Termios2.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace tarvessa {

int ApplyDcbToTty(int fd, const DeviceControlBlock& dcb) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return errno;

    // Raw mode: no input or output processing, no echo, no signals.
    t.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL |
                   IUCLC | IXON | IXANY | IXOFF | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CBAUD | CIBAUD | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;

    // Any rate: BOTHER for both directions with the numeric speed.
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = dcb.BaudRate;
    t.c_ospeed = dcb.BaudRate;

    switch (dcb.ByteSize) {
    case 5:
        t.c_cflag |= CS5;
        break;
    case 6:
        t.c_cflag |= CS6;
        break;
    case 7:
        t.c_cflag |= CS7;
        break;
    default:
        t.c_cflag |= CS8;
        break;
    }

    switch (dcb.Parity) {
    case 1: // odd
        t.c_cflag |= PARENB | PARODD;
        break;
    case 2: // even
        t.c_cflag |= PARENB;
        break;
    case 3: // mark: sticky parity, always 1
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 4: // space: sticky parity, always 0
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (dcb.Flags & DcbFlag::fParity)
        t.c_iflag |= INPCK;
    // A byte received with an error reads as 0 without marking; any other
    // replacement needs the in-band marks, which the reader undoes.
    if (dcb.ErrorChar != 0)
        t.c_iflag |= PARMRK;

    // One and a half stop bits exist only with 5 data bits, where a UART
    // gives them for CSTOPB; elsewhere CSTOPB means two.
    if (dcb.StopBits != 0)
        t.c_cflag |= CSTOPB;

    const uint32_t rts = (dcb.Flags & DcbFlag::fRtsControlMask) >> DcbFlag::fRtsControlShift;
    if ((dcb.Flags & DcbFlag::fOutxCtsFlow) || rts == DcbControl::RTS_CONTROL_HANDSHAKE)
        t.c_cflag |= CRTSCTS;
    if (dcb.Flags & DcbFlag::fOutX)
        t.c_iflag |= IXON;
    if (dcb.Flags & DcbFlag::fInX)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);

    // The reader keeps its own time-outs; the tty only hands out what it has.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;

    if (ioctl(fd, TCSETS2, &t) != 0)
        return errno;
    return 0;
}

bool ReadDcbFromTty(int fd, DeviceControlBlock& dcb) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    dcb.BaudRate = t.c_ospeed;
    switch (t.c_cflag & CSIZE) {
    case CS5:
        dcb.ByteSize = 5;
        break;
    case CS6:
        dcb.ByteSize = 6;
        break;
    case CS7:
        dcb.ByteSize = 7;
        break;
    default:
        dcb.ByteSize = 8;
        break;
    }
    if (!(t.c_cflag & PARENB))
        dcb.Parity = 0;
    else if (t.c_cflag & CMSPAR)
        dcb.Parity = (t.c_cflag & PARODD) ? 3 : 4;
    else
        dcb.Parity = (t.c_cflag & PARODD) ? 1 : 2;
    dcb.StopBits = (t.c_cflag & CSTOPB) ? 2 : 0;
    dcb.XonChar = static_cast<char>(t.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    dcb.EofChar = static_cast<char>(t.c_cc[VEOF]);
    return true;
}

bool ReadTtyLine(int fd, TtyLineView& v) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    v.inputSpeed = t.c_ispeed;
    v.outputSpeed = t.c_ospeed;
    switch (t.c_cflag & CSIZE) {
    case CS5:
        v.dataBits = 5;
        break;
    case CS6:
        v.dataBits = 6;
        break;
    case CS7:
        v.dataBits = 7;
        break;
    default:
        v.dataBits = 8;
        break;
    }
    v.parityEnable = t.c_cflag & PARENB;
    v.parityOdd = t.c_cflag & PARODD;
    v.markSpace = t.c_cflag & CMSPAR;
    v.inputCheck = t.c_iflag & INPCK;
    v.twoStopBits = t.c_cflag & CSTOPB;
    v.rtsCts = t.c_cflag & CRTSCTS;
    v.ixon = t.c_iflag & IXON;
    v.ixoff = t.c_iflag & IXOFF;
    v.markErrors = t.c_iflag & PARMRK;
    v.canonical = t.c_lflag & ICANON;
    v.echo = t.c_lflag & ECHO;
    v.postProcess = t.c_oflag & OPOST;
    v.local = t.c_cflag & CLOCAL;
    v.receiverOn = t.c_cflag & CREAD;
    v.startChar = static_cast<char>(t.c_cc[VSTART]);
    v.stopChar = static_cast<char>(t.c_cc[VSTOP]);
    v.vmin = t.c_cc[VMIN];
    v.vtime = t.c_cc[VTIME];
    return true;
}

} // namespace tarvessa
