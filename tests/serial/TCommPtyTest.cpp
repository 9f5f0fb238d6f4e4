// The component on real pseudo-terminals: the test plays the device on the
// master side, the component opens the slave by its path.
#include "serial/TComm.h"
#include "serial/Termios2.h"
#include "tests/serial/SerialTestSupport.h"

#include <QTemporaryDir>
#include <QTemporaryFile>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace tarvessa {
namespace {

using test::Pty;
using test::WaitUntil;

// Collects what OnReceiveData hands out and checks each block's shape.
struct Received {
    std::vector<uint8_t> bytes;
    std::vector<uint16_t> blocks;
    int badTerminator = 0;

    void Attach(TComm& comm) {
        comm.OnReceiveData = [this](TComm*, const void* buffer, uint16_t length) {
            auto* p = static_cast<const uint8_t*>(buffer);
            bytes.insert(bytes.end(), p, p + length);
            blocks.push_back(length);
            if (p[length] != 0)
                ++badTerminator;
        };
    }
};

std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(size);
    for (auto& b : v)
        b = uint8_t(rng());
    return v;
}

QString ExpectOpenError(TComm& comm, const QString& message) {
    try {
        comm.OpenPort();
        ADD_FAILURE() << "no error for " << comm.CommName().toStdString();
    } catch (const ECommsError& e) {
        EXPECT_EQ(e.Message(), message) << comm.CommName().toStdString();
        EXPECT_FALSE(e.Detail().isEmpty());
        return e.Detail();
    }
    return {};
}

