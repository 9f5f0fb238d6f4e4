#include "serial/PosixDevice.h"

#include "serial/TComm.h"
#include "serial/Termios2.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tarvessa {

namespace {

const QString kErrorOpening = QStringLiteral("Error opening serial port");
const QString kNotComm = QStringLiteral("File handle is not a comm handle ");

QString ErrnoText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

QString OpenFailureDetail(const QString& path, int err) {
    QString detail = QStringLiteral("%1: %2").arg(path, ErrnoText(err));
    if (err == EACCES) {
        QString group = QStringLiteral("the group that owns the device");
        struct stat st {};
        if (::stat(path.toLocal8Bit().constData(), &st) == 0) {
            if (const struct group* g = ::getgrgid(st.st_gid))
                group = QStringLiteral("the group that owns the device (%1)")
                            .arg(QString::fromLocal8Bit(g->gr_name));
        }
        detail += QStringLiteral("; your user may need to be in %1, often dialout").arg(group);
    }
    return detail;
}

bool NoSuchIoctl(int err) {
    return err == ENOTTY || err == EINVAL;
}

// DTR and RTS follow their modes; a pseudo-terminal has no modem lines.
void SetModemLine(int fd, int line, bool on) {
    int bits = line;
    (void)::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

} // namespace

std::unique_ptr<PosixDevice> PosixDevice::Open(const QString& path) {
    const QByteArray local = path.toLocal8Bit();
    UniqueFd fd(::open(local.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        throw ECommsError(kErrorOpening, OpenFailureDetail(path, errno));

    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISCHR(st.st_mode) || !::isatty(fd.get()))
        throw ECommsError(kNotComm, QStringLiteral("%1 is not a serial device").arg(path));

    // Exclusive: TIOCEXCL keeps later opens out (except root's), the lock
    // also tells two cooperating programs (and two root ones) apart.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        throw ECommsError(kErrorOpening,
                          err == EWOULDBLOCK
                              ? QStringLiteral("%1 is in use by another program").arg(path)
                              : OpenFailureDetail(path, err));
    }
    (void)::ioctl(fd.get(), TIOCEXCL);

    std::unique_ptr<PosixDevice> device(new PosixDevice(std::move(fd)));
    LineEvents baseline;
    (void)device->CheckLineEvents(baseline);
    return device;
}

PosixDevice::PosixDevice(UniqueFd fd) : fd_(std::move(fd)) {}

PosixDevice::~PosixDevice() {
    // Leave the tty open to others again; the lock goes with the descriptor.
    (void)::ioctl(fd_.get(), TIOCNXCL);
}

ssize_t PosixDevice::Read(void* buffer, size_t size) {
    const ssize_t n = ::read(fd_.get(), buffer, size);
    if (n < 0)
        return -1;
    if (n == 0) {
        // With VMIN = VTIME = 0 the tty answers 0 when it has nothing.
        errno = EAGAIN;
        return -1;
    }
    RxFilter::Options options;
    {
        std::lock_guard lock(mutex_);
        options = rxOptions_;
    }
    const size_t kept = rxFilter_.Filter(static_cast<uint8_t*>(buffer), size_t(n), options);
    if (kept == 0) {
        errno = EAGAIN; // only escapes or stripped bytes this time
        return -1;
    }
    return ssize_t(kept);
}

ssize_t PosixDevice::Write(const void* data, size_t size) {
    return ::write(fd_.get(), data, size);
}

bool PosixDevice::SetupQueues(uint32_t, uint32_t) {
    // The tty layer's buffers are fixed; there is nothing to refuse.
    return true;
}

DeviceControlBlock PosixDevice::GetState() {
    std::lock_guard lock(mutex_);
    if (!haveDcb_) {
        (void)ReadDcbFromTty(fd_.get(), dcb_);
        dcb_.Flags = DcbFlag::fBinary;
        haveDcb_ = true;
    }
    return dcb_;
}

