// The component against a recording double of the device: settings, the
// open-failure undo, line events and the notification handler.
#include "serial/TComm.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/support/TestMain.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

namespace tarvessa {
namespace {

using test::FakeDevice;
using test::FakeDeviceState;
using test::WaitUntil;

class TCommFake : public ::testing::Test {
protected:
    void SetUp() override {
        state = std::make_shared<FakeDeviceState>();
        state->fromDevice.EofChar = 0x1A;
        state->fromDevice.EvtChar = 0x7E;
        state->fromDevice.Flags = DcbFlag::fAbortOnError | DcbFlag::fBinary;
        comm.SetDeviceOpener([s = state](const QString&) -> std::unique_ptr<SerialDevice> {
            return std::make_unique<FakeDevice>(s);
        });
    }
    std::vector<DeviceControlBlock> States() {
        std::lock_guard lock(state->mutex);
        return state->states;
    }
    std::vector<CommTimeouts> Timeouts() {
        std::lock_guard lock(state->mutex);
        return state->timeouts;
    }

    std::shared_ptr<FakeDeviceState> state;
    TComm comm;
};

TEST(TCommDefaults, FreshComponent) {
    TComm c;
    EXPECT_EQ(c.CommName(), QStringLiteral("COM1"));
    EXPECT_EQ(c.BaudRate(), 9600u);
    EXPECT_EQ(c.ByteSize(), TByteSize::_8);
    EXPECT_EQ(c.Parity(), TParity::None);
    EXPECT_EQ(c.StopBits(), TStopBits::_1);
    EXPECT_EQ(c.DtrControl(), TDtrControl::DtrEnable);
    EXPECT_EQ(c.RtsControl(), TRtsControl::RtsEnable);
    EXPECT_TRUE(c.TxContinueOnXoff());
    EXPECT_FALSE(c.ParityCheck() || c.Outx_CtsFlow() || c.Outx_DsrFlow() || c.DsrSensitivity() ||
                 c.Outx_XonXoffFlow() || c.Inx_XonXoffFlow() || c.ReplaceWhenParityError() ||
                 c.IgnoreNullChar());
    EXPECT_EQ(c.XonLimit(), 500);
    EXPECT_EQ(c.XoffLimit(), 500);
    EXPECT_EQ(c.XonChar(), 0x11);
    EXPECT_EQ(c.XoffChar(), 0x13);
    EXPECT_EQ(c.ReplacedChar(), 0);
    EXPECT_EQ(c.Timeouts(), (CommTimeouts{100, 0, 0, 0, 0}));
    EXPECT_FALSE(c.IsOpen());
    EXPECT_FALSE(c.OnReceiveData || c.OnReceiveError || c.OnModemStateChange || c.OnRequestHangup ||
                 c.OnSendDataEmpty);
}

TEST_F(TCommFake, ClosedSettersOnlyStoreAndOpenAppliesTimeoutsThenLine) {
    comm.SetBaudRate(19200);
    comm.SetReadIntervalTimeout(50);
    comm.SetParity(TParity::Even);
    EXPECT_TRUE(state->Calls().empty());
    EXPECT_EQ(comm.BaudRate(), 19200u);

    comm.OpenPort();
    EXPECT_EQ(state->Calls(), (std::vector<std::string>{"purge:15", "timeouts", "state"}));
    const DeviceControlBlock dcb = States().back();
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.Parity, 2);
    EXPECT_EQ(dcb.Flags, 0x1091u); // the device's abort-on-error is gone
    EXPECT_EQ(dcb.EofChar, 0x1A);
    EXPECT_EQ(dcb.EvtChar, 0x7E);
    EXPECT_EQ(Timeouts().back(), (CommTimeouts{50, 0, 0, 0, 0}));
    comm.ClosePort();
}

TEST_F(TCommFake, OpenSettersApplyOnlyRealChanges) {
    comm.OpenPort();
    const size_t states = States().size();
    const size_t timeouts = Timeouts().size();

    // Same values: nothing is applied.
    comm.SetBaudRate(9600);
    comm.SetByteSize(TByteSize::_8);
    comm.SetXonChar(0x11);
    comm.SetReadIntervalTimeout(100);
    EXPECT_EQ(States().size(), states);
    EXPECT_EQ(Timeouts().size(), timeouts);

    // Stores-only: Parity and CommName wait for the next open or line change.
    comm.SetParity(TParity::Odd);
    comm.SetCommName(QStringLiteral("COM7"));
    EXPECT_EQ(States().size(), states);
    EXPECT_EQ(comm.CommName(), QStringLiteral("COM7"));

    // A line change applies the whole block, with the stored parity.
    comm.SetStopBits(TStopBits::_2);
    ASSERT_EQ(States().size(), states + 1);
    EXPECT_EQ(States().back().Parity, 1);
    EXPECT_EQ(States().back().StopBits, 2);

    comm.SetDtrControl(TDtrControl::DtrDisable);
    EXPECT_EQ(States().back().Flags & DcbFlag::fDtrControlMask, 0u);
    comm.SetRtsControl(TRtsControl::RtsTransmissionAvailable);
    EXPECT_EQ(States().back().Flags & DcbFlag::fRtsControlMask, DcbFlag::fRtsControlMask);
    EXPECT_EQ(States().size(), states + 3);

    // Any time-out change sets all five.
    comm.SetWriteTotalTimeoutConstant(7);
    ASSERT_EQ(Timeouts().size(), timeouts + 1);
    EXPECT_EQ(Timeouts().back(), (CommTimeouts{100, 0, 0, 0, 7}));
    comm.ClosePort();

    // Closing changes no setting.
    EXPECT_EQ(comm.StopBits(), TStopBits::_2);
    EXPECT_EQ(comm.WriteTotalTimeoutConstant(), 7u);
}

TEST_F(TCommFake, FailedOpenUndoesEverythingAndLeavesComponentReusable) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        QString message;
        bool deviceOpened;
    };
    const std::vector<Case> cases = {
        {"queues refused", [&] { state->refuseQueues = true; },
         QStringLiteral("Cannot setup comm buffer"), true},
        {"no shutdown event", [&] { comm.InjectOpenFault(TComm::OpenFault::ShutdownEvent); },
         QStringLiteral("Unable to create event"), true},
        {"no reader", [&] { comm.InjectOpenFault(TComm::OpenFault::ReadThread); },
         QStringLiteral("Unable to create read thread"), true},
        {"no writer", [&] { comm.InjectOpenFault(TComm::OpenFault::WriteThread); },
         QStringLiteral("Unable to create write thread"), true},
        {"opener refuses",
         [&] {
             comm.SetDeviceOpener([](const QString&) -> std::unique_ptr<SerialDevice> {
                 throw ECommsError(QStringLiteral("Error opening serial port"));
             });
         },
         QStringLiteral("Error opening serial port"), false},
    };
    comm.OpenPort(); // warm-up: lazily started helper threads (the sanitizer's) stay
    comm.ClosePort();
    test::SpinFor(20);
    const int threads = test::ThreadCount();
    const int fds = test::OpenFdCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        c.arrange();
        comm.OnSendDataEmpty = [](TComm*) { ADD_FAILURE() << "a thread ran"; };
        try {
            comm.OpenPort();
            ADD_FAILURE() << "no error";
        } catch (const ECommsError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_FALSE(comm.IsOpen());
        EXPECT_EQ(state->opened, c.deviceOpened ? 1 : 0);
        EXPECT_EQ(state->closed, state->opened);
        EXPECT_EQ(test::ThreadCount(), threads);
        EXPECT_FALSE(comm.WriteBytes("x", 1));
        test::SpinFor(20);

        // Reusable: the next open works.
        comm.OnSendDataEmpty = nullptr;
        comm.InjectOpenFault(TComm::OpenFault::None);
        state->refuseQueues = false;
        SetUp();
        comm.OpenPort();
        EXPECT_TRUE(comm.IsOpen());
        comm.ClosePort();
        EXPECT_EQ(test::ThreadCount(), threads);
        test::SpinFor(20); // its notifications belong to this round
    }
    // The double of the last round holds as many descriptors as the warm-up's.
    EXPECT_EQ(test::OpenFdCount(), fds);
}

