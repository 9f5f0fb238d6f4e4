#include "serial/PortNames.h"

#include "common/Convert.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <tuple>

namespace tarvessa {

namespace {

// "ttyUSB12" -> ("ttyUSB", 12); false for names without a trailing number.
bool SplitTtyName(const QString& name, QString& prefix, qint64& number) {
    static const QRegularExpression pattern(QStringLiteral("^(tty[A-Za-z]+)([0-9]+)$"));
    const auto match = pattern.match(name);
    if (!match.hasMatch()) {
        return false;
    }
    bool ok = false;
    number = match.captured(2).toLongLong(&ok);
    prefix = match.captured(1);
    return ok;
}

QString ReadAttribute(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromLatin1(file.read(256)).trimmed();
}

// A non-zero number in a sysfs attribute ("4", "0x3F8"); false when absent.
bool AttributeIsNonZero(const QString& path) {
    const QString text = ReadAttribute(path);
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 0);
    return ok && value != 0;
}

// The serial core registers a ttyS line for every possible port; only those
// with a device behind them and a known UART type are real. `type` is the
// UART type (0 = none); kernels without it still show the I/O port.
bool IsRealUart(const QString& sysTty) {
    if (!QFileInfo::exists(sysTty + QStringLiteral("/device"))) {
        return false;
    }
    const QString type = sysTty + QStringLiteral("/type");
    if (QFileInfo::exists(type)) {
        return AttributeIsNonZero(type);
    }
    return AttributeIsNonZero(sysTty + QStringLiteral("/port"));
}

QString LinkName(const QString& path) {
    const QFileInfo link(path);
    return link.isSymLink() ? QFileInfo(link.symLinkTarget()).fileName() : QString();
}

// Newer kernels put serial-core's own "port" and "ctrl" devices between a UART
// and its tty; the driver worth showing is that of the hardware above them.
QString DriverOf(const QString& sysTty) {
    QString device = QFileInfo(sysTty + QStringLiteral("/device")).canonicalFilePath();
    if (device.isEmpty()) {
        return {};
    }
    for (int depth = 0; depth < 4; ++depth) {
        if (LinkName(device + QStringLiteral("/subsystem")) != QLatin1String("serial-base")) {
            break;
        }
        device = QFileInfo(device).path();
    }
    return LinkName(device + QStringLiteral("/driver"));
}

// The USB device is an ancestor of the tty's device in the sysfs tree: the
// first directory upwards that carries idVendor and idProduct.
QString UsbIdOf(const QString& sysTty) {
    QString dir = QFileInfo(sysTty + QStringLiteral("/device")).canonicalFilePath();
    if (dir.isEmpty()) {
        return {};
    }
    while (dir.size() > 1) {
        const QString vendor = ReadAttribute(dir + QStringLiteral("/idVendor"));
        const QString product = ReadAttribute(dir + QStringLiteral("/idProduct"));
        if (!vendor.isEmpty() && !product.isEmpty()) {
            return vendor.toLower() + QLatin1Char(':') + product.toLower();
        }
        dir = QFileInfo(dir).path();
    }
    return {};
}

void Describe(PortInfo& info, const QString& sysClassTtyDir, const QString& ttyName) {
    const QString sysTty = sysClassTtyDir + QLatin1Char('/') + ttyName;
    info.driver = DriverOf(sysTty);
    info.usbVendorProduct = UsbIdOf(sysTty);
}

struct Candidate {
    int group;
    QString prefix;
    qint64 number;
    QString name;