void PosixDevice::SetState(const DeviceControlBlock& dcb) {
    {
        std::lock_guard lock(mutex_);
        dcb_ = dcb;
        haveDcb_ = true;
        rxOptions_.markErrors = dcb.ErrorChar != 0;
        rxOptions_.replacement = static_cast<uint8_t>(dcb.ErrorChar);
        rxOptions_.stripNull = dcb.Flags & DcbFlag::fNull;
    }
    // A refused setting leaves the device as it was; nobody is told.
    (void)ApplyDcbToTty(fd_.get(), dcb);

    const uint32_t dtr = (dcb.Flags & DcbFlag::fDtrControlMask) >> DcbFlag::fDtrControlShift;
    const uint32_t rts = (dcb.Flags & DcbFlag::fRtsControlMask) >> DcbFlag::fRtsControlShift;
    SetModemLine(fd_.get(), TIOCM_DTR, dtr != DcbControl::DTR_CONTROL_DISABLE);
    // With hardware handshake the driver drives RTS itself once it is set.
    SetModemLine(fd_.get(), TIOCM_RTS, rts != DcbControl::RTS_CONTROL_DISABLE);
}

void PosixDevice::SetTimeouts(const CommTimeouts& timeouts) {
    std::lock_guard lock(mutex_);
    timeouts_ = timeouts;
}

CommTimeouts PosixDevice::Timeouts() const {
    std::lock_guard lock(mutex_);
    return timeouts_;
}

void PosixDevice::PurgeQueues(uint32_t flags) {
    const bool tx = flags & (Purge::TxAbort | Purge::TxClear);
    const bool rx = flags & (Purge::RxAbort | Purge::RxClear);
    if (tx && rx)
        (void)::tcflush(fd_.get(), TCIOFLUSH);
    else if (tx)
        (void)::tcflush(fd_.get(), TCOFLUSH);
    else if (rx)
        (void)::tcflush(fd_.get(), TCIFLUSH);
}

LineEventStatus PosixDevice::CheckLineEvents(LineEvents& events) {
    events = {};
    bool carrier = false;
    bool ring = false;

    if (countQuery_ != Query::Unsupported) {
        struct serial_icounter_struct c {};
        if (::ioctl(fd_.get(), TIOCGICOUNT, &c) == 0) {
            const Counts now{c.frame, c.parity, c.overrun, c.buf_overrun, c.brk, c.dcd, c.rng};
            if (countQuery_ == Query::Known) {
                const Counts& was = lastCounts_;
                if (now.bufOverrun != was.bufOverrun)
                    events.errors |= LineError::CE_RXOVER;
                if (now.overrun != was.overrun)
                    events.errors |= LineError::CE_OVERRUN;
                if (now.parity != was.parity)
                    events.errors |= LineError::CE_RXPARITY;
                if (now.frame != was.frame)
                    events.errors |= LineError::CE_FRAME;
                if (now.brk != was.brk)
                    events.errors |= LineError::CE_BREAK;
                carrier |= now.dcd != was.dcd;
                ring |= now.rng != was.rng;
            }
            lastCounts_ = now;
            countQuery_ = Query::Known;
        } else if (NoSuchIoctl(errno)) {
            countQuery_ = Query::Unsupported;
        } else {
            return LineEventStatus::Failed;
        }
    }

    if (modemQuery_ != Query::Unsupported) {
        int bits = 0;
        if (::ioctl(fd_.get(), TIOCMGET, &bits) == 0) {
            if (modemQuery_ == Query::Known) {
                // Counters catch short pulses between two looks; the status
                // word serves drivers that keep no counters.
                carrier |= ((bits ^ lastModem_) & TIOCM_CD) != 0;
                ring |= (bits & TIOCM_RI) && !(lastModem_ & TIOCM_RI);
            }
            lastModem_ = bits;
            modemQuery_ = Query::Known;
        } else if (NoSuchIoctl(errno)) {
            modemQuery_ = Query::Unsupported;
        } else {
            return LineEventStatus::Failed;
        }
    }

    if (countQuery_ == Query::Unsupported && modemQuery_ == Query::Unsupported)
        return LineEventStatus::Unsupported;
    if (carrier)
        events.modem |= ModemEventCarrier;
    if (ring)
        events.modem |= ModemEventRing;
    return LineEventStatus::Ok;
}

} // namespace tarvessa
