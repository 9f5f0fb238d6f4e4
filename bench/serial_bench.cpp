// Prints figures; run by hand: build/bench/serial_bench
#include "serial/TComm.h"
#include "serial/Termios2.h"
#include "serial/UniqueFd.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tarvessa;
using Clock = std::chrono::steady_clock;

namespace {

struct Pty {
    UniqueFd master;
    QString path;
    Pty() {
        master.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (!master || ::grantpt(master.get()) || ::unlockpt(master.get()))
            throw std::runtime_error("no pty");
        char name[128] = {};
        ::ptsname_r(master.get(), name, sizeof name);
        path = QString::fromLocal8Bit(name);
    }
};

void WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            throw std::runtime_error("write");
        }
        p += w;
        n -= size_t(w);
    }
}

// Feeds `total` bytes into fd in 64 KiB writes.
std::thread Feeder(int fd, size_t total) {
    return std::thread([fd, total] {
        std::vector<uint8_t> chunk(65536);
        for (size_t i = 0; i < chunk.size(); ++i)
            chunk[i] = uint8_t(i * 7);
        for (size_t sent = 0; sent < total;) {
            const size_t n = std::min(chunk.size(), total - sent);
            WriteAll(fd, chunk.data(), n);
            sent += n;
        }
    });
}

// Reads `total` bytes from fd (blocking in poll).
std::thread Drainer(int fd, size_t total, std::atomic<size_t>& got, size_t readSize = 65536) {
    return std::thread([fd, total, &got, readSize] {
        std::vector<uint8_t> buf(readSize);
        while (got.load() < total) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0)
                continue;
            const ssize_t n = ::read(fd, buf.data(), buf.size());
            if (n > 0)
                got += size_t(n);
        }
    });
}

