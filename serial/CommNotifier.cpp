#include "serial/CommNotifier.h"

#include "common/ErrorReport.h"
#include "serial/TComm.h"

#include <QCoreApplication>
#include <QEvent>
#include <new>

namespace tarvessa {

namespace {

const QEvent::Type kData = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kError = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kHangup = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kModem = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kAllSent = static_cast<QEvent::Type>(QEvent::registerEventType());

void RaisePeak(std::atomic<uint64_t>& peak, uint64_t value) {
    uint64_t seen = peak.load(std::memory_order_relaxed);
    while (value > seen && !peak.compare_exchange_weak(seen, value, std::memory_order_relaxed)) {
    }
}

// One received block: count bytes and a trailing 0. Owned by the event that
// carries it; released when the handler is done, or with the event when it
// is never delivered.
class DataBlock {
public:
    DataBlock(std::unique_ptr<uint8_t[]> bytes, uint16_t count, CommNotifier::Counters* counters)
        : bytes_(std::move(bytes)), count_(count), counters_(counters) {
        const uint64_t blocks = counters_->blocks.fetch_add(1, std::memory_order_relaxed) + 1;
        const uint64_t total = counters_->bytes.fetch_add(count, std::memory_order_relaxed) + count;
        RaisePeak(counters_->peakBlocks, blocks);
        RaisePeak(counters_->peakBytes, total);
    }
    DataBlock(DataBlock&& other) noexcept
        : bytes_(std::move(other.bytes_)), count_(other.count_), counters_(other.counters_) {}
    DataBlock(const DataBlock&) = delete;
    DataBlock& operator=(const DataBlock&) = delete;
    DataBlock& operator=(DataBlock&&) = delete;
    ~DataBlock() {
        if (bytes_) {
            counters_->blocks.fetch_sub(1, std::memory_order_relaxed);
            counters_->bytes.fetch_sub(count_, std::memory_order_relaxed);
        }
    }

    const uint8_t* data() const { return bytes_.get(); }
    uint16_t size() const { return count_; }

private:
    std::unique_ptr<uint8_t[]> bytes_;
    uint16_t count_;
    CommNotifier::Counters* counters_;
};

struct DataEvent : QEvent {
    explicit DataEvent(DataBlock b) : QEvent(kData), block(std::move(b)) {}
    DataBlock block;
};

struct ValueEvent : QEvent {
    ValueEvent(QEvent::Type type, uint32_t v) : QEvent(type), value(v) {}
    uint32_t value;
};

} // namespace

CommNotifier::CommNotifier(TComm* comm) : comm_(comm) {}

CommNotifier::~CommNotifier() {
    // Blocks never delivered go now, while the counters they update exist.
    QCoreApplication::removePostedEvents(this);
}

bool CommNotifier::PostData(const uint8_t* bytes, size_t count) {
    std::unique_ptr<uint8_t[]> copy(new (std::nothrow) uint8_t[count + 1]());
    if (!copy)
        return false;
    std::copy(bytes, bytes + count, copy.get());
    auto event =
        std::make_unique<DataEvent>(DataBlock(std::move(copy), uint16_t(count), &counters_));
    Post(std::move(event));
    return true;
}

void CommNotifier::PostReceiveError(uint32_t errors) {
    Post(std::make_unique<ValueEvent>(kError, errors));
}

void CommNotifier::PostModemState(uint32_t bits) {
    Post(std::make_unique<ValueEvent>(kModem, bits));
}

void CommNotifier::PostHangup() {
    Post(std::make_unique<ValueEvent>(kHangup, 0));
}

void CommNotifier::PostAllSent() {
    Post(std::make_unique<ValueEvent>(kAllSent, 0));
}

void CommNotifier::Post(std::unique_ptr<QEvent> event) {
    // Qt's posted-event queue is guarded by a lock the thread sanitizer cannot
    // see; this release/acquire pair makes the hand-over of the event visible.
    posted_.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(this, event.release());
}

ReceiveQueueStats CommNotifier::Stats() const {
    return {counters_.blocks.load(), counters_.bytes.load(), counters_.peakBlocks.load(),
            counters_.peakBytes.load()};
}

void CommNotifier::ResetPeak() {
    counters_.peakBlocks.store(counters_.blocks.load());
    counters_.peakBytes.store(counters_.bytes.load());
}

bool CommNotifier::event(QEvent* e) {
    (void)posted_.load(std::memory_order_acquire);
    TComm* comm = comm_;
    const QEvent::Type type = e->type();
    if (type == kData) {
        auto* data = static_cast<DataEvent*>(e);
        // The block leaves the event here and is released when this lambda
        // ends, returning or throwing; only then is an error reported.
        RunGuarded([&] {
            DataBlock block = std::move(data->block);
            // A copy: the handler may reassign the event while it runs.
            if (TReceiveDataEvent handler = comm->OnReceiveData)
                handler(comm, block.data(), block.size());
        });
        return true;
    }
    if (type == kError) {
        const uint32_t value = static_cast<ValueEvent*>(e)->value;
        RunGuarded([&] {
            if (TReceiveErrorEvent handler = comm->OnReceiveError)
                handler(comm, value);
        });
        return true;
    }
    if (type == kModem) {
        const uint32_t value = static_cast<ValueEvent*>(e)->value;
        RunGuarded([&] {
            if (TModemStateChangeEvent handler = comm->OnModemStateChange)
                handler(comm, value);
        });
        return true;
    }
    if (type == kHangup) {
        RunGuarded([&] {
            if (TNotifyEvent handler = comm->OnRequestHangup)
                handler(comm);
        });
        return true;
    }
    if (type == kAllSent) {
        RunGuarded([&] {
            if (TSendDataEmptyEvent handler = comm->OnSendDataEmpty)
                handler(comm);
        });
        return true;
    }
    return QObject::event(e);
}

} // namespace tarvessa
