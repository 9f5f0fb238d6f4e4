#include "serial/TComm.h"

#include "serial/CommThreads.h"
#include "serial/PortNames.h"
#include "serial/PosixDevice.h"
#include "serial/SerialDevice.h"

#include <QtGlobal>
#include <cerrno>
#include <cstring>
#include <sys/eventfd.h>
#include <system_error>

namespace tarvessa {

namespace {

constexpr uint32_t kQueueSize = 4096;
constexpr std::chrono::milliseconds kStopPatience{10000};

std::unique_ptr<SerialDevice> OpenByName(const QString& name) {
    const QString path = ResolvePortName(name);
    if (path.isEmpty())
        throw ECommsError(QStringLiteral("Error opening serial port"),
                          QStringLiteral("%1 names no serial device on this machine").arg(name));
    return PosixDevice::Open(path);
}

} // namespace

struct TComm::Impl {
    explicit Impl(TComm* comm) : notifier(comm) {}

    // Lives as long as the component, so notifications posted before
    // ClosePort are still delivered after it.
    CommNotifier notifier;
    DeviceOpener opener;
    OpenFault fault = OpenFault::None;

    // Non-null exactly while the port is open.
    std::unique_ptr<SerialDevice> device;
    UniqueFd shutdown;
    std::unique_ptr<WriteQueue> queue;
    std::unique_ptr<PortSession> session;
    std::unique_ptr<CommThread> reader;
    std::unique_ptr<CommThread> writer;

    void SignalShutdown() {
        const uint64_t one = 1;
        (void)!::write(shutdown.get(), &one, sizeof one);
    }
    // Undo of a failed open, in the order things were made.
    void Release() {
        session.reset();
        queue.reset();
        shutdown.reset();
        device.reset();
    }
};

TComm::TComm(QObject* owner) : QObject(owner), impl_(std::make_unique<Impl>(this)) {}

TComm::~TComm() {
    ClosePort();
}

bool TComm::IsOpen() const {
    return impl_->device != nullptr;
}

void TComm::SetDeviceOpener(DeviceOpener opener) {
    impl_->opener = std::move(opener);
}
void TComm::InjectOpenFault(OpenFault fault) {
    impl_->fault = fault;
}
ReceiveQueueStats TComm::ReceiveQueue() const {
    return impl_->notifier.Stats();
}
void TComm::ResetReceiveQueuePeak() {
    impl_->notifier.ResetPeak();
}

// ---- setters ----------------------------------------------------------------

template <class T> void TComm::setLine(T& field, T value) {
    if (field == value)
        return;
    field = value;
    if (IsOpen())
        ApplyLineSettings();
}

template <class T> void TComm::setTimeout(T& field, T value) {
    if (field == value)
        return;
    field = value;
    if (IsOpen())
        ApplyTimeouts();
}

void TComm::SetBaudRate(uint32_t v) {
    setLine(settings_.BaudRate, v);
}
void TComm::SetParityCheck(bool v) {
    setLine(settings_.ParityCheck, v);
}
void TComm::SetOutx_CtsFlow(bool v) {
    setLine(settings_.Outx_CtsFlow, v);
}
void TComm::SetOutx_DsrFlow(bool v) {
    setLine(settings_.Outx_DsrFlow, v);
}
void TComm::SetDtrControl(TDtrControl v) {
    setLine(settings_.DtrControl, v);
}
void TComm::SetDsrSensitivity(bool v) {
    setLine(settings_.DsrSensitivity, v);
}
void TComm::SetTxContinueOnXoff(bool v) {
    setLine(settings_.TxContinueOnXoff, v);
}
void TComm::SetOutx_XonXoffFlow(bool v) {
    setLine(settings_.Outx_XonXoffFlow, v);
}
void TComm::SetInx_XonXoffFlow(bool v) {
    setLine(settings_.Inx_XonXoffFlow, v);
}
void TComm::SetReplaceWhenParityError(bool v) {
    setLine(settings_.ReplaceWhenParityError, v);
}
void TComm::SetIgnoreNullChar(bool v) {
    setLine(settings_.IgnoreNullChar, v);
}
void TComm::SetRtsControl(TRtsControl v) {
    setLine(settings_.RtsControl, v);
}
void TComm::SetXonLimit(uint16_t v) {
    setLine(settings_.XonLimit, v);
}
void TComm::SetXoffLimit(uint16_t v) {
    setLine(settings_.XoffLimit, v);
}
void TComm::SetByteSize(TByteSize v) {
    setLine(settings_.ByteSize, v);
}
void TComm::SetStopBits(TStopBits v) {
    setLine(settings_.StopBits, v);
}
void TComm::SetXonChar(char v) {
    setLine(settings_.XonChar, v);
}
void TComm::SetXoffChar(char v) {
    setLine(settings_.XoffChar, v);
}
void TComm::SetReplacedChar(char v) {
    setLine(settings_.ReplacedChar, v);
}

void TComm::SetReadIntervalTimeout(uint32_t v) {
    setTimeout(timeouts_.ReadIntervalTimeout, v);
}
void TComm::SetReadTotalTimeoutMultiplier(uint32_t v) {
    setTimeout(timeouts_.ReadTotalTimeoutMultiplier, v);
}
void TComm::SetReadTotalTimeoutConstant(uint32_t v) {
    setTimeout(timeouts_.ReadTotalTimeoutConstant, v);
}
void TComm::SetWriteTotalTimeoutMultiplier(uint32_t v) {
    setTimeout(timeouts_.WriteTotalTimeoutMultiplier, v);
}
void TComm::SetWriteTotalTimeoutConstant(uint32_t v) {
    setTimeout(timeouts_.WriteTotalTimeoutConstant, v);
}

// The outcome is not examined: a refused value stays in the property and the
// device keeps what it has.
void TComm::ApplyLineSettings() {
    SerialDevice& device = *impl_->device;
    device.SetState(BuildDeviceControlBlock(device.GetState(), settings_));
}

void TComm::ApplyTimeouts() {
    impl_->device->SetTimeouts(timeouts_);
}

// ---- opening and closing ----------------------------------------------------

void TComm::OpenPort() {
    Impl& m = *impl_;
    if (IsOpen())
        throw ECommsError(QStringLiteral("This serial port already opened"));

    std::unique_ptr<SerialDevice> device = m.opener ? m.opener(commName_) : OpenByName(commName_);
    if (!device)
        throw ECommsError(QStringLiteral("Error opening serial port"),
                          QStringLiteral("%1 could not be opened").arg(commName_));
    if (!device->SetupQueues(kQueueSize, kQueueSize))
        throw ECommsError(QStringLiteral("Cannot setup comm buffer")); // device closes with it

    m.device = std::move(device); // open from here on
    m.device->PurgeQueues(Purge::TxAbort | Purge::RxAbort | Purge::TxClear | Purge::RxClear);
    ApplyTimeouts();
    ApplyLineSettings();

    m.shutdown.reset(m.fault == OpenFault::ShutdownEvent
                         ? (errno = EMFILE, -1)
                         : ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!m.shutdown) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        m.Release();
        throw ECommsError(QStringLiteral("Unable to create event"), reason);
    }
    m.session = std::make_unique<PortSession>();
    m.session->device = m.device.get();
    m.session->shutdownFd = m.shutdown.get();
    m.session->notifier = &m.notifier;

