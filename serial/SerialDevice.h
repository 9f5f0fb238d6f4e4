#pragma once

#include "serial/LineConfig.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace tarvessa {

// Purge flags, with the values the component has always used.
namespace Purge {
constexpr uint32_t TxAbort = 0x01;
constexpr uint32_t RxAbort = 0x02;
constexpr uint32_t TxClear = 0x04;
constexpr uint32_t RxClear = 0x08;
} // namespace Purge

// Line error bits reported with OnReceiveError.
namespace LineError {
constexpr uint32_t CE_RXOVER = 0x0001;
constexpr uint32_t CE_OVERRUN = 0x0002;
constexpr uint32_t CE_RXPARITY = 0x0004;
constexpr uint32_t CE_FRAME = 0x0008;
constexpr uint32_t CE_BREAK = 0x0010;
} // namespace LineError

// What one look at the line found: error bits and modem event bits (carrier 8,
// ring 4); both 0 when nothing happened.
struct LineEvents {
    uint32_t errors = 0;
    uint32_t modem = 0;
};

enum class LineEventStatus {
    Ok,          // events (possibly none) in the result
    Unsupported, // this device has no line events (a pseudo-terminal): not a failure
    Failed,      // the query failed; errno holds the reason
};

// One open serial device. The component configures it from its owner's
// thread; the reader uses DataFd/Read/CheckLineEvents, the writer DataFd/Write.
// Read and write may run at the same time as configuration calls: an
// implementation guards whatever state they share.
class SerialDevice {
public:
    virtual ~SerialDevice() = default; // closes the device

    // Descriptor to poll for POLLIN/POLLOUT/POLLHUP.
    virtual int DataFd() const = 0;
    // An extra descriptor that becomes readable when line events are waiting,
    // or -1: then the reader looks at the line now and then.
    virtual int LineEventFd() const { return -1; }

    // Non-blocking; -1 with errno (EAGAIN when nothing is there, EIO when the
    // device went away). Read hands out data bytes only (in-band escapes undone).
    virtual ssize_t Read(void* buffer, size_t size) = 0;
    virtual ssize_t Write(const void* data, size_t size) = 0;

    // Driver queue sizes; false when refused.
    virtual bool SetupQueues(uint32_t inputSize, uint32_t outputSize) = 0;
    virtual DeviceControlBlock GetState() = 0;
    virtual void SetState(const DeviceControlBlock& dcb) = 0;
    virtual void SetTimeouts(const CommTimeouts& timeouts) = 0;
    virtual CommTimeouts Timeouts() const = 0;
    virtual void PurgeQueues(uint32_t purgeFlags) = 0;

    virtual LineEventStatus CheckLineEvents(LineEvents& events) = 0;
};

} // namespace tarvessa
