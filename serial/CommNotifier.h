#pragma once

#include <QEvent>
#include <QObject>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace tarvessa {

class TComm;

// Counts of received blocks posted but not yet released.
struct ReceiveQueueStats {
    uint64_t pendingBlocks = 0;
    uint64_t pendingBytes = 0;
    uint64_t peakBlocks = 0;
    uint64_t peakBytes = 0;
};

// The component's notification queue: lives on the owner's thread for the
// component's whole life. The reader and writer post to it from their threads
// (posting never blocks and keeps order); its event() raises the component's
// events on the owner's thread.
class CommNotifier : public QObject {
public:
    explicit CommNotifier(TComm* comm);
    ~CommNotifier() override;

    // Any thread. PostData copies count bytes into a fresh block with a
    // trailing 0; false when the block cannot be allocated.
    bool PostData(const uint8_t* bytes, size_t count);
    void PostReceiveError(uint32_t errors);
    void PostModemState(uint32_t bits);
    void PostHangup();
    void PostAllSent();

    ReceiveQueueStats Stats() const;
    void ResetPeak();

    // Released blocks update the counts; shared with blocks in flight.
    struct Counters {
        std::atomic<uint64_t> blocks{0}, bytes{0}, peakBlocks{0}, peakBytes{0};
    };

protected:
    bool event(QEvent* e) override;

private:
    void Post(std::unique_ptr<QEvent> event);

    TComm* comm_;
    std::atomic<uint64_t> posted_{0};
    Counters counters_;
};

} // namespace tarvessa
