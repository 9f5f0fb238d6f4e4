#pragma once

#include "serial/UniqueFd.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace tarvessa {

class SerialDevice;
class CommNotifier;

constexpr size_t kReadBlockSize = 2048;

// One queued write: a copy of the caller's bytes plus a trailing 0.
struct WriteBlock {
    std::unique_ptr<uint8_t[]> bytes;
    uint16_t length = 0;
};

// The owner's road to the writer: a first-in, first-out queue of owned blocks
// with an eventfd that wakes the writer's poll.
class WriteQueue {
public:
    WriteQueue(); // throws std::system_error when the eventfd cannot be made

    // Owner's thread. False when the writer has ended or memory ran out.
    bool Push(const void* data, uint16_t length);

    // Writer thread.
    std::optional<WriteBlock> TryPop();
    void DrainWake();
    void Close(); // the writer has ended: queued blocks go, further pushes are refused
    int WakeFd() const { return wake_.get(); }

private:
    std::mutex mutex_; // the owner pushes while the writer pops
    std::deque<WriteBlock> blocks_;
    bool closed_ = false;
    UniqueFd wake_;
};

// What the reader and writer of one open port share. Set up by OpenPort
// before the threads start; read-only for them except vanishReported.
struct PortSession {
    SerialDevice* device = nullptr;
    int shutdownFd = -1; // eventfd, written once by the owner, never reset
    CommNotifier* notifier = nullptr;
    WriteQueue* queue = nullptr;
    // Both threads can find the device gone; only the first asks for hang-up.
    std::atomic<bool> vanishReported{false};
};

void RunReader(PortSession& session);
void RunWriter(PortSession& session);

// A thread that waits at a gate until Start, so that a failure later in
// OpenPort can let it end without ever entering its loop. Linux threads run
// at the normal priority: raising it needs privileges the program should not
// ask for, and poll-driven threads do not need it.
class CommThread {
public:
    explicit CommThread(std::function<void()> body); // throws std::system_error
    ~CommThread();
    CommThread(const CommThread&) = delete;
    CommThread& operator=(const CommThread&) = delete;

    void Start();
    // Ends a thread that never started; waits up to `patience` for a running
    // one, then without a limit. False when the patience ran out.
    bool Finish(std::chrono::milliseconds patience);

private:
    enum class Gate { Waiting, Go, Abort };
    std::mutex mutex_; // guards gate_ between the owner and the new thread
    std::condition_variable cv_;
    Gate gate_ = Gate::Waiting;
    std::promise<void> done_;
    std::future<void> doneFuture_;
    std::thread thread_;
};

} // namespace tarvessa
