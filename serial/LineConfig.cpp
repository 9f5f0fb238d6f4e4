#include "serial/LineConfig.h"

namespace tarvessa {

namespace {

// The enumerations are not in the order of the two-bit DCB values.
uint32_t DtrValue(TDtrControl c) {
    switch (c) {
    case TDtrControl::DtrEnable:
        return DcbControl::DTR_CONTROL_ENABLE;
    case TDtrControl::DtrDisable:
        return DcbControl::DTR_CONTROL_DISABLE;
    case TDtrControl::DtrHandshake:
        return DcbControl::DTR_CONTROL_HANDSHAKE;
    }
    return DcbControl::DTR_CONTROL_DISABLE;
}

uint32_t RtsValue(TRtsControl c) {
    switch (c) {
    case TRtsControl::RtsEnable:
        return DcbControl::RTS_CONTROL_ENABLE;
    case TRtsControl::RtsDisable:
        return DcbControl::RTS_CONTROL_DISABLE;
    case TRtsControl::RtsHandshake:
        return DcbControl::RTS_CONTROL_HANDSHAKE;
    case TRtsControl::RtsTransmissionAvailable:
        return DcbControl::RTS_CONTROL_TOGGLE;
    }
    return DcbControl::RTS_CONTROL_DISABLE;
}

} // namespace

DeviceControlBlock BuildDeviceControlBlock(const DeviceControlBlock& fromDevice,
                                           const LineSettings& s) {
    DeviceControlBlock dcb = fromDevice; // length, reserved words, EofChar, EvtChar stay
    dcb.BaudRate = s.BaudRate;

    // Rebuilt from nothing: abort-on-error and the reserved bits are always clear.
    uint32_t f = DcbFlag::fBinary;
    if (s.ParityCheck)
        f |= DcbFlag::fParity;
    if (s.Outx_CtsFlow)
        f |= DcbFlag::fOutxCtsFlow;
    if (s.Outx_DsrFlow)
        f |= DcbFlag::fOutxDsrFlow;
    f |= DtrValue(s.DtrControl) << DcbFlag::fDtrControlShift;
    if (s.DsrSensitivity)
        f |= DcbFlag::fDsrSensitivity;
    if (s.TxContinueOnXoff)
        f |= DcbFlag::fTXContinueOnXoff;
    if (s.Outx_XonXoffFlow)
        f |= DcbFlag::fOutX;
    if (s.Inx_XonXoffFlow)
        f |= DcbFlag::fInX;
    if (s.ReplaceWhenParityError)
        f |= DcbFlag::fErrorChar;
    if (s.IgnoreNullChar)
        f |= DcbFlag::fNull;
    f |= RtsValue(s.RtsControl) << DcbFlag::fRtsControlShift;
    dcb.Flags = f;

    dcb.XonLim = s.XonLimit;
    dcb.XoffLim = s.XoffLimit;
    dcb.ByteSize = static_cast<uint8_t>(static_cast<uint8_t>(s.ByteSize) + 5);
    dcb.Parity = static_cast<uint8_t>(s.Parity);
    dcb.StopBits = static_cast<uint8_t>(s.StopBits);
    dcb.XonChar = s.XonChar;
    dcb.XoffChar = s.XoffChar;
    dcb.ErrorChar = s.ReplacedChar;
    return dcb;
}

} // namespace tarvessa
