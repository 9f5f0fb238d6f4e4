#pragma once

#include <cstdint>

namespace tarvessa {

// Each enumeration is stored in one byte as its ordinal.
enum class TDtrControl : uint8_t { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl : uint8_t { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };
enum class TByteSize : uint8_t { _5, _6, _7, _8 };
enum class TParity : uint8_t { None, Odd, Even, Mark, Space };
enum class TStopBits : uint8_t { _1, _1_5, _2 };

// The device-control block: the line configuration as the component computes
// it, before a device layer turns it into the platform's settings.
struct DeviceControlBlock {
    uint32_t DCBlength = sizeof(DeviceControlBlock);
    uint32_t BaudRate = 0;
    uint32_t Flags = 0;
    uint16_t wReserved = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 8;
    uint8_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    uint16_t wReserved1 = 0;

    bool operator==(const DeviceControlBlock&) const = default;
};

// Bits of DeviceControlBlock::Flags.
namespace DcbFlag {
constexpr uint32_t fBinary = 0x0001;
constexpr uint32_t fParity = 0x0002;
constexpr uint32_t fOutxCtsFlow = 0x0004;
constexpr uint32_t fOutxDsrFlow = 0x0008;
constexpr uint32_t fDtrControlMask = 0x0030;
constexpr uint32_t fDtrControlShift = 4;
constexpr uint32_t fDsrSensitivity = 0x0040;
constexpr uint32_t fTXContinueOnXoff = 0x0080;
constexpr uint32_t fOutX = 0x0100;
constexpr uint32_t fInX = 0x0200;
constexpr uint32_t fErrorChar = 0x0400;
constexpr uint32_t fNull = 0x0800;
constexpr uint32_t fRtsControlMask = 0x3000;
constexpr uint32_t fRtsControlShift = 12;
constexpr uint32_t fAbortOnError = 0x4000;
} // namespace DcbFlag

// Values of the two-bit DTR and RTS fields.
namespace DcbControl {
constexpr uint32_t DTR_CONTROL_DISABLE = 0;
constexpr uint32_t DTR_CONTROL_ENABLE = 1;
constexpr uint32_t DTR_CONTROL_HANDSHAKE = 2;
constexpr uint32_t RTS_CONTROL_DISABLE = 0;
constexpr uint32_t RTS_CONTROL_ENABLE = 1;
constexpr uint32_t RTS_CONTROL_HANDSHAKE = 2;
constexpr uint32_t RTS_CONTROL_TOGGLE = 3;
} // namespace DcbControl

// The five time-outs, in milliseconds (multipliers: milliseconds per byte).
struct CommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;

    bool operator==(const CommTimeouts&) const = default;
};

// The component's line settings, with their defaults.
struct LineSettings {
    uint32_t BaudRate = 9600;
    bool ParityCheck = false;
    bool Outx_CtsFlow = false;
    bool Outx_DsrFlow = false;
    TDtrControl DtrControl = TDtrControl::DtrEnable;
    bool DsrSensitivity = false;
    bool TxContinueOnXoff = true;
    bool Outx_XonXoffFlow = false;
    bool Inx_XonXoffFlow = false;
    bool ReplaceWhenParityError = false;
    bool IgnoreNullChar = false;
    TRtsControl RtsControl = TRtsControl::RtsEnable;
    uint16_t XonLimit = 500;
    uint16_t XoffLimit = 500;
    TByteSize ByteSize = TByteSize::_8;
    TParity Parity = TParity::None;
    TStopBits StopBits = TStopBits::_1;
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ReplacedChar = 0;
};

// Builds the block to hand to the device from the settings; fields that the
// settings do not own keep the values read from the device.
DeviceControlBlock BuildDeviceControlBlock(const DeviceControlBlock& fromDevice,
                                           const LineSettings& settings);

} // namespace tarvessa
