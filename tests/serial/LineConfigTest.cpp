#include "serial/LineConfig.h"
#include "serial/RxFilter.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarvessa {
namespace {

struct DcbCase {
    const char* name;
    std::function<void(LineSettings&)> change;
    uint32_t flags;
    uint8_t byteSize;
    uint8_t parity;
    uint8_t stopBits;
};

TEST(BuildDeviceControlBlock, SettingsGiveFlagsAndFields) {
    const std::vector<DcbCase> cases = {
        {"defaults", [](LineSettings&) {}, 0x1091, 8, 0, 0},
        {"parity check", [](LineSettings& s) { s.ParityCheck = true; }, 0x1093, 8, 0, 0},
        {"cts flow", [](LineSettings& s) { s.Outx_CtsFlow = true; }, 0x1095, 8, 0, 0},
        {"dsr flow", [](LineSettings& s) { s.Outx_DsrFlow = true; }, 0x1099, 8, 0, 0},
        {"dtr disable", [](LineSettings& s) { s.DtrControl = TDtrControl::DtrDisable; }, 0x1081, 8,
         0, 0},
        {"dtr handshake", [](LineSettings& s) { s.DtrControl = TDtrControl::DtrHandshake; }, 0x10A1,
         8, 0, 0},
        {"dsr sensitivity", [](LineSettings& s) { s.DsrSensitivity = true; }, 0x10D1, 8, 0, 0},
        {"no tx continue", [](LineSettings& s) { s.TxContinueOnXoff = false; }, 0x1011, 8, 0, 0},
        {"xon/xoff out", [](LineSettings& s) { s.Outx_XonXoffFlow = true; }, 0x1191, 8, 0, 0},
        {"xon/xoff in", [](LineSettings& s) { s.Inx_XonXoffFlow = true; }, 0x1291, 8, 0, 0},
        {"error char", [](LineSettings& s) { s.ReplaceWhenParityError = true; }, 0x1491, 8, 0, 0},
        {"null strip", [](LineSettings& s) { s.IgnoreNullChar = true; }, 0x1891, 8, 0, 0},
        {"rts disable", [](LineSettings& s) { s.RtsControl = TRtsControl::RtsDisable; }, 0x0091, 8,
         0, 0},
        {"rts handshake", [](LineSettings& s) { s.RtsControl = TRtsControl::RtsHandshake; }, 0x2091,
         8, 0, 0},
        {"rts toggle",
         [](LineSettings& s) { s.RtsControl = TRtsControl::RtsTransmissionAvailable; }, 0x3091, 8,
         0, 0},
        {"5 bits, 1.5 stop",
         [](LineSettings& s) {
             s.ByteSize = TByteSize::_5;
             s.StopBits = TStopBits::_1_5;
         },
         0x1091, 5, 0, 1},
        {"7 bits, even, 2 stop",
         [](LineSettings& s) {
             s.ByteSize = TByteSize::_7;
             s.Parity = TParity::Even;
             s.StopBits = TStopBits::_2;
         },
         0x1091, 7, 2, 2},
        {"6 bits, odd",
         [](LineSettings& s) {
             s.ByteSize = TByteSize::_6;
             s.Parity = TParity::Odd;
         },
         0x1091, 6, 1, 0},
        {"mark", [](LineSettings& s) { s.Parity = TParity::Mark; }, 0x1091, 8, 3, 0},
        {"space", [](LineSettings& s) { s.Parity = TParity::Space; }, 0x1091, 8, 4, 0},
        {"everything on",
         [](LineSettings& s) {
             s.ParityCheck = s.Outx_CtsFlow = s.Outx_DsrFlow = s.DsrSensitivity = true;
             s.Outx_XonXoffFlow = s.Inx_XonXoffFlow = s.ReplaceWhenParityError = true;
             s.IgnoreNullChar = true;
             s.DtrControl = TDtrControl::DtrHandshake;
             s.RtsControl = TRtsControl::RtsTransmissionAvailable;
         },
         0x3FEF, 8, 0, 0},
    };

    // The device's own fields survive; its flags (abort-on-error and the
    // reserved bits among them) do not.
    DeviceControlBlock device;
    device.DCBlength = 28;
    device.BaudRate = 115200;
    device.Flags = 0xFFFFFFFF;
    device.wReserved = 5;
    device.EofChar = 0x1A;
    device.EvtChar = 0x7E;
    device.wReserved1 = 9;

    for (const DcbCase& c : cases) {
        SCOPED_TRACE(c.name);
        LineSettings s;
        c.change(s);
        const DeviceControlBlock dcb = BuildDeviceControlBlock(device, s);
        EXPECT_EQ(dcb.Flags, c.flags);
        EXPECT_EQ(dcb.Flags & DcbFlag::fAbortOnError, 0u);
        EXPECT_EQ(dcb.ByteSize, c.byteSize);
        EXPECT_EQ(dcb.Parity, c.parity);
        EXPECT_EQ(dcb.StopBits, c.stopBits);
        EXPECT_EQ(dcb.BaudRate, 9600u);
        EXPECT_EQ(dcb.XonLim, 500);
        EXPECT_EQ(dcb.XoffLim, 500);
        EXPECT_EQ(dcb.XonChar, 0x11);
        EXPECT_EQ(dcb.XoffChar, 0x13);
        EXPECT_EQ(dcb.ErrorChar, 0);
        EXPECT_EQ(dcb.DCBlength, 28u);
        EXPECT_EQ(dcb.wReserved, 5);
        EXPECT_EQ(dcb.EofChar, 0x1A);
        EXPECT_EQ(dcb.EvtChar, 0x7E);
        EXPECT_EQ(dcb.wReserved1, 9);
    }
}

TEST(BuildDeviceControlBlock, NumbersAndCharactersPassUnchecked) {
    LineSettings s;
    s.BaudRate = 16550;
    s.XonLimit = 0;
    s.XoffLimit = 65535;
    s.XonChar = 'Q';
    s.XoffChar = 'S';
    s.ReplacedChar = '?';
    const DeviceControlBlock dcb = BuildDeviceControlBlock({}, s);
    EXPECT_EQ(dcb.BaudRate, 16550u);
    EXPECT_EQ(dcb.XonLim, 0);
    EXPECT_EQ(dcb.XoffLim, 65535);
    EXPECT_EQ(dcb.XonChar, 'Q');
    EXPECT_EQ(dcb.XoffChar, 'S');
    EXPECT_EQ(dcb.ErrorChar, '?');
}

std::string Filtered(RxFilter& f, std::string in, const RxFilter::Options& o) {
    const size_t n = f.Filter(reinterpret_cast<uint8_t*>(in.data()), in.size(), o);
    return in.substr(0, n);
}

TEST(RxFilter, UndoesParityMarksAndStripsNulls) {
    using namespace std::string_literals;
    const RxFilter::Options off;
    const RxFilter::Options marks{true, '?', false};
    const RxFilter::Options strip{false, 0, true};
    const RxFilter::Options both{true, '?', true};
    struct Case {
        const char* name;
        RxFilter::Options options;
        std::vector<std::string> reads; // one escape may be split over reads
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"plain passes", off, {"a\xFF\0b"s}, "a\xFF\0b"s},
        {"real FF",
         marks,
         {"a\xFF\xFF"s
          "b"},
         "a\xFF"s
         "b"},
        {"error byte",
         marks,
         {"a\xFF\0\x41"s
          "b"},
         "a?b"},
        {"break", marks, {"\xFF\0\0"s}, "?"},
        {"split FF FF",
         marks,
         {"a\xFF"s, "\xFF"s
                    "b"},
         "a\xFF"s
         "b"},
        {"split FF 00 x", marks, {"\xFF"s, "\0"s, "Zc"}, "?c"},
        {"unknown escape kept",
         marks,
         {"\xFF"s
          "A"},
         "\xFF"s
         "A"},
        {"nulls dropped", strip, {"\0a\0\0b\0"s}, "ab"},
        {"marks and nulls", both, {"\0\xFF\xFF\xFF\0x"s}, "\xFF?"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RxFilter f;
        std::string got;
        for (const std::string& r : c.reads)
            got += Filtered(f, r, c.options);
        EXPECT_EQ(got, c.expected);
    }
}

} // namespace
} // namespace tarvessa
