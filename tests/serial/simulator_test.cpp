// The device simulator: its byte streams, and the program driven through its
// pseudo-terminal as the serial component would use it.
#include "tools/SimPatterns.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using tarvessa::sim::PatternKind;
using tarvessa::sim::PatternStream;

Bytes Pattern(PatternKind kind, size_t count, int period = 64) {
    PatternStream stream(kind, period);
    Bytes out(count);
    stream.Fill(out.data(), out.size());
    return out;
}

TEST(SimPatternsTest, StreamsAreContinuousAcrossFills) {
    for (PatternKind kind : {PatternKind::Counter, PatternKind::Sine8, PatternKind::Sine16}) {
        SCOPED_TRACE(static_cast<int>(kind));
        PatternStream stream(kind, 50);
        Bytes pieces(301);
        stream.Fill(pieces.data(), 7);
        stream.Fill(pieces.data() + 7, 1); // splits a 16-bit pair
        stream.Fill(pieces.data() + 8, 293);
        EXPECT_EQ(pieces, Pattern(kind, 301, 50));
    }
}

TEST(SimPatternsTest, PatternValues) {
    const Bytes counter = Pattern(PatternKind::Counter, 258);
    EXPECT_EQ(counter[0], 0);
    EXPECT_EQ(counter[255], 255);
    EXPECT_EQ(counter[256], 0);

    // Period 64: start at mid-scale, top a quarter in, bottom three quarters in.
    const Bytes sine8 = Pattern(PatternKind::Sine8, 128);
    EXPECT_EQ(sine8[0], 128);
    EXPECT_EQ(sine8[16], 255);
    EXPECT_EQ(sine8[48], 0);
    EXPECT_EQ(sine8[64], 128);

    const Bytes sine16 = Pattern(PatternKind::Sine16, 128);
    auto sample = [&](size_t n) { return sine16[2 * n] << 8 | sine16[2 * n + 1]; };
    EXPECT_EQ(sample(0), 0x8000);
    EXPECT_EQ(sample(16), 0xFFFF);
    EXPECT_EQ(sample(48), 0x0000);
}

bool Contains(const Bytes& haystack, const Bytes& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
           haystack.end();
}

TEST(SimPatternsTest, NoiseCarriesZeroAndInvalidGbkInEveryBurst) {
    tarvessa::sim::NoiseStream noise(7);
    Bytes all;
    for (size_t size : {8, 9, 64, 1000}) {
        Bytes burst(size);
        noise.Fill(burst.data(), size);
        SCOPED_TRACE(size);
        EXPECT_TRUE(Contains(burst, {0x00}));
        EXPECT_TRUE(Contains(burst, {0x81, 0x7F}));
        EXPECT_TRUE(Contains(burst, {0x80}) || Contains(burst, {0xFF}));
        EXPECT_GE(burst.back(), 0x81); // a lead byte cut off by the burst's end
        all.insert(all.end(), burst.begin(), burst.end());
    }
    tarvessa::sim::NoiseStream other(8);
    Bytes first(64);
    other.Fill(first.data(), first.size());
    EXPECT_NE(first, Bytes(all.begin() + 17, all.begin() + 81));
}

TEST(SimPatternsTest, Fnv1aKnownValues) {
    tarvessa::sim::Fnv1a64 empty;
    EXPECT_EQ(empty.Value(), 0xcbf29ce484222325ULL);
    tarvessa::sim::Fnv1a64 a;
    const uint8_t letter = 'a';
    a.Update(&letter, 1);
    EXPECT_EQ(a.Value(), 0xaf63dc4c8601ec8cULL);
    EXPECT_EQ(a.Bytes(), 1u);
}

// One running simulator; killed if a test leaves it running.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe: " << std::strerror(errno);
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            std::vector<char*> argv;
            std::string program = TARVESSA_SIM_PATH;
            argv.push_back(program.data());
            for (auto& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        stdout_ = out[0];
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    ~SimProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (stdout_ >= 0) {
            ::close(stdout_);
        }
    }

    // One line of the simulator's standard output, without its newline.
    std::string ReadLine(std::chrono::milliseconds timeout = 5s) {
        std::string line;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{stdout_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) {
                continue;
            }
            char c;
            if (::read(stdout_, &c, 1) != 1) {
                break;
            }
            if (c == '\n') {
                return line;
            }
            line += c;
        }
        return line;
    }

    void Signal(int signal) { ::kill(pid_, signal); }

    // The exit status, or -1 when the process did not end in time.
    int Wait(std::chrono::milliseconds timeout = 5s) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int stdout_ = -1;
};

