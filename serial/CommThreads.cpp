#include "serial/CommThreads.h"

#include "serial/CommNotifier.h"
#include "serial/SerialDevice.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>

namespace tarvessa {

namespace {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;
using std::chrono::milliseconds;

constexpr uint32_t kMaxDword = 0xFFFFFFFFu;
// How often the reader looks at the line when the device cannot wake it.
constexpr milliseconds kLineLookPeriod{50};

std::optional<TimePoint> Earliest(std::optional<TimePoint> a, std::optional<TimePoint> b) {
    if (!a)
        return b;
    if (!b)
        return a;
    return std::min(*a, *b);
}

// poll until a descriptor is ready or the deadline passes (none: no limit).
int PollUntil(pollfd* fds, nfds_t count, std::optional<TimePoint> deadline) {
    if (!deadline)
        return ::ppoll(fds, count, nullptr, nullptr);
    const auto left = std::max(Clock::duration::zero(), *deadline - Clock::now());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    return ::ppoll(fds, count, &ts, nullptr);
}

bool ShutdownSet(const PortSession& s) {
    pollfd p{s.shutdownFd, POLLIN, 0};
    return ::poll(&p, 1, 0) != 0; // set, or the test itself failed
}

bool Vanished(int err) {
    return err == EIO || err == ENXIO || err == ENODEV;
}

void ReportVanished(PortSession& s) {
    if (!s.vanishReported.exchange(true))
        s.notifier->PostHangup();
}

// The end of a failed operation: a vanished device asks for hang-up once, a
// descriptor that is no longer valid asks for nothing, anything else asks.
void ReportFailure(PortSession& s, int err) {
    if (Vanished(err))
        ReportVanished(s);
    else if (err != EBADF)
        s.notifier->PostHangup();
}

// Looks at the line; false when the reader must stop.
bool LookAtLine(PortSession& s, bool& active) {
    LineEvents events;
    switch (s.device->CheckLineEvents(events)) {
    case LineEventStatus::Unsupported:
        active = false; // e.g. a pseudo-terminal: no line events, no failure
        return true;
    case LineEventStatus::Failed:
        ReportFailure(s, errno);
        return false;
    case LineEventStatus::Ok:
        break;
    }
    // Errors first, then modem changes, as one wait would report them.
    if (events.errors)
        s.notifier->PostReceiveError(events.errors);
    if (events.modem)
        s.notifier->PostModemState(events.modem);
    return true;
}

} // namespace

// ---- reader -----------------------------------------------------------------

void RunReader(PortSession& s) {
    std::array<uint8_t, kReadBlockSize> buffer{};
    const int dataFd = s.device->DataFd();
    const int lineFd = s.device->LineEventFd();
    bool lineActive = true;
    TimePoint nextLook = Clock::now();
    bool stop = !LookAtLine(s, lineActive);

    // Every read() below follows a ppoll that also watches the shutdown
    // eventfd and is checked first, so a request is seen before each new
    // read without a poll of its own per block.
    while (!stop) {
        // One read: wait for the first byte (or the total time-out), then
        // collect until the buffer is full or the line pauses too long.
        const CommTimeouts t = s.device->Timeouts();
        std::optional<TimePoint> total;
        if (t.ReadTotalTimeoutMultiplier || t.ReadTotalTimeoutConstant)
            total = Clock::now() +
                    milliseconds(uint64_t(t.ReadTotalTimeoutMultiplier) * kReadBlockSize +
                                 t.ReadTotalTimeoutConstant);
        // 0: no interval limit; all ones: hand out what is there at once.
        std::optional<milliseconds> gap;
        if (t.ReadIntervalTimeout == kMaxDword)
            gap = milliseconds(0);
        else if (t.ReadIntervalTimeout != 0)
            gap = milliseconds(t.ReadIntervalTimeout);

        size_t count = 0;
        std::optional<TimePoint> gapEnd;
        for (;;) {
            const std::optional<TimePoint> deadline =
                Earliest(total, count ? gapEnd : std::nullopt);
            std::optional<TimePoint> wake = deadline;
            const bool periodic = lineActive && lineFd < 0;
            if (periodic)
                wake = Earliest(wake, nextLook);

            std::array<pollfd, 3> fds{
                {{s.shutdownFd, POLLIN, 0}, {dataFd, POLLIN, 0}, {lineFd, POLLIN, 0}}};
            const nfds_t n = (lineActive && lineFd >= 0) ? 3 : 2;
            if (PollUntil(fds.data(), n, wake) < 0) {
                if (errno == EINTR)
                    continue;
                s.notifier->PostHangup();
                stop = true;
                break;
            }
            if (fds[0].revents) {
                // Shutdown wins over everything; a partial read is dropped.
                return s.device->PurgeQueues(Purge::RxAbort | Purge::RxClear);
            }

            const TimePoint now = Clock::now();
            if ((n == 3 && fds[2].revents) || (periodic && now >= nextLook)) {
                if (!LookAtLine(s, lineActive)) {
                    stop = true;
                    break;
                }
                nextLook = now + kLineLookPeriod;
            }

            const short rev = fds[1].revents;
            if (rev & POLLNVAL) {
                stop = true; // the descriptor is gone: nobody to tell
                break;
            }
            if (rev & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t got = s.device->Read(buffer.data() + count, buffer.size() - count);
                if (got > 0) {
                    count += size_t(got);
                    if (gap)
                        gapEnd = Clock::now() + *gap;
                    if (count == buffer.size())
                        break;
                    // A line that never pauses still ends the read when its
                    // total time-out has run out.
                    if (total && Clock::now() >= *total)
                        break;
                    continue;
                }
                const int err = errno;
                if (err == EAGAIN || err == EINTR) {
                    if (rev & (POLLHUP | POLLERR)) {
                        ReportVanished(s); // hung up: USB unplugged, master side closed
                        stop = true;
                        break;
                    }
                } else {
                    ReportFailure(s, err);
                    stop = true;
                    break;
                }
            }
            if (deadline && Clock::now() >= *deadline)
                break;
        }

        // Bytes collected before a failure are still handed on. A read that
        // ended with nothing (a total time-out) posts nothing; read again.
        if (count && !s.notifier->PostData(buffer.data(), count)) {
            s.notifier->PostHangup();
            stop = true;
        }
    }
    s.device->PurgeQueues(Purge::RxAbort | Purge::RxClear);
}

// ---- writer -----------------------------------------------------------------

WriteQueue::WriteQueue() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!wake_)
        throw std::system_error(errno, std::generic_category(), "eventfd");
}