TEST_F(TCommFake, AlreadyOpenedLeavesThePortWorking) {
    comm.OpenPort();
    try {
        comm.OpenPort();
        FAIL() << "no error";
    } catch (const ECommsError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("This serial port already opened"));
    }
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_EQ(state->opened, 1);
    std::string got;
    comm.OnReceiveData = [&](TComm*, const void* b, uint16_t n) {
        got.append(static_cast<const char*>(b), n);
    };
    ASSERT_EQ(::write(state->peer.get(), "ok", 2), 2);
    EXPECT_TRUE(WaitUntil([&] { return got == "ok"; }));
    comm.ClosePort();
    comm.ClosePort(); // twice is harmless
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(TCommFake, LineEventsErrorBeforeModemAndBitsCombined) {
    std::vector<std::string> seen;
    comm.OnReceiveError = [&](TComm* s, uint32_t m) {
        EXPECT_EQ(s, &comm);
        seen.push_back("error " + std::to_string(m));
    };
    comm.OnModemStateChange = [&](TComm*, uint32_t m) {
        seen.push_back("modem " + std::to_string(m));
    };
    comm.OnRequestHangup = [&](TComm*) { seen.push_back("hangup"); };
    comm.OpenPort();
    state->Push(LineEventStatus::Ok, {LineError::CE_FRAME | LineError::CE_OVERRUN, 8});
    state->Push(LineEventStatus::Ok, {0, ModemEventCarrier | ModemEventRing});
    state->Push(LineEventStatus::Ok, {LineError::CE_BREAK, 0});
    state->Push(LineEventStatus::Ok, {}); // nothing happened: nothing posted
    ASSERT_TRUE(WaitUntil([&] { return seen.size() >= 4; }));
    test::SpinFor(30);
    EXPECT_EQ(seen, (std::vector<std::string>{"error 10", "modem 8", "modem 12", "error 16"}));

    // A device without line events is no failure; a failing query ends the
    // reader with one hang-up request.
    seen.clear();
    state->Push(LineEventStatus::Failed, {}, EPROTO);
    ASSERT_TRUE(WaitUntil([&] { return !seen.empty(); }));
    test::SpinFor(30);
    EXPECT_EQ(seen, (std::vector<std::string>{"hangup"}));
    comm.ClosePort();

    seen.clear();
    comm.OpenPort();
    state->Push(LineEventStatus::Unsupported);
    state->Push(LineEventStatus::Ok, {LineError::CE_FRAME, 0}); // never asked for again
    std::string got;
    comm.OnReceiveData = [&](TComm*, const void* b, uint16_t n) {
        got.append(static_cast<const char*>(b), n);
    };
    test::SpinFor(30);
    ASSERT_EQ(::write(state->peer.get(), "still reading", 13), 13);
    EXPECT_TRUE(WaitUntil([&] { return got == "still reading"; }));
    EXPECT_TRUE(seen.empty());
    comm.ClosePort();
}