class Port {
public:
    explicit Port(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;
    ~Port() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int fd() const { return fd_; }

    void Write(const Bytes& data) {
        ASSERT_EQ(::write(fd_, data.data(), data.size()), static_cast<ssize_t>(data.size()));
    }

    // Up to count bytes, waiting at most timeout for them.
    Bytes Read(size_t count, std::chrono::milliseconds timeout = 5s) {
        Bytes out;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (out.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) {
                continue;
            }
            uint8_t buffer[65536];
            const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - out.size()));
            if (n > 0) {
                out.insert(out.end(), buffer, buffer + n);
            }
        }
        return out;
    }

private:
    int fd_;
};

TEST(SimulatorTest, EchoSurvivesReopeningAndAnExclusiveFlagLeftBehind) {
    SimProcess sim({"echo"});
    const std::string path = sim.ReadLine();
    ASSERT_TRUE(path.starts_with("/dev/pts/")) << path;

    const Bytes message = {'h', 'i', 0x00, 0xFF, '\r', '\n', 0x11, 0x13, 0x03, 0x7F};
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        Port port(path);
        ASSERT_GE(port.fd(), 0) << std::strerror(errno);
        port.Write(message);
        EXPECT_EQ(port.Read(message.size()), message); // raw: nothing translated
        // A user that set the exclusive flag and forgot to clear it.
        ::ioctl(port.fd(), TIOCEXCL);
    }

    // Root ignores the exclusive flag; the check needs an unprivileged opener.
    std::this_thread::sleep_for(200ms);
    if (::geteuid() == 0) {
        ::chmod(path.c_str(), 0666);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(3);
        }
        Port port(path);
        if (port.fd() < 0) {
            ::_exit(errno == EBUSY ? 1 : 2);
        }
        port.Write({'x'});
        ::_exit(port.Read(1) == Bytes{'x'} ? 0 : 4);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: busy, 2: cannot open, 4: no echo";

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(SimulatorTest, FloodChecksumMatchesWhatArrives) {
    constexpr size_t kBytes = 300000;
    SimProcess sim({"flood", "--bytes", std::to_string(kBytes)});
    const std::string path = sim.ReadLine();
    Port port(path);
    ASSERT_GE(port.fd(), 0);
    const Bytes received = port.Read(kBytes, 20s);
    ASSERT_EQ(received.size(), kBytes);

    tarvessa::sim::FloodStream stream;
    Bytes expected(kBytes);
    stream.Fill(expected.data(), expected.size());
    EXPECT_TRUE(received == expected);

    tarvessa::sim::Fnv1a64 sum;
    sum.Update(received.data(), received.size());
    char line[80];
    std::snprintf(line, sizeof line, "flood bytes=%zu fnv1a64=%016llx", kBytes,
                  static_cast<unsigned long long>(sum.Value()));
    EXPECT_EQ(sim.ReadLine(), line);
    EXPECT_EQ(port.Read(1, 100ms).size(), 0u) << "nothing after the flood";
}

TEST(SimulatorTest, PatternsWaitForTheOpenerAndEndWhenClosed) {
    struct Case {
        const char* kind;
        PatternKind stream;
    };
    for (const Case& c : {Case{"counter", PatternKind::Counter}, Case{"sine8", PatternKind::Sine8},
                          Case{"sine16", PatternKind::Sine16}}) {
        SCOPED_TRACE(c.kind);
        SimProcess sim({"pattern", "--kind", c.kind, "--burst", "40", "--gap", "10", "--count", "5",
                        "--period", "30"});
        const std::string path = sim.ReadLine();
        std::this_thread::sleep_for(300ms); // nothing may be sent into the void
        {
            Port port(path);
            ASSERT_GE(port.fd(), 0);
            EXPECT_EQ(port.Read(200), Pattern(c.stream, 200, 30));
            EXPECT_EQ(port.Read(1, 100ms).size(), 0u) << "more than --count bursts";
        }
        EXPECT_EQ(sim.Wait(), 0) << "a finished pattern ends when the port closes";
    }
}

