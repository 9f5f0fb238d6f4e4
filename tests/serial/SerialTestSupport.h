#pragma once

#include "serial/SerialDevice.h"
#include "serial/UniqueFd.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace tarvessa::test {

// Runs the event loop until pred holds or the time is up; answers pred.
template <class Pred> bool WaitUntil(Pred pred, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Runs the event loop for a while (for "nothing more arrives" checks).
inline void SpinFor(int ms) {
    WaitUntil([] { return false; }, ms);
}

inline int CountEntries(const char* dir) {
    return int(QDir(QString::fromLatin1(dir))
                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                   .size());
}
inline int OpenFdCount() {
    return CountEntries("/proc/self/fd");
}
inline int ThreadCount() {
    return CountEntries("/proc/self/task");
}

using UniqueFdHolder = UniqueFd;

// A pseudo-terminal pair; the component opens the slave by its path, the test
// plays the device on the master.
class Pty {
public:
    Pty() {
        master_.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (!master_ || ::grantpt(master_.get()) != 0 || ::unlockpt(master_.get()) != 0)
            throw std::runtime_error("no pseudo-terminal");
        char name[128] = {};
        ::ptsname_r(master_.get(), name, sizeof name);
        path_ = QString::fromLocal8Bit(name);
    }
    int master() const { return master_.get(); }
    const QString& path() const { return path_; }
    void CloseMaster() { master_.reset(); }

    // Writes everything (blocking).
    void Send(const void* data, size_t size) {
        auto* p = static_cast<const uint8_t*>(data);
        while (size) {
            const ssize_t n = ::write(master_.get(), p, size);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN)
                    continue;
                throw std::runtime_error("pty write failed");
            }
            p += n;
            size -= size_t(n);
        }
    }
    void Send(const std::string& s) { Send(s.data(), s.size()); }

    // Appends what is waiting on the master now, without blocking.
    void Drain(std::vector<uint8_t>& out) {
        uint8_t buf[4096];
        for (;;) {
            pollfd p{master_.get(), POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN))
                return;
            const ssize_t n = ::read(master_.get(), buf, sizeof buf);
            if (n <= 0)
                return;
            out.insert(out.end(), buf, buf + n);
        }
    }

private:
    UniqueFd master_;
    QString path_;
};

// What a test double of the device saw and what it is to answer, shared with
// the test so it outlives the device.
struct FakeDeviceState {
    std::mutex mutex;               // the reader calls CheckLineEvents while the test pushes
    std::vector<std::string> calls; // "state", "timeouts", "purge:N" in order
    std::vector<DeviceControlBlock> states;
    std::vector<CommTimeouts> timeouts;
    DeviceControlBlock fromDevice;
    bool refuseQueues = false;
    int opened = 0;
    int closed = 0;
    UniqueFd peer;      // the test's end of the data line
    UniqueFd lineEvent; // eventfd: line events waiting
    struct Answer {
        LineEventStatus status;
        LineEvents events;
        int err;
    };
    std::deque<Answer> answers;

    void Push(LineEventStatus status, LineEvents events = {}, int err = 0) {
        {
            std::lock_guard lock(mutex);
            answers.push_back({status, events, err});
        }
        const uint64_t one = 1;
        (void)!::write(lineEvent.get(), &one, sizeof one);
    }
    std::vector<std::string> Calls() {
        std::lock_guard lock(mutex);
        return calls;
    }
};

// A device on a socket pair whose line events the test scripts.
class FakeDevice : public SerialDevice {
public:
    explicit FakeDevice(std::shared_ptr<FakeDeviceState> state) : state_(std::move(state)) {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0)
            throw std::runtime_error("socketpair");
        data_.reset(fds[0]);
        std::lock_guard lock(state_->mutex);
        state_->peer.reset(fds[1]);
        state_->lineEvent.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        ++state_->opened;
    }
    ~FakeDevice() override {
        std::lock_guard lock(state_->mutex);
        ++state_->closed;
    }
    int DataFd() const override { return data_.get(); }
    int LineEventFd() const override { return state_->lineEvent.get(); }
    ssize_t Read(void* b, size_t n) override {
        const ssize_t r = ::read(data_.get(), b, n);
        if (r == 0) {
            errno = EIO;
            return -1;
        }
        return r;
    }
    ssize_t Write(const void* d, size_t n) override { return ::write(data_.get(), d, n); }
    bool SetupQueues(uint32_t, uint32_t) override { return !state_->refuseQueues; }
    DeviceControlBlock GetState() override {
        std::lock_guard lock(state_->mutex);
        return state_->states.empty() ? state_->fromDevice : state_->states.back();
    }
    void SetState(const DeviceControlBlock& dcb) override {
        std::lock_guard lock(state_->mutex);
        state_->states.push_back(dcb);
        state_->calls.push_back("state");
    }
    void SetTimeouts(const CommTimeouts& t) override {
        std::lock_guard lock(state_->mutex);
        state_->timeouts.push_back(t);
        state_->calls.push_back("timeouts");
    }
    CommTimeouts Timeouts() const override {
        std::lock_guard lock(state_->mutex);
        return state_->timeouts.empty() ? CommTimeouts{} : state_->timeouts.back();
    }
    void PurgeQueues(uint32_t flags) override {
        std::lock_guard lock(state_->mutex);
        state_->calls.push_back("purge:" + std::to_string(flags));
    }
    LineEventStatus CheckLineEvents(LineEvents& events) override {
        uint64_t drained = 0;
        (void)!::read(state_->lineEvent.get(), &drained, sizeof drained);
        std::lock_guard lock(state_->mutex);
        events = {};
        if (state_->answers.empty())
            return LineEventStatus::Ok;
        const auto answer = state_->answers.front();
        state_->answers.pop_front();
        if (!state_->answers.empty()) {
            const uint64_t one = 1; // more waiting: wake the reader again
            (void)!::write(state_->lineEvent.get(), &one, sizeof one);
        }
        events = answer.events;
        errno = answer.err;
        return answer.status;
    }

private:
    std::shared_ptr<FakeDeviceState> state_;
    UniqueFd data_;
};

} // namespace tarvessa::test