TEST_F(TCommFake, BlocksAreReleasedWithoutHandlerAndWhenHandlerThrows) {
    test::ReportedErrors().clear();
    comm.OpenPort();
    ASSERT_EQ(::write(state->peer.get(), "one", 3), 3);
    ASSERT_TRUE(WaitUntil([&] { return comm.ReceiveQueue().peakBlocks >= 1; }));
    EXPECT_TRUE(WaitUntil([&] { return comm.ReceiveQueue().pendingBlocks == 0; }));

    int calls = 0;
    comm.OnReceiveData = [&](TComm*, const void* b, uint16_t n) {
        ++calls;
        EXPECT_EQ(std::string(static_cast<const char*>(b), n), "two");
        EXPECT_EQ(comm.ReceiveQueue().pendingBlocks, 1u); // alive during the call
        throw std::runtime_error("handler failed");
    };
    ASSERT_EQ(::write(state->peer.get(), "two", 3), 3);
    ASSERT_TRUE(WaitUntil([&] { return calls == 1; }));
    EXPECT_EQ(comm.ReceiveQueue().pendingBlocks, 0u);
    EXPECT_EQ(comm.ReceiveQueue().pendingBytes, 0u);
    ASSERT_EQ(test::ReportedErrors().size(), 1u);
    EXPECT_EQ(test::ReportedErrors()[0].text, QStringLiteral("handler failed."));
    comm.ClosePort();
}

TEST_F(TCommFake, NotificationsPostedBeforeCloseArriveAfterIt) {
    comm.OpenPort();
    // Nobody runs the event loop: the block stays queued across ClosePort.
    ASSERT_EQ(::write(state->peer.get(), "late", 4), 4);
    for (int i = 0; i < 5000 && comm.ReceiveQueue().pendingBlocks == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(comm.ReceiveQueue().pendingBlocks, 1u);
    std::string got;
    bool closedDuringCall = false;
    comm.OnReceiveData = [&](TComm*, const void* b, uint16_t n) {
        got.append(static_cast<const char*>(b), n);
        closedDuringCall = !comm.IsOpen();
    };
    comm.ClosePort();
    ASSERT_TRUE(WaitUntil([&] { return !got.empty(); }));
    EXPECT_EQ(got, "late");
    EXPECT_TRUE(closedDuringCall);
}

TEST_F(TCommFake, DestroyingAnOpenComponentEndsItsThreads) {
    comm.OpenPort(); // warm-up, as above
    comm.ClosePort();
    test::SpinFor(20);
    const int threads = test::ThreadCount();
    {
        TComm local;
        local.SetDeviceOpener([s = state](const QString&) -> std::unique_ptr<SerialDevice> {
            return std::make_unique<FakeDevice>(s);
        });
        local.OpenPort();
        ASSERT_TRUE(local.WriteBytes("abc", 3));
        ::write(state->peer.get(), "xyz", 3);
    }
    EXPECT_EQ(state->opened, 2);
    EXPECT_EQ(state->closed, 2);
    EXPECT_EQ(test::ThreadCount(), threads);
    test::SpinFor(20); // queued notifications of the dead component are gone with it
}

} // namespace
} // namespace tarvessa