TEST(SimulatorTest, DemoEchoesBetweenSineBursts) {
    SimProcess sim({"demo"});
    Port port(sim.ReadLine());
    ASSERT_GE(port.fd(), 0);
    EXPECT_EQ(port.Read(64), Pattern(PatternKind::Sine8, 64)); // sent on opening
    const Bytes hello = {'h', 'e', 'l', 'l', 'o'};
    port.Write(hello);
    const Bytes next = port.Read(64 + hello.size(), 2s);
    EXPECT_TRUE(Contains(next, hello));
    sim.Signal(SIGINT);
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(SimulatorTest, SignalsEndCleanlyAndRemoveTheLink) {
    char dirTemplate[] = "/tmp/tarvessa-sim-XXXXXX";
    ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
    const std::string link = std::string(dirTemplate) + "/port";
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        SimProcess sim({"--link", link, "noise", "--gap", "5"});
        const std::string path = sim.ReadLine();
        char target[256] = {};
        ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(path, target);
        {
            Port port(link); // busy: the noise is flowing when the signal comes
            EXPECT_EQ(port.Read(100).size(), 100u);
            sim.Signal(signal);
            EXPECT_EQ(sim.Wait(), 0);
        }
        struct stat st {};
        EXPECT_NE(::lstat(link.c_str(), &st), 0) << "link left behind";
    }
    ::rmdir(dirTemplate);
}

std::string FileText(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
            text.append(buffer, n);
        }
        std::fclose(f);
    }
    return text;
}

// The log holds exactly what the program wrote, raw, whatever the simulator
// sends itself, across reopening, and after what the file already held.
TEST(SimulatorTest, LogAppendsEveryByteThatArrives) {
    char dirTemplate[] = "/tmp/tarvessa-sim-XXXXXX";
    ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
    const std::string log = std::string(dirTemplate) + "/received";
    const Bytes message = {'A', 'T', 0x00, 0xFF, '\r', '\n', 0x03, 0x11, 0x7F};
    const std::vector<std::vector<std::string>> modes = {
        {"echo"}, {"pattern", "--gap", "5"}, {"flood", "--bytes", "100000"}};
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode[0]);
        {
            FILE* f = std::fopen(log.c_str(), "wb");
            ASSERT_NE(f, nullptr);
            std::fputs("old:", f);
            std::fclose(f);
        }
        std::vector<std::string> args = {"--log", log};
        args.insert(args.end(), mode.begin(), mode.end());
        SimProcess sim(args);
        const std::string path = sim.ReadLine();
        std::string expected = "old:";
        for (int round = 0; round < 2; ++round) {
            Port port(path);
            ASSERT_GE(port.fd(), 0);
            port.Write(message);
            expected.append(message.begin(), message.end());
            const auto end = std::chrono::steady_clock::now() + 5s;
            while (FileText(log).size() < expected.size() &&
                   std::chrono::steady_clock::now() < end) {
                std::this_thread::sleep_for(10ms);
            }
        }
        EXPECT_EQ(FileText(log), expected);
        sim.Signal(SIGTERM);
        EXPECT_EQ(sim.Wait(), 0);
    }
    ::unlink(log.c_str());

    SimProcess bad({"--log", std::string(dirTemplate) + "/missing/received", "echo"});
    EXPECT_EQ(bad.Wait(), 1) << "a log that cannot be opened";
    EXPECT_EQ(bad.ReadLine(100ms), "") << "no device offered";
    ::rmdir(dirTemplate);
}

TEST(SimulatorTest, BadArgumentsAreRefused) {
    const std::vector<std::vector<std::string>> cases = {
        {"flood"},
        {"sing"},
        {"pattern", "--kind", "square"},
        {"pattern", "--burst", "0"},
        {"pattern", "--gap", "-1"},
        {"noise", "--seed"},
        {"echo", "extra"},
        {"echo", "--log"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
        SimProcess sim(args);
        EXPECT_EQ(sim.Wait(), 2);
    }
}

} // namespace
