#pragma once

#include "serial/RxFilter.h"
#include "serial/SerialDevice.h"
#include "serial/UniqueFd.h"

#include <QString>
#include <memory>
#include <mutex>

namespace tarvessa {

// A tty device (serial adapter, UART, pseudo-terminal) opened exclusively.
//
// Settings Linux has no equivalent for are stored in the block and otherwise
// ignored: DSR output flow and DSR sensitivity, the XON/XOFF limits (the line
// discipline uses its own thresholds), DTR handshake (DTR stays on),
// RTS toggling on transmit (RTS stays on), continuing after XOFF. Null
// stripping and error-character replacement are done by the reader's filter.
class PosixDevice : public SerialDevice {
public:
    // Opens a device path; throws ECommsError with "Error opening serial port"
    // or "File handle is not a comm handle ".
    static std::unique_ptr<PosixDevice> Open(const QString& path);
    ~PosixDevice() override;

    int DataFd() const override { return fd_.get(); }
    ssize_t Read(void* buffer, size_t size) override;
    ssize_t Write(const void* data, size_t size) override;
    bool SetupQueues(uint32_t inputSize, uint32_t outputSize) override;
    DeviceControlBlock GetState() override;
    void SetState(const DeviceControlBlock& dcb) override;
    void SetTimeouts(const CommTimeouts& timeouts) override;
    CommTimeouts Timeouts() const override;
    void PurgeQueues(uint32_t purgeFlags) override;
    LineEventStatus CheckLineEvents(LineEvents& events) override;

private:
    explicit PosixDevice(UniqueFd fd);

    UniqueFd fd_;

    // The owner's thread sets the configuration while the reader and writer
    // run; they take snapshots of timeouts_ and rxOptions_ under this lock.
    mutable std::mutex mutex_;
    DeviceControlBlock dcb_;
    bool haveDcb_ = false;
    CommTimeouts timeouts_;
    RxFilter::Options rxOptions_;

    // Reader thread only (the baseline is taken in Open, before any thread).
    RxFilter rxFilter_;
    enum class Query { Unknown, Known, Unsupported };
    Query countQuery_ = Query::Unknown;
    Query modemQuery_ = Query::Unknown;
    struct Counts {
        int frame = 0, parity = 0, overrun = 0, bufOverrun = 0, brk = 0, dcd = 0, rng = 0;
    } lastCounts_;
    int lastModem_ = 0;
};

} // namespace tarvessa