bool WriteQueue::Push(const void* data, uint16_t length) {
    WriteBlock block;
    block.bytes.reset(new (std::nothrow) uint8_t[size_t(length) + 1]());
    if (!block.bytes)
        return false;
    std::memcpy(block.bytes.get(), data, length);
    block.length = length;
    bool wasEmpty = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return false;
        wasEmpty = blocks_.empty();
        try {
            blocks_.push_back(std::move(block));
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    // The writer sleeps only after finding the queue empty, so only the push
    // that ends an empty queue needs to wake it.
    if (wasEmpty) {
        const uint64_t one = 1;
        (void)!::write(wake_.get(), &one, sizeof one);
    }
    return true;
}

std::optional<WriteBlock> WriteQueue::TryPop() {
    std::lock_guard lock(mutex_);
    if (blocks_.empty())
        return std::nullopt;
    WriteBlock block = std::move(blocks_.front());
    blocks_.pop_front();
    return block;
}

void WriteQueue::DrainWake() {
    uint64_t value = 0;
    (void)!::read(wake_.get(), &value, sizeof value);
}

void WriteQueue::Close() {
    std::deque<WriteBlock> dropped;
    std::lock_guard lock(mutex_);
    closed_ = true;
    dropped.swap(blocks_);
}

namespace {

// Writes one block completely; false when the writer must end. With write
// time-outs set, each pass over the remainder is limited to
// multiplier * remaining + constant ms, and the next pass writes the rest.
bool SendBlock(PortSession& s, const uint8_t* data, size_t length) {
    const int fd = s.device->DataFd();
    size_t offset = 0;
    while (offset < length) {
        const CommTimeouts t = s.device->Timeouts();
        std::optional<TimePoint> passEnd;
        if (t.WriteTotalTimeoutMultiplier || t.WriteTotalTimeoutConstant)
            passEnd = Clock::now() +
                      milliseconds(uint64_t(t.WriteTotalTimeoutMultiplier) * (length - offset) +
                                   t.WriteTotalTimeoutConstant);
        for (;;) {
            const ssize_t n = s.device->Write(data + offset, length - offset);
            if (n > 0) {
                offset += size_t(n);
                if (offset == length)
                    return true;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN) {
                ReportFailure(s, errno);
                return false;
            }
            std::array<pollfd, 2> fds{{{s.shutdownFd, POLLIN, 0}, {fd, POLLOUT, 0}}};
            const int r = PollUntil(fds.data(), fds.size(), passEnd);
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                s.notifier->PostHangup();
                return false;
            }
            if (fds[0].revents)
                return false; // shutdown: the block is dropped unsent
            if (fds[1].revents & POLLNVAL)
                return false;
            if (fds[1].revents & (POLLHUP | POLLERR)) {
                ReportVanished(s);
                return false;
            }
            if (r == 0)
                break; // this pass is over; the next one writes the rest
        }
    }
    return true;
}

} // namespace

void RunWriter(PortSession& s) {
    bool noticeDue = true;
    for (;;) {
        std::optional<WriteBlock> block = s.queue->TryPop();
        if (!block) {
            if (noticeDue) {
                s.notifier->PostAllSent();
                noticeDue = false;
            }
            std::array<pollfd, 2> fds{{{s.shutdownFd, POLLIN, 0}, {s.queue->WakeFd(), POLLIN, 0}}};
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR)
                    continue;
                s.notifier->PostHangup();
                break;
            }
            if (fds[0].revents)
                break;
            s.queue->DrainWake();
            continue;
        }
        if (ShutdownSet(s))
            break; // the block just taken is dropped
        if (!SendBlock(s, block->bytes.get(), block->length))
            break;
        noticeDue = true;
    }
    s.queue->Close();
    s.device->PurgeQueues(Purge::TxAbort | Purge::TxClear);
}

// ---- thread with a start gate -------------------------------------------------

CommThread::CommThread(std::function<void()> body) : doneFuture_(done_.get_future()) {
    thread_ = std::thread([this, body = std::move(body)] {
        Gate gate;
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [this] { return gate_ != Gate::Waiting; });
            gate = gate_;
        }
        if (gate == Gate::Go)
            body();
        done_.set_value();
    });
}

CommThread::~CommThread() {
    if (thread_.joinable())
        Finish(std::chrono::milliseconds(10000));
}

void CommThread::Start() {
    std::lock_guard lock(mutex_);
    gate_ = Gate::Go;
    cv_.notify_one();
}

bool CommThread::Finish(std::chrono::milliseconds patience) {
    {
        std::lock_guard lock(mutex_);
        if (gate_ == Gate::Waiting) {
            gate_ = Gate::Abort;
            cv_.notify_one();
        }
    }
    const bool inTime = doneFuture_.wait_for(patience) == std::future_status::ready;
    if (thread_.joinable())
        thread_.join();
    return inTime;
}

} // namespace tarvessa