template <class Pred> void Spin(Pred done) {
    while (!done()) {
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// CPU seconds of the whole process, all threads, user and system. Steadier
// than the rates on a shared 2-core machine, where those mostly show how the
// threads happened to be scheduled.
double CpuSeconds() {
    rusage r{};
    ::getrusage(RUSAGE_SELF, &r);
    auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return sec(r.ru_utime) + sec(r.ru_stime);
}

UniqueFd OpenRawSlave(const QString& path) {
    UniqueFd fd(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    DeviceControlBlock dcb;
    dcb.BaudRate = 115200;
    ApplyDcbToTty(fd.get(), dcb);
    return fd;
}

void ReceiveFlood(size_t total) {
    double compRate = 0, plainRate = 0, compCpu = 0, plainCpu = 0;
    const double perBlock = 1e6 * 2048.0 / double(total); // s -> us per 2 KiB
    {
        Pty pty;
        TComm comm;
        comm.SetCommName(pty.path);
        size_t bytes = 0, blocks = 0;
        uint64_t sum = 0;
        comm.OnReceiveData = [&](TComm*, const void* b, uint16_t n) {
            bytes += n;
            ++blocks;
            sum += static_cast<const uint8_t*>(b)[0];
        };
        comm.OpenPort();
        const double c0 = CpuSeconds();
        const auto t0 = Clock::now();
        std::thread feed = Feeder(pty.master.get(), total);
        Spin([&] { return bytes >= total; });
        const auto t1 = Clock::now();
        feed.join();
        compCpu = (CpuSeconds() - c0) * perBlock;
        benchmark::DoNotOptimize(sum);
        const double s = Seconds(t0, t1);
        compRate = double(total) / s / 1e6;
        std::printf("receive  TComm -> OnReceiveData : %8.1f MB/s  %9.0f blocks/s  (%zu blocks, "
                    "avg %.0f B)\n",
                    compRate, double(blocks) / s, blocks, double(bytes) / double(blocks));
        comm.ClosePort();
    }
    {
        Pty pty;
        UniqueFd slave = OpenRawSlave(pty.path);
        std::atomic<size_t> got{0};
        const double c0 = CpuSeconds();
        const auto t0 = Clock::now();
        std::thread feed = Feeder(pty.master.get(), total);
        std::thread drain = Drainer(slave.get(), total, got, 2048); // the reader's size
        feed.join();
        drain.join();
        const double s = Seconds(t0, Clock::now());
        plainCpu = (CpuSeconds() - c0) * perBlock;
        plainRate = double(total) / s / 1e6;
        std::printf("receive  plain poll+read(2048)  : %8.1f MB/s\n", plainRate);
    }
    std::printf("receive  ratio TComm / plain    : %8.2f\n", compRate / plainRate);
    std::printf("receive  CPU per 2 KiB, all threads: TComm %.1f us, plain %.1f us\n\n", compCpu,
                plainCpu);
}

void SendSingleBytes(size_t total) {
    double compRate = 0, plainRate = 0;
    {
        Pty pty;
        TComm comm;
        comm.SetCommName(pty.path);
        comm.OpenPort();
        std::atomic<size_t> got{0};
        std::thread drain = Drainer(pty.master.get(), total, got);
        const auto t0 = Clock::now();
        size_t refused = 0;
        for (size_t i = 0; i < total; ++i) {
            const uint8_t b = uint8_t(i);
            if (!comm.WriteBytes(&b, 1))
                ++refused;
        }
        const auto tQueued = Clock::now();
        drain.join();
        const auto t1 = Clock::now();
        compRate = double(total) / Seconds(t0, t1);
        std::printf("send     1-byte WriteBytes      : %8.0f bytes/s  (calls alone %.0f ns each, "
                    "%zu refused)\n",
                    compRate, Seconds(t0, tQueued) * 1e9 / double(total), refused);
        comm.ClosePort();
    }
    {
        Pty pty;
        UniqueFd slave = OpenRawSlave(pty.path);
        std::atomic<size_t> got{0};
        std::thread drain = Drainer(pty.master.get(), total, got);
        const auto t0 = Clock::now();
        for (size_t i = 0; i < total; ++i) {
            const uint8_t b = uint8_t(i);
            WriteAll(slave.get(), &b, 1);
        }
        drain.join();
        plainRate = double(total) / Seconds(t0, Clock::now());
        std::printf("send     1-byte plain write()   : %8.0f bytes/s\n", plainRate);
    }
    std::printf("send     ratio TComm / plain    : %8.2f\n\n", compRate / plainRate);
}

void SlowOwner(size_t total) {
    Pty pty;
    TComm comm;
    comm.SetCommName(pty.path);
    size_t bytes = 0, blocks = 0;
    bool ordered = true;
    comm.OnReceiveData = [&](TComm*, const void* b, uint16_t n) {
        auto* p = static_cast<const uint8_t*>(b);
        for (uint16_t i = 0; i < n; ++i)
            ordered &= p[i] == uint8_t(((bytes + i) % 65536) * 7);
        bytes += n;
        ++blocks;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    comm.OpenPort();
    const auto t0 = Clock::now();
    std::thread feed = Feeder(pty.master.get(), total);
    feed.join();
    const double feedSeconds = Seconds(t0, Clock::now());
    Spin([&] { return bytes >= total; });
    const double s = Seconds(t0, Clock::now());
    const ReceiveQueueStats q = comm.ReceiveQueue();
    std::printf("slow owner (5 ms per block), %zu bytes flooded in %.2f s, handled in %.2f s\n",
                total, feedSeconds, s);
    std::printf("  received %zu bytes in %zu blocks, in order: %s, lost: %zu\n", bytes, blocks,
                ordered ? "yes" : "NO", total - std::min(total, bytes));
    std::printf("  peak queued: %llu blocks, %llu data bytes (~%llu KiB with block and event "
                "overhead)\n",
                (unsigned long long)q.peakBlocks, (unsigned long long)q.peakBytes,
                (unsigned long long)((q.peakBytes + q.peakBlocks * (24 + 40 + 16)) / 1024));
    comm.ClosePort();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ReceiveFlood(64u << 20);
    SendSingleBytes(1u << 20);
    SlowOwner(2u << 20);
    return 0;
}
