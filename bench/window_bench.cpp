// The main window under load, on the offscreen platform at its real size.
//
// 1. Comm1ReceiveData per 2048-byte block, text and hexadecimal mode, waveform
//    off and on, including the repaint work the event loop does afterwards.
// 2. End to end: a device floods a pseudo-terminal as fast as it takes bytes;
//    the real component reads, the real window handles every block. Figures:
//    MB/s and blocks/s the window sustains, the peak backlog of blocks posted
//    but not yet handled, and whether any byte was lost.
// 3. Send: a 2048-byte Send area from click to last byte at the other end.
//
// Usage: window_bench [megabytes for the flood, default 64]

#include "notice/TForm2.h"
#include "terminal/TForm1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <qcustomplot.h>
#include <random>
#include <thread>
#include <unistd.h>

using namespace tarvessa;

namespace {

struct PtyPair {
    int master = -1;
    QString slave;
    PtyPair() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::grantpt(master);
        ::unlockpt(master);
        char name[128] = {};
        ::ptsname_r(master, name, sizeof name);
        slave = QString::fromLocal8Bit(name);
    }
    ~PtyPair() { ::close(master); }
};

QByteArray randomBlock(size_t n, bool text) {
    std::mt19937 rng(42);
    QByteArray b(qsizetype(n), '\0');
    for (auto& c : b)
        c = text ? char(0x20 + rng() % 0x5F) : char(1 + rng() % 255);
    return b;
}

// Mode index of ComboBox6 (-1: none), Button6 caption.
double microsPerBlock(TForm1& form, int waveMode, const char* caption, const QByteArray& first,
                      int blocks, bool withEventLoop) {
    // Two different blocks in turn: a field given the text it already has
    // does no work, which would flatter the figure.
    QByteArray second = first;
    std::reverse(second.begin(), second.end());
    form.ComboBox6->setCurrentIndex(waveMode);
    form.Button6->setText(QString::fromLatin1(caption));
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < blocks; ++i) {
        const QByteArray& block = i % 2 ? second : first;
        form.Comm1ReceiveData(form.Comm1, block.constData(), uint16_t(block.size()));
        if (withEventLoop)
            QCoreApplication::processEvents(); // one pass: repaint, queued replot
    }
    return double(t.nsecsElapsed()) / 1000.0 / blocks;
}

struct FloodResult {
    double seconds;
    uint64_t bytes;
    uint64_t blocks;
    uint64_t peakBacklogBlocks;
    uint64_t peakBacklogBytes;
};

