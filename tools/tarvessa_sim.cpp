// tarvessa-sim: a serial device on a pseudo-terminal, for trying Tarvessa and
// testing it without hardware. Prints the device path on its first output
// line; programs open that path (or the --link name) like a serial port.
//
// Nothing is sent while no program has the port open: the simulator watches
// the device node (inotify) and starts or resumes when it is opened. It keeps
// one descriptor of the device itself, so the pseudo-terminal survives any
// number of open/close cycles; when the last user closes it, queued bytes are
// dropped and the line is reset (raw mode, exclusive flag cleared), as a real
// device would be after its last close.
#include "SimPatterns.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using tarvessa::sim::Fnv1a64;
using tarvessa::sim::PatternKind;

constexpr const char* kUsage =
    R"(usage: tarvessa-sim [--link PATH] [--log FILE] [-v] [MODE] [OPTIONS]

Plays a serial device on a pseudo-terminal. The first output line is the
device path (e.g. /dev/pts/3). Sending starts when a program opens it.

modes:
  demo     echo what arrives, and send a sine8 burst of 64 bytes every 200 ms
           (the default)
  echo     send back every byte that arrives
  pattern  bursts of a byte pattern
             --kind counter|sine8|sine16  (sine8)  counter: 0,1,...,255,0,...
                                          sine8: one byte per sample, 0..255
                                          sine16: big-endian 16-bit samples
             --burst N    bytes per burst (64)
             --gap MS     pause between bursts (200)
             --count K    stop after K bursts (no limit)
             --period P   samples per sine period (64)
  flood    --bytes N: send N pseudo-random bytes as fast as the port takes
           them, then print "flood bytes=N fnv1a64=<16 hex digits>"
  noise    random bursts holding 0x00 and invalid GBK sequences
             --burst N (64)  --gap MS (200)  --count K  --seed S (1)

options:
  --link PATH  also make PATH a symbolic link to the device (removed at exit)
  --log FILE   append every byte that arrives from the program to FILE
  -v           report opening and closing of the port on stderr

Modes with an end (flood, --count) exit when the port is closed after the
last byte. SIGTERM, SIGINT and SIGHUP end the simulator cleanly (exit 0).
)";

enum class Mode { Demo, Echo, Pattern, Flood, Noise };

struct Options {
    Mode mode = Mode::Demo;
    std::string link;
    std::string log;
    bool verbose = false;
    PatternKind kind = PatternKind::Sine8;
    long long burst = 64;
    long long gapMs = 200;
    long long count = -1; // bursts; -1: no limit
    long long period = 64;
    long long bytes = -1; // flood
    long long seed = 1;
};

bool ParseNumber(const char* text, long long min, long long max, long long& value) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < min || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
    Options o;
    bool modeSeen = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        auto number = [&](long long min, long long max, long long& value) {
            if (!ParseNumber(next, min, max, value)) {
                error = arg + " needs a number from " + std::to_string(min) + " to " +
                        std::to_string(max);
                return false;
            }
            ++i;
            return true;
        };
        if (arg == "-h" || arg == "--help") {
            error.clear();
            return std::nullopt;
        } else if (arg == "-v") {
            o.verbose = true;
        } else if (arg == "--link") {
            if (next == nullptr || *next == '\0') {
                error = "--link needs a path";
                return std::nullopt;
            }
            o.link = next;
            ++i;
        } else if (arg == "--log") {
            if (next == nullptr || *next == '\0') {
                error = "--log needs a file";
                return std::nullopt;
            }
            o.log = next;
            ++i;
        } else if (arg == "--kind") {
            const std::string kind = next ? next : "";
            if (kind == "counter") {
                o.kind = PatternKind::Counter;
            } else if (kind == "sine8") {
                o.kind = PatternKind::Sine8;
            } else if (kind == "sine16") {
                o.kind = PatternKind::Sine16;
            } else {
                error = "--kind is counter, sine8 or sine16";
                return std::nullopt;
            }
            ++i;
        } else if (arg == "--burst") {
            if (!number(1, 1 << 20, o.burst)) {
                return std::nullopt;
            }
        } else if (arg == "--gap") {
            if (!number(0, 3600 * 1000, o.gapMs)) {
                return std::nullopt;
            }
        } else if (arg == "--count") {
            if (!number(1, 1LL << 40, o.count)) {
                return std::nullopt;
            }
        } else if (arg == "--period") {
            if (!number(2, 1 << 20, o.period)) {
                return std::nullopt;
            }
        } else if (arg == "--bytes") {
            if (!number(0, 1LL << 50, o.bytes)) {
                return std::nullopt;
            }
        } else if (arg == "--seed") {
            if (!number(0, 0xFFFFFFFFLL, o.seed)) {
                return std::nullopt;
            }
        } else if (!modeSeen && arg.rfind('-', 0) != 0) {
            modeSeen = true;
            if (arg == "demo") {
                o.mode = Mode::Demo;
            } else if (arg == "echo") {
                o.mode = Mode::Echo;
            } else if (arg == "pattern") {
                o.mode = Mode::Pattern;
            } else if (arg == "flood") {
                o.mode = Mode::Flood;
            } else if (arg == "noise") {
                o.mode = Mode::Noise;
            } else {
                error = "unknown mode: " + arg;
                return std::nullopt;
            }
        } else {
            error = "unknown argument: " + arg;
            return std::nullopt;
        }
    }
    if (o.mode == Mode::Flood && o.bytes < 0) {
        error = "flood needs --bytes N";
        return std::nullopt;
    }
    if (o.mode == Mode::Demo) {
        o.kind = PatternKind::Sine8;
        o.burst = 64;
        o.gapMs = 200;
        o.count = -1;
    }
    return o;
}