// The pty driver forces CS8 without parity whatever it is given, so data bits
// and parity are checked on the block handed to the recording double.
TEST(TCommPty, LineSettingsReachTheTty) {
    Pty pty;
    // A descriptor of our own to read the slave's settings through.
    test::UniqueFdHolder probe(
        ::open(pty.path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_GE(probe.get(), 0);
    TComm comm;
    comm.SetCommName(pty.path());
    comm.SetBaudRate(16550);
    comm.SetParityCheck(true);
    comm.SetStopBits(TStopBits::_2);
    comm.SetOutx_XonXoffFlow(true);
    comm.SetXonChar('Q');
    comm.OpenPort();

    TtyLineView v;
    ASSERT_TRUE(ReadTtyLine(probe.get(), v));
    EXPECT_EQ(v.outputSpeed, 16550u);
    EXPECT_EQ(v.inputSpeed, 16550u);
    EXPECT_TRUE(v.inputCheck);
    EXPECT_TRUE(v.twoStopBits);
    EXPECT_TRUE(v.ixon);
    EXPECT_FALSE(v.ixoff);
    EXPECT_FALSE(v.rtsCts);
    EXPECT_EQ(v.startChar, 'Q');
    EXPECT_EQ(v.stopChar, 0x13);
    EXPECT_FALSE(v.canonical);
    EXPECT_FALSE(v.echo);
    EXPECT_FALSE(v.postProcess);
    EXPECT_FALSE(v.markErrors);
    EXPECT_TRUE(v.local);
    EXPECT_TRUE(v.receiverOn);
    EXPECT_EQ(v.vmin, 0);
    EXPECT_EQ(v.vtime, 0);

    // While open: a line change applies at once, with any rate.
    comm.SetBaudRate(250000);
    comm.SetOutx_CtsFlow(true);
    comm.SetReplacedChar('?');
    ASSERT_TRUE(ReadTtyLine(probe.get(), v));
    EXPECT_EQ(v.outputSpeed, 250000u);
    EXPECT_TRUE(v.rtsCts);
    EXPECT_TRUE(v.markErrors);
    comm.ClosePort();
}

TEST(TCommPty, OpenErrorsLeaveTheComponentClosedAndReusable) {
    Pty pty;
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    QTemporaryDir dir;
    TComm holder;
    holder.SetCommName(pty.path());
    holder.OpenPort();

    const int fds = test::OpenFdCount();
    struct Case {
        QString name;
        QString message;
    };
    const QString kOpen = QStringLiteral("Error opening serial port");
    const QString kNotComm = QStringLiteral("File handle is not a comm handle ");
    const std::vector<Case> cases = {
        {QStringLiteral("/dev/tarvessa-no-such-port"), kOpen},
        {file.fileName(), kNotComm},
        {dir.path(), kOpen},
        {QStringLiteral("/dev/null"), kNotComm},
        {pty.path(), kOpen}, // held by another open
    };
    TComm comm;
    for (const Case& c : cases) {
        comm.SetCommName(c.name);
        const QString detail = ExpectOpenError(comm, c.message);
        EXPECT_FALSE(comm.IsOpen());
        EXPECT_EQ(test::OpenFdCount(), fds) << c.name.toStdString();
        if (c.name == pty.path()) {
            EXPECT_TRUE(detail.contains(QStringLiteral("in use"))) << detail.toStdString();
        }
    }

    // A COM name that maps to no device.
    qputenv("TARVESSA_PORTS", pty.path().toLocal8Bit());
    comm.SetCommName(QStringLiteral("COM2"));
    ExpectOpenError(comm, kOpen);
    holder.ClosePort();

    // Reusable: COM1 is now the pty, free again.
    comm.SetCommName(QStringLiteral("COM1"));
    comm.OpenPort();
    EXPECT_TRUE(comm.IsOpen());
    qunsetenv("TARVESSA_PORTS");
    comm.ClosePort();
}

TEST(TCommPty, ReopenRunsNewThreadsAndDataStillFlows) {
    Pty pty;
    TComm comm;
    comm.SetCommName(pty.path());
    Received rx;
    rx.Attach(comm);
    comm.OpenPort(); // warm-up: lazily started helper threads (the sanitizer's) stay
    comm.ClosePort();
    const int threads = test::ThreadCount();
    for (int round = 0; round < 3; ++round) {
        comm.OpenPort();
        EXPECT_EQ(test::ThreadCount(), threads + 2);
        const std::string text = "round " + std::to_string(round);
        pty.Send(text);
        ASSERT_TRUE(WaitUntil([&] { return rx.bytes.size() >= text.size(); }));
        EXPECT_EQ(std::string(rx.bytes.begin(), rx.bytes.end()), text);
        rx.bytes.clear();
        comm.ClosePort();
        EXPECT_EQ(test::ThreadCount(), threads);
    }
}

TEST(TCommPty, FloodInRandomBurstsArrivesInOrderInBlocksOfAtMost2048) {
    Pty pty;
    TComm comm;
    comm.SetCommName(pty.path());
    Received rx;
    rx.Attach(comm);
    comm.OpenPort();

    const std::vector<uint8_t> data = Pattern(3 << 20, 7);
    std::thread device([&] {
        std::mt19937 rng(11);
        size_t at = 0;
        while (at < data.size()) {
            const size_t burst = std::min(data.size() - at, size_t(1 + rng() % 20000));
            pty.Send(data.data() + at, burst);
            at += burst;
            if (rng() % 8 == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(rng() % 3000));
        }
    });
    const bool all = WaitUntil([&] { return rx.bytes.size() >= data.size(); }, 40000);
    device.join();
    ASSERT_TRUE(all) << rx.bytes.size() << " of " << data.size();
    EXPECT_TRUE(rx.bytes == data);
    EXPECT_EQ(rx.badTerminator, 0);
    for (uint16_t n : rx.blocks) {
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 2048);
    }
    EXPECT_GT(rx.blocks.size(), data.size() / 2048 - 1);
    comm.ClosePort();
}

TEST(TCommPty, PauseLongerThanTheIntervalSplitsBlocks) {
    Pty pty;
    TComm comm;
    comm.SetCommName(pty.path());
    Received rx;
    rx.Attach(comm);
    comm.OpenPort();

    pty.Send("abc");
    std::this_thread::sleep_for(std::chrono::milliseconds(250)); // > 100 ms interval
    pty.Send("def");
    ASSERT_TRUE(WaitUntil([&] { return rx.bytes.size() == 6; }));
    EXPECT_EQ(rx.blocks, (std::vector<uint16_t>{3, 3}));

    // A gap shorter than the interval keeps one block.
    comm.SetReadIntervalTimeout(600);
    rx = {};
    rx.Attach(comm);
    pty.Send("ghi");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    pty.Send("jkl");
    ASSERT_TRUE(WaitUntil([&] { return rx.bytes.size() == 6; }));
    EXPECT_EQ(rx.blocks, (std::vector<uint16_t>{6}));
    comm.ClosePort();
}

// With a total time-out, a line that never pauses long enough still gives
// blocks as the time-out runs out, not only when 2048 bytes have come.
TEST(TCommPty, TotalTimeoutEndsAReadOnALineThatNeverPauses) {
    Pty pty;
    TComm comm;
    comm.SetCommName(pty.path());
    comm.SetReadIntervalTimeout(0); // no interval limit
    comm.SetReadTotalTimeoutConstant(100);
    Received rx;
    rx.Attach(comm);
    comm.OpenPort();

    // One byte every 5 ms for about 1.5 s: 300 bytes, never a pause.
    std::atomic<bool> feeding{true};
    std::thread feeder([&] {
        for (int i = 0; i < 300; ++i) {
            pty.Send("x");
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        feeding = false;
    });
    const bool blocksWhileFeeding = WaitUntil([&] { return rx.blocks.size() >= 3; }, 10000);
    const bool stillFeeding = feeding.load();
    feeder.join();
    EXPECT_TRUE(blocksWhileFeeding);
    EXPECT_TRUE(stillFeeding) << "blocks came only after the line went quiet";
    comm.ClosePort();
}

TEST(TCommPty, ParityMarksAreUndoneWithAReplacementCharacter) {
    Pty pty;
    TComm comm;
    comm.SetCommName(pty.path());
    comm.SetReplacedChar('?');
    Received rx;
    rx.Attach(comm);
    comm.OpenPort();
    // No error can be made on a pty, but a real 0xFF must come through whole.
    const std::string sent("a\xFF\xFF"
                           "b\xFF",
                           5);
    pty.Send(sent);
    ASSERT_TRUE(WaitUntil([&] { return rx.bytes.size() >= 5; }));
    EXPECT_EQ(std::string(rx.bytes.begin(), rx.bytes.end()), sent);
    comm.ClosePort();
}

TEST(TCommPty, WritesGoOutInOrderAndComplete) {
    Pty pty;
    TComm comm;
    comm.SetCommName(pty.path());
    comm.OpenPort();

    const std::vector<uint8_t> data = Pattern(300000, 3);
    std::mt19937 rng(5);
    std::vector<uint8_t> scratch;
    size_t at = 0;
    while (at < data.size()) {
        const size_t n = std::min(data.size() - at, size_t(rng() % 3 ? 1 : 1 + rng() % 60000));
        scratch.assign(data.begin() + long(at), data.begin() + long(at + n));
        ASSERT_TRUE(comm.WriteBytes(scratch.data(), uint16_t(n)));
        std::fill(scratch.begin(), scratch.end(), 0xEE); // the copy was taken
        at += n;
    }
    std::vector<uint8_t> out;
    ASSERT_TRUE(WaitUntil(
        [&] {
            pty.Drain(out);
            return out.size() >= data.size();
        },
        20000));
    EXPECT_TRUE(out == data);
    EXPECT_FALSE(comm.WriteBytes("x", 0));
    comm.ClosePort();
    EXPECT_FALSE(comm.WriteBytes("x", 1));
}

TEST(TCommPty, SendDataEmptyOnceAfterOpenAndOncePerRun) {
    Pty pty;
    TComm comm;
    comm.SetCommName(pty.path());
    int empties = 0;
    comm.OnSendDataEmpty = [&](TComm*) { ++empties; };
    comm.OpenPort();
    ASSERT_TRUE(WaitUntil([&] { return empties == 1; }));
    test::SpinFor(50);
    EXPECT_EQ(empties, 1);

    // The master reads nothing yet, so the first block stalls the writer and
    // the rest queue behind it: one run, one notice.
    const std::vector<uint8_t> big(60000, 'A');
    ASSERT_TRUE(comm.WriteBytes(big.data(), uint16_t(big.size())));
    for (char c : std::string("BCDE"))
        ASSERT_TRUE(comm.WriteBytes(&c, 1));
    std::vector<uint8_t> out;
    ASSERT_TRUE(WaitUntil([&] {
        pty.Drain(out);
        return out.size() == big.size() + 4 && empties == 2;
    }));
    test::SpinFor(50);
    EXPECT_EQ(empties, 2);
    EXPECT_EQ(std::string(out.end() - 4, out.end()), "BCDE");

    // A later block is a new run.
    ASSERT_TRUE(comm.WriteBytes("F", 1));
    ASSERT_TRUE(WaitUntil([&] { return empties == 3; }));
    comm.ClosePort();
}

TEST(TCommPty, CloseWithQueuedWritesReturnsAndSendsNoneOfThem) {
    Pty pty;
    TComm comm;
    comm.SetCommName(pty.path());
    comm.OpenPort();
    // Two fillers are more than the pty can hold while the test reads
    // nothing, so the writer stalls inside them with B and C queued behind.
    const std::vector<uint8_t> f(65535, 'F'), g(65535, 'G'), b(1000, 'B'), c(1000, 'C');
    for (const auto* block : {&f, &g, &b, &c})
        ASSERT_TRUE(comm.WriteBytes(block->data(), uint16_t(block->size())));
    ASSERT_TRUE(WaitUntil([&] {
        pollfd p{pty.master(), POLLIN, 0};
        return ::poll(&p, 1, 0) == 1;
    }));
    test::SpinFor(50); // let the writer run into the full pty
    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());
    std::vector<uint8_t> out;
    pty.Drain(out);
    EXPECT_FALSE(out.empty());
    EXPECT_LT(out.size(), f.size() + g.size());
    for (uint8_t x : out)
        ASSERT_TRUE(x == 'F' || x == 'G') << int(x);
}

TEST(TCommPty, VanishingDeviceAsksForHangupOnce) {
    auto pty = std::make_unique<Pty>();
    TComm comm;
    comm.SetCommName(pty->path());
    int hangups = 0;
    comm.OnRequestHangup = [&](TComm*) { ++hangups; };
    comm.OpenPort();
    pty->CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return hangups >= 1; }));
    comm.WriteBytes("after", 5); // the writer finds it gone too
    test::SpinFor(150);
    EXPECT_EQ(hangups, 1);
    EXPECT_TRUE(comm.IsOpen()); // the component closes nothing itself
    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());
}