    PortSession* session = m.session.get();
    try {
        if (m.fault == OpenFault::ReadThread)
            throw std::system_error(EAGAIN, std::generic_category());
        m.reader = std::make_unique<CommThread>([session] { RunReader(*session); });
    } catch (const std::exception& e) {
        m.reader.reset();
        m.Release();
        throw ECommsError(QStringLiteral("Unable to create read thread"),
                          QString::fromLocal8Bit(e.what()));
    }

    try {
        if (m.fault == OpenFault::WriteThread)
            throw std::system_error(EAGAIN, std::generic_category());
        m.queue = std::make_unique<WriteQueue>();
        session->queue = m.queue.get();
        m.writer = std::make_unique<CommThread>([session] { RunWriter(*session); });
    } catch (const std::exception& e) {
        StopReader(); // it never entered its loop
        m.writer.reset();
        m.Release();
        throw ECommsError(QStringLiteral("Unable to create write thread"),
                          QString::fromLocal8Bit(e.what()));
    }

    m.reader->Start();
    m.writer->Start();
}

void TComm::ClosePort() {
    if (!IsOpen())
        return;
    StopReader();
    StopWriter();
    impl_->Release();
}

void TComm::StopReader() {
    Impl& m = *impl_;
    if (!m.reader)
        return;
    m.SignalShutdown();
    m.device->PurgeQueues(Purge::RxAbort | Purge::RxClear);
    if (!m.reader->Finish(kStopPatience))
        qWarning("serial reader took more than 10 s to end");
    m.reader.reset();
}

void TComm::StopWriter() {
    Impl& m = *impl_;
    if (!m.writer)
        return;
    m.SignalShutdown();
    m.device->PurgeQueues(Purge::TxAbort | Purge::TxClear);
    if (!m.writer->Finish(kStopPatience))
        qWarning("serial writer took more than 10 s to end");
    m.writer.reset();
}

bool TComm::WriteBytes(const void* Buffer, uint16_t Length) {
    Impl& m = *impl_;
    if (!m.writer || !m.queue || Length == 0 || Buffer == nullptr)
        return false;
    return m.queue->Push(Buffer, Length);
}

} // namespace tarvessa