// One owned file descriptor.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void Reset() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

void Fail(const char* what) {
    std::fprintf(stderr, "tarvessa-sim: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

void MakeRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        return;
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    (void)::tcsetattr(fd, TCSANOW, &t);
}

class Simulator {
public:
    explicit Simulator(Options options)
        : o_(std::move(options)), pattern_(o_.kind, static_cast<int>(o_.period)),
          noise_(static_cast<uint32_t>(o_.seed)) {}

    int Run() {
        OpenPty();
        BlockSignals();
        if (!o_.log.empty()) {
            // Opened before the link exists, so a bad path leaves nothing behind.
            log_ = Fd(::open(o_.log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
            if (!log_.valid()) {
                Fail(o_.log.c_str());
            }
        }
        if (!o_.link.empty()) {
            MakeLink();
        }
        std::printf("%s\n", slavePath_.c_str());
        std::fflush(stdout);

        while (!done_) {
            const auto now = Clock::now();
            if (Connected()) {
                Produce(now);
            }
            CheckFinished();
            if (done_) {
                break;
            }
            pollfd fds[3] = {
                {signals_.get(), POLLIN, 0}, {master_.get(), 0, 0}, {watch_.get(), POLLIN, 0}};
            // Echo stops reading while its replies are not taken, so a program
            // that writes without reading is slowed down, not buffered forever.
            if (!Echoes() || Pending() < kQueueLimit) {
                fds[1].events |= POLLIN;
            }
            if (Connected() && Pending() > 0) {
                fds[1].events |= POLLOUT;
            }
            const nfds_t count = watch_.valid() ? 3 : 2;
            if (::poll(fds, count, Timeout(now)) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                Fail("poll");
            }
            if (fds[0].revents != 0) {
                break; // SIGTERM, SIGINT or SIGHUP
            }
            if (count == 3 && fds[2].revents != 0) {
                HandleWatch();
            }
            if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
                ReadMaster();
            }
            if ((fds[1].revents & POLLOUT) && Connected()) {
                WriteMaster();
            }
        }
        RemoveLink();
        return 0;
    }

private:
    static constexpr size_t kQueueLimit = 64 * 1024;
    static constexpr size_t kFloodChunk = 16 * 1024;

    bool Echoes() const { return o_.mode == Mode::Echo || o_.mode == Mode::Demo; }
    bool HasBursts() const {
        return o_.mode == Mode::Demo || o_.mode == Mode::Pattern || o_.mode == Mode::Noise;
    }
    // Without a watch on the device node (inotify unavailable) the simulator
    // cannot tell whether anyone listens, and sends all the time.
    bool Connected() const { return !watch_.valid() || clients_ > 0; }
    size_t Pending() const { return out_.size() - head_; }

    void OpenPty() {
        master_ = Fd(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (!master_.valid()) {
            Fail("posix_openpt");
        }
        if (::grantpt(master_.get()) != 0 || ::unlockpt(master_.get()) != 0) {
            Fail("grantpt/unlockpt");
        }
        char name[256];
        if (::ptsname_r(master_.get(), name, sizeof name) != 0) {
            Fail("ptsname_r");
        }
        slavePath_ = name;
        MakeRaw(master_.get());
        (void)::fcntl(master_.get(), F_SETFL, ::fcntl(master_.get(), F_GETFL) | O_NONBLOCK);

        // Our own descriptor of the device keeps its settings alive between
        // users and lets us reset the line after the last one leaves. It is
        // opened before the watch starts, so it is not counted as a user.
        keeper_ = Fd(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        if (!keeper_.valid()) {
            Fail("open pty device");
        }
        MakeRaw(keeper_.get());

        watch_ = Fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        if (watch_.valid() && ::inotify_add_watch(watch_.get(), name, IN_OPEN | IN_CLOSE) < 0) {
            watch_.Reset();
        }
        if (!watch_.valid()) {
            std::fprintf(stderr, "tarvessa-sim: cannot watch %s; sending without waiting\n", name);
            served_ = true;
        }
    }

    void BlockSignals() {
        std::signal(SIGPIPE, SIG_IGN);
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGHUP);
        if (::sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
            Fail("sigprocmask");
        }
        signals_ = Fd(::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
        if (!signals_.valid()) {
            Fail("signalfd");
        }
    }

    void MakeLink() {
        struct stat st {};
        if (::lstat(o_.link.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                std::fprintf(stderr, "tarvessa-sim: %s exists and is not a link\n",
                             o_.link.c_str());
                std::exit(1);
            }
            ::unlink(o_.link.c_str());
        }
        if (::symlink(slavePath_.c_str(), o_.link.c_str()) != 0) {
            Fail("symlink");
        }
    }

    void RemoveLink() {
        if (o_.link.empty()) {
            return;
        }
        // Only our own link: another simulator may have taken the name since.
        char target[256];
        const ssize_t n = ::readlink(o_.link.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<size_t>(n)) == slavePath_) {
            ::unlink(o_.link.c_str());
        }
    }

    int Timeout(Clock::time_point now) const {
        if (!Connected() || !HasBursts() || burstsSent_ == o_.count || Pending() >= kQueueLimit) {
            return -1;
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextBurst_ - now).count();
        return static_cast<int>(std::clamp<long long>(wait, 0, 3600 * 1000));
    }

    void Produce(Clock::time_point now) {
        if (HasBursts() && burstsSent_ != o_.count && now >= nextBurst_ &&
            Pending() < kQueueLimit) {
            uint8_t* burst = Grow(static_cast<size_t>(o_.burst));
            if (o_.mode == Mode::Noise) {
                noise_.Fill(burst, static_cast<size_t>(o_.burst));
            } else {
                pattern_.Fill(burst, static_cast<size_t>(o_.burst));
            }
            ++burstsSent_;
            nextBurst_ += std::chrono::milliseconds(o_.gapMs);
            if (nextBurst_ <= now) {
                nextBurst_ = now + std::chrono::milliseconds(o_.gapMs);
            }
        }
        if (o_.mode == Mode::Flood && floodMade_ < o_.bytes && Pending() < kFloodChunk) {
            const size_t n =
                static_cast<size_t>(std::min<long long>(kFloodChunk, o_.bytes - floodMade_));
            flood_.Fill(Grow(n), n);
            floodMade_ += static_cast<long long>(n);
        }
    }

    uint8_t* Grow(size_t n) {
        if (head_ > 0 && head_ == out_.size()) {
            out_.clear();
            head_ = 0;
        }
        out_.resize(out_.size() + n);
        return out_.data() + out_.size() - n;
    }

    void CheckFinished() {
        if (finished_ || !served_ || Pending() > 0) {
            return;
        }
        if (o_.mode == Mode::Flood && floodMade_ == o_.bytes) {
            std::printf("flood bytes=%llu fnv1a64=%016llx\n",
                        static_cast<unsigned long long>(sent_.Bytes()),
                        static_cast<unsigned long long>(sent_.Value()));
            std::fflush(stdout);
            finished_ = true;
        } else if (HasBursts() && burstsSent_ == o_.count) {
            finished_ = true;
        }
        // Stay until the reader closes the port: leaving now would hang up
        // the line before it has read what is still queued in the pty.
        if (finished_ && !watch_.valid()) {
            Log("done; waiting for a signal");
        }
    }

    void HandleWatch() {
        alignas(inotify_event) char buffer[4096];
        bool lastClosed = false;
        for (;;) {
            const ssize_t n = ::read(watch_.get(), buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if (event->mask & (IN_Q_OVERFLOW | IN_IGNORED)) {
                    // Users can no longer be counted; from here on send always.
                    watch_.Reset();
                    return;
                }
                if (event->mask & IN_OPEN) {
                    if (clients_++ == 0) {
                        OnOpened();
                    }
                }
                if ((event->mask & IN_CLOSE) && clients_ > 0 && --clients_ == 0) {
                    lastClosed = true;
                }
            }
        }
        // A close followed at once by a reopen (as when a program closes and
        // opens the port again) is no end of use: the new user's settings and
        // data must not be reset.
        if (lastClosed && clients_ == 0) {
            OnClosed();
        }
    }

    void OnOpened() {
        Log("port opened");
        served_ = true;
        nextBurst_ = Clock::now();
    }

    void OnClosed() {
        Log("port closed");
        // No flush here: a new user may already have written to the line, and
        // a program purges the line itself when it opens the port.
        (void)::ioctl(keeper_.get(), TIOCNXCL);
        MakeRaw(keeper_.get());
        if (o_.mode != Mode::Flood) {
            out_.clear();
            head_ = 0;
        }
        if (finished_) {
            done_ = true;
        }
    }

    void ReadMaster() {
        uint8_t buffer[4096];
        for (;;) {
            const ssize_t n = ::read(master_.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && errno == EAGAIN) {
                break;
            }
            if (n <= 0) {
                Fail("read from pty");
            }
            LogReceived(buffer, static_cast<size_t>(n));
            if (Echoes() && Connected()) {
                std::memcpy(Grow(static_cast<size_t>(n)), buffer, static_cast<size_t>(n));
            }
            if (Echoes() && Pending() >= kQueueLimit) {
                break;
            }
        }
    }

    // Unbuffered, so that whoever watches the file sees each byte at once.
    void LogReceived(const uint8_t* data, size_t size) {
        while (log_.valid() && size > 0) {
            const ssize_t n = ::write(log_.get(), data, size);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                Fail("write to log");
            }
            data += n;
            size -= static_cast<size_t>(n);
        }
    }

    void WriteMaster() {
        while (Pending() > 0) {
            const ssize_t n = ::write(master_.get(), out_.data() + head_, Pending());
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && errno == EAGAIN) {
                break;
            }
            if (n < 0) {
                Fail("write to pty");
            }
            if (o_.mode == Mode::Flood) {
                sent_.Update(out_.data() + head_, static_cast<size_t>(n));
            }
            head_ += static_cast<size_t>(n);
        }
        if (head_ == out_.size()) {
            out_.clear();
            head_ = 0;
        }
    }

    void Log(const char* text) const {
        if (o_.verbose) {
            std::fprintf(stderr, "tarvessa-sim: %s\n", text);
        }
    }

    Options o_;
    Fd master_;
    Fd keeper_;
    Fd watch_;
    Fd signals_;
    Fd log_;
    std::string slavePath_;

    int clients_ = 0;       // open descriptions of the device, ours not counted
    bool served_ = false;   // someone has opened the port at least once
    bool finished_ = false; // a mode with an end has sent everything
    bool done_ = false;

    std::vector<uint8_t> out_; // bytes waiting for the pty, from head_ on
    size_t head_ = 0;

    tarvessa::sim::PatternStream pattern_;
    tarvessa::sim::NoiseStream noise_;
    tarvessa::sim::FloodStream flood_;
    long long floodMade_ = 0;
    Fnv1a64 sent_;
    long long burstsSent_ = 0;
    Clock::time_point nextBurst_ = Clock::now();
};

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = ParseOptions(argc, argv, error);
    if (!options) {
        if (!error.empty()) {
            std::fprintf(stderr, "tarvessa-sim: %s (see tarvessa-sim --help)\n", error.c_str());
            return 2;
        }
        std::fputs(kUsage, stdout);
        return 0;
    }
    Simulator simulator(*options);
    return simulator.Run();
}