TEST(TCommPty, ThousandOpenCloseCyclesWithTrafficLeaveNothingBehind) {
    Pty pty;
    TComm comm;
    comm.SetCommName(pty.path());
    size_t received = 0;
    comm.OnReceiveData = [&](TComm*, const void*, uint16_t n) { received += n; };
    comm.OpenPort(); // warm-up: Qt's own lazily made resources
    comm.ClosePort();
    test::SpinFor(10);
    const int fds = test::OpenFdCount();
    const int threads = test::ThreadCount();

    std::vector<uint8_t> sink;
    for (int i = 0; i < 1000; ++i) {
        comm.OpenPort();
        pty.Send("0123456789abcdef");
        ASSERT_TRUE(comm.WriteBytes("fedcba9876543210", 16));
        if (i % 50 == 0) {
            ASSERT_TRUE(WaitUntil([&] { return received >= 16; }));
        }
        QCoreApplication::processEvents();
        comm.ClosePort();
        pty.Drain(sink);
    }
    test::SpinFor(20);
    EXPECT_EQ(test::OpenFdCount(), fds);
    EXPECT_EQ(test::ThreadCount(), threads);
    EXPECT_GT(received, 0u);
    EXPECT_EQ(comm.ReceiveQueue().pendingBlocks, 0u);
}

} // namespace
} // namespace tarvessa