    auto Key() const { return std::tie(group, prefix, number); }
};

// Device nodes in devDir named <prefix><number>.
void CollectFromDev(const PortEnvironment& env, const QString& prefix, int group,
                    std::vector<Candidate>& out) {
    const QDir dev(env.devDir);
    const auto names = dev.entryList({prefix + QLatin1Char('*')},
                                     QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        QString namePrefix;
        qint64 number = 0;
        if (SplitTtyName(name, namePrefix, number) && namePrefix == prefix) {
            out.push_back({group, namePrefix, number, name});
        }
    }
}

// Other serial lines: ttys that sysfs shows with a real UART behind them and
// that have a node in devDir. ttyS comes first, other UART families after.
void CollectUarts(const PortEnvironment& env, std::vector<Candidate>& out) {
    const QDir sys(env.sysClassTtyDir);
    const auto names =
        sys.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& name : names) {
        QString prefix;
        qint64 number = 0;
        if (!SplitTtyName(name, prefix, number) || prefix == QLatin1String("ttyUSB") ||
            prefix == QLatin1String("ttyACM")) {
            continue;
        }
        if (!IsRealUart(env.sysClassTtyDir + QLatin1Char('/') + name) ||
            !QFileInfo::exists(env.devDir + QLatin1Char('/') + name)) {
            continue;
        }
        out.push_back({prefix == QLatin1String("ttyS") ? 2 : 3, prefix, number, name});
    }
}

std::vector<PortInfo> Detected(const PortEnvironment& env);

// TARVESSA_PORTS: device paths joined by ':'; an entry '*' stands for the
// detected devices.
std::vector<PortInfo> FromOverride(const PortEnvironment& env) {
    std::vector<PortInfo> ports;
    const auto paths = env.portsOverride.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& path : paths) {
        if (path == QLatin1String("*")) {
            // The detected devices, in their usual order, at this place.
            for (PortInfo info : Detected(env)) {
                info.number = static_cast<int>(ports.size()) + 1;
                ports.push_back(std::move(info));
            }
            continue;
        }
        PortInfo info;
        info.number = static_cast<int>(ports.size()) + 1;
        info.path = path;
        // A link such as /dev/serial/by-id/... names the tty it points at.
        const QString canonical = QFileInfo(path).canonicalFilePath();
        const QString ttyName = QFileInfo(canonical.isEmpty() ? path : canonical).fileName();
        if (!ttyName.isEmpty() &&
            QFileInfo::exists(env.sysClassTtyDir + QLatin1Char('/') + ttyName)) {
            Describe(info, env.sysClassTtyDir, ttyName);
        }
        ports.push_back(std::move(info));
    }
    return ports;
}

} // namespace

PortEnvironment PortEnvironment::FromSystem() {
    PortEnvironment env;
    env.hasOverride = qEnvironmentVariableIsSet("TARVESSA_PORTS");
    if (env.hasOverride) {
        env.portsOverride = qEnvironmentVariable("TARVESSA_PORTS");
    }
    return env;
}

namespace {

std::vector<PortInfo> Detected(const PortEnvironment& env) {
    std::vector<Candidate> found;
    CollectFromDev(env, QStringLiteral("ttyUSB"), 0, found);
    CollectFromDev(env, QStringLiteral("ttyACM"), 1, found);
    CollectUarts(env, found);
    std::sort(found.begin(), found.end(),
              [](const Candidate& a, const Candidate& b) { return a.Key() < b.Key(); });

    std::vector<PortInfo> ports;
    ports.reserve(found.size());
    for (const Candidate& c : found) {
        PortInfo info;
        info.number = static_cast<int>(ports.size()) + 1;
        info.path = env.devDir + QLatin1Char('/') + c.name;
        Describe(info, env.sysClassTtyDir, c.name);
        ports.push_back(std::move(info));
    }
    return ports;
}

} // namespace

std::vector<PortInfo> ListSerialPorts(const PortEnvironment& env) {
    return env.hasOverride ? FromOverride(env) : Detected(env);
}

QString ResolvePortName(const QString& name, const PortEnvironment& env) {
    if (name.startsWith(QLatin1Char('/'))) {
        return name;
    }
    // Windows users may write the long form of a device name.
    QString rest = name;
    if (rest.startsWith(QLatin1String("\\\\.\\"))) {
        rest = rest.mid(4);
    }
    if (!rest.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        return {};
    }
    const QString digits = rest.mid(3);
    if (!IsDigitsOnly(digits)) {
        return {};
    }
    bool ok = false;
    const int number = digits.toInt(&ok);
    if (!ok || number < 1) {
        return {};
    }
    const auto ports = ListSerialPorts(env);
    if (static_cast<size_t>(number) > ports.size()) {
        return {};
    }
    return ports[static_cast<size_t>(number) - 1].path;
}

} // namespace tarvessa