// bytesPerSecond 0: as fast as the pseudo-terminal takes them.
FloodResult flood(TForm1& form, PtyPair& pty, int waveMode, const char* caption,
                  uint64_t totalBytes, double bytesPerSecond = 0) {
    form.ComboBox6->setCurrentIndex(waveMode);
    form.Button6->setText(QString::fromLatin1(caption));
    std::atomic<uint64_t> received{0};
    uint64_t blocks = 0;
    form.Comm1->OnReceiveData = [&](TComm* s, const void* b, uint16_t n) {
        if (waveMode > -2) // -2: the component alone, for comparison
            form.Comm1ReceiveData(s, b, n);
        received += n;
        ++blocks;
    };
    form.Comm1->ResetReceiveQueuePeak();

    QElapsedTimer t;
    t.start();
    std::thread device([&] {
        const QByteArray chunk = randomBlock(bytesPerSecond > 0 ? 2048 : 4096, false);
        uint64_t sent = 0;
        QElapsedTimer clock;
        clock.start();
        while (sent < totalBytes) {
            if (bytesPerSecond > 0) {
                const double due = double(sent) / bytesPerSecond * 1e9;
                const double now = double(clock.nsecsElapsed());
                if (due > now)
                    std::this_thread::sleep_for(std::chrono::nanoseconds(qint64(due - now)));
            }
            const size_t n = size_t(std::min<uint64_t>(uint64_t(chunk.size()), totalBytes - sent));
            const ssize_t w = ::write(pty.master, chunk.constData(), n);
            if (w > 0)
                sent += uint64_t(w);
            else {
                pollfd p{pty.master, POLLOUT, 0};
                ::poll(&p, 1, 10);
            }
        }
    });
    while (received < totalBytes && t.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    device.join();
    const ReceiveQueueStats q = form.Comm1->ReceiveQueue();
    form.Comm1->OnReceiveData = [&form](TComm* s, const void* b, uint16_t n) {
        form.Comm1ReceiveData(s, b, n);
    };
    return {seconds, received, blocks, q.peakBlocks, q.peakBytes};
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64;
    PtyPair pty;
    qputenv("TARVESSA_PORTS", pty.slave.toLocal8Bit());
    QApplication app(argc, argv);
    TForm1 form;
    TForm2 notices;
    form.Form2 = &notices;
    form.show();
    QCoreApplication::processEvents();

    std::printf("Comm1ReceiveData per 2048-byte block (us, incl. the event loop's pass)\n");
    const QByteArray binary = randomBlock(2048, false);
    const QByteArray text = randomBlock(2048, true);
    const int n = std::getenv("BENCH_BLOCKS") ? std::atoi(std::getenv("BENCH_BLOCKS")) : 2000;
    const struct {
        const char* name;
        int mode;
        const char* caption;
        const QByteArray* block;
    } micro[] = {
        {"text,  waveform off", -1, "COM-10", &text},
        {"hex,   waveform off", -1, "COM-16", &binary},
        {"text,  mode 0      ", 0, "COM-10", &text},
        {"hex,   mode 0      ", 0, "COM-16", &binary},
        {"hex,   mode 2 (S=8)", 2, "COM-16", &binary},
        {"hex,   mode 3      ", 3, "COM-16", &binary},
    };
    form.cxButton2->setText(QStringLiteral("S8"));
    for (const auto& m : micro) {
        microsPerBlock(form, m.mode, m.caption, *m.block, 20, true); // warm up
        const double handler = microsPerBlock(form, m.mode, m.caption, *m.block, n, false);
        const double withPass = microsPerBlock(form, m.mode, m.caption, *m.block, n / 10 + 1, true);
        std::printf("  %s  handler %8.1f us/block (%7.0f blocks/s)   handler + one event-loop "
                    "pass %8.1f us\n",
                    m.name, handler, 1e6 / handler, withPass);
    }

    form.Button10->click();
    if (!form.Comm1->IsOpen()) {
        std::fprintf(stderr, "could not open the pseudo-terminal\n");
        return 1;
    }
    const uint64_t total = megabytes << 20;
    std::printf("\nFlood of %llu MiB through a pseudo-terminal into the window\n",
                static_cast<unsigned long long>(megabytes));
    double offRate = 0;
    const struct {
        const char* name;
        int mode;
        const char* caption;
    } runs[] = {{"component only    ", -2, "COM-16"},
                {"hex, waveform off ", -1, "COM-16"},
                {"hex, waveform on 0", 0, "COM-16"},
                {"hex, waveform on 2", 2, "COM-16"},
                {"text, waveform on 0", 0, "COM-10"}};
    for (const auto& r : runs) {
        const FloodResult f = flood(form, pty, r.mode, r.caption, total);
        const double mbs = double(f.bytes) / f.seconds / 1e6;
        if (r.mode == -1)
            offRate = mbs;
        std::printf("  %s  %7.2f MB/s  %7.0f blocks/s  avg %6.0f B/block  peak backlog %llu "
                    "blocks (%llu KiB)  %s  %.2f x off\n",
                    r.name, mbs, double(f.blocks) / f.seconds, double(f.bytes) / double(f.blocks),
                    static_cast<unsigned long long>(f.peakBacklogBlocks),
                    static_cast<unsigned long long>(f.peakBacklogBytes >> 10),
                    f.bytes == total ? "no loss" : "LOST BYTES", mbs / offRate);
    }

    std::printf("\nPaced at 5 MB/s for about 6 s: does the window keep up?\n");
    for (const auto& r : runs) {
        if (r.mode == -2)
            continue;
        const FloodResult f = flood(form, pty, r.mode, r.caption, 30'000'000, 5e6);
        std::printf("  %s  %7.2f MB/s  peak backlog %llu blocks  %s\n", r.name,
                    double(f.bytes) / f.seconds / 1e6,
                    static_cast<unsigned long long>(f.peakBacklogBlocks),
                    f.bytes == 30'000'000 ? "no loss" : "LOST BYTES");
    }

    // One chart refresh at the window's size, after a block of random bytes.
    std::printf("\nOne chart refresh (replot) after a 2048-byte block\n");
    for (int mode : {0, 2, 3}) {
        form.ComboBox6->setCurrentIndex(mode);
        form.Comm1ReceiveData(form.Comm1, binary.constData(), 2048);
        QElapsedTimer t;
        t.start();
        const int rounds = 50;
        for (int i = 0; i < rounds; ++i)
            form.Chart1->replot(QCustomPlot::rpImmediateRefresh);
        std::printf("  mode %d  %6.2f ms\n", mode, double(t.nsecsElapsed()) / 1e6 / rounds);
    }

    // Send: click to last byte at the other end.
    form.Button6->setText(QStringLiteral("COM-10"));
    form.Edit4->setText(QString(2048, QLatin1Char('x')));
    double best = 1e9;
    for (int round = 0; round < 20; ++round) {
        QElapsedTimer t;
        t.start();
        form.Button12->click();
        size_t got = 0;
        char buf[4096];
        while (got < 2048 && t.elapsed() < 5000) {
            QCoreApplication::processEvents();
            pollfd p{pty.master, POLLIN, 1};
            if (::poll(&p, 1, 1) > 0) {
                const ssize_t r = ::read(pty.master, buf, sizeof buf);
                if (r > 0)
                    got += size_t(r);
            }
        }
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("\nSend of a 2048-byte Send area, click to last byte: best %.2f ms\n", best);
    form.Button11->click();
    return 0;
}
