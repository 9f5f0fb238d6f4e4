#pragma once

#include "common/Exception.h"
#include "serial/CommNotifier.h"
#include "serial/LineConfig.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace tarvessa {

class TComm;
class SerialDevice;

// The only error the component raises; OpenPort is its only source. The
// message is one of the fixed English texts; the detail carries the system's
// reason (errno text, and a hint for missing permissions).
class ECommsError : public Exception {
public:
    using Exception::Exception;
};

using TNotifyEvent = std::function<void(TComm* Sender)>;
using TReceiveDataEvent =
    std::function<void(TComm* Sender, const void* Buffer, uint16_t BufferLength)>;
using TReceiveErrorEvent = std::function<void(TComm* Sender, uint32_t EventMask)>;
using TModemStateChangeEvent = std::function<void(TComm* Sender, uint32_t ModemEvent)>;
using TSendDataEmptyEvent = std::function<void(TComm* Sender)>;

constexpr uint32_t ModemEventCarrier = 8;
constexpr uint32_t ModemEventRing = 4;

// Opens a device by name; replaced in tests by a double. Returns the device or
// throws ECommsError with the message of the failing step.
using DeviceOpener = std::function<std::unique_ptr<SerialDevice>(const QString& name)>;

// Owns one serial port: its settings, opening and closing, a reader and a
// writer thread, and the events through which it reports on its owner's
// thread.
class TComm : public QObject {
    Q_OBJECT
public:
    explicit TComm(QObject* owner = nullptr);
    ~TComm() override; // closes an open port first

    void OpenPort();
    void ClosePort();
    bool WriteBytes(const void* Buffer, uint16_t Length);
    bool IsOpen() const;

    // Stores only.
    QString CommName() const { return commName_; }
    void SetCommName(const QString& value) { commName_ = value; }
    TParity Parity() const { return settings_.Parity; }
    void SetParity(TParity value) { settings_.Parity = value; }

    // Line settings: applied at once when changed while open.
    uint32_t BaudRate() const { return settings_.BaudRate; }
    void SetBaudRate(uint32_t value);
    bool ParityCheck() const { return settings_.ParityCheck; }
    void SetParityCheck(bool value);
    bool Outx_CtsFlow() const { return settings_.Outx_CtsFlow; }
    void SetOutx_CtsFlow(bool value);
    bool Outx_DsrFlow() const { return settings_.Outx_DsrFlow; }
    void SetOutx_DsrFlow(bool value);
    TDtrControl DtrControl() const { return settings_.DtrControl; }
    void SetDtrControl(TDtrControl value);
    bool DsrSensitivity() const { return settings_.DsrSensitivity; }
    void SetDsrSensitivity(bool value);
    bool TxContinueOnXoff() const { return settings_.TxContinueOnXoff; }
    void SetTxContinueOnXoff(bool value);
    bool Outx_XonXoffFlow() const { return settings_.Outx_XonXoffFlow; }
    void SetOutx_XonXoffFlow(bool value);
    bool Inx_XonXoffFlow() const { return settings_.Inx_XonXoffFlow; }
    void SetInx_XonXoffFlow(bool value);
    bool ReplaceWhenParityError() const { return settings_.ReplaceWhenParityError; }
    void SetReplaceWhenParityError(bool value);
    bool IgnoreNullChar() const { return settings_.IgnoreNullChar; }
    void SetIgnoreNullChar(bool value);
    TRtsControl RtsControl() const { return settings_.RtsControl; }
    void SetRtsControl(TRtsControl value);
    uint16_t XonLimit() const { return settings_.XonLimit; }
    void SetXonLimit(uint16_t value);
    uint16_t XoffLimit() const { return settings_.XoffLimit; }
    void SetXoffLimit(uint16_t value);
    TByteSize ByteSize() const { return settings_.ByteSize; }
    void SetByteSize(TByteSize value);
    TStopBits StopBits() const { return settings_.StopBits; }
    void SetStopBits(TStopBits value);
    char XonChar() const { return settings_.XonChar; }
    void SetXonChar(char value);
    char XoffChar() const { return settings_.XoffChar; }
    void SetXoffChar(char value);
    char ReplacedChar() const { return settings_.ReplacedChar; }
    void SetReplacedChar(char value);

    // Time-outs: applied at once when changed while open.
    uint32_t ReadIntervalTimeout() const { return timeouts_.ReadIntervalTimeout; }
    void SetReadIntervalTimeout(uint32_t value);
    uint32_t ReadTotalTimeoutMultiplier() const { return timeouts_.ReadTotalTimeoutMultiplier; }
    void SetReadTotalTimeoutMultiplier(uint32_t value);
    uint32_t ReadTotalTimeoutConstant() const { return timeouts_.ReadTotalTimeoutConstant; }
    void SetReadTotalTimeoutConstant(uint32_t value);
    uint32_t WriteTotalTimeoutMultiplier() const { return timeouts_.WriteTotalTimeoutMultiplier; }
    void SetWriteTotalTimeoutMultiplier(uint32_t value);
    uint32_t WriteTotalTimeoutConstant() const { return timeouts_.WriteTotalTimeoutConstant; }
    void SetWriteTotalTimeoutConstant(uint32_t value);

    // Events, raised on the owner's thread; an empty function is skipped.
    TReceiveDataEvent OnReceiveData;
    TReceiveErrorEvent OnReceiveError;
    TModemStateChangeEvent OnModemStateChange;
    TNotifyEvent OnRequestHangup;
    TSendDataEmptyEvent OnSendDataEmpty;

    // Test seam: how a name becomes a device. The default opens a POSIX tty.
    void SetDeviceOpener(DeviceOpener opener);

    // Test seams: make one step of OpenPort fail as the system would, and
    // look at the received blocks posted but not yet released.
    enum class OpenFault { None, ShutdownEvent, ReadThread, WriteThread };
    void InjectOpenFault(OpenFault fault);
    ReceiveQueueStats ReceiveQueue() const;
    void ResetReceiveQueuePeak();

    const LineSettings& Settings() const { return settings_; }
    const CommTimeouts& Timeouts() const { return timeouts_; }

private:
    void ApplyLineSettings();
    void ApplyTimeouts();
    void StopReader();
    void StopWriter();
    template <class T> void setLine(T& field, T value);
    template <class T> void setTimeout(T& field, T value);

    QString commName_ = QStringLiteral("COM1");
    LineSettings settings_;
    CommTimeouts timeouts_{100, 0, 0, 0, 0};

    struct Impl; // open port, threads, notification object
    std::unique_ptr<Impl> impl_;
};

} // namespace tarvessa
