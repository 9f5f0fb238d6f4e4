#pragma once

#include <QString>
#include <vector>

namespace tarvessa {

// One serial device as the window offers it: "COM<number>".
struct PortInfo {
    int number = 0;           // 1-based COM number
    QString path;             // /dev/ttyUSB0
    QString driver;           // kernel driver, where sysfs has it ("ftdi_sio")
    QString usbVendorProduct; // "0403:6001", where the device sits on USB
};

// Where the listing looks; tests point it at a fake tree.
struct PortEnvironment {
    QString devDir = QStringLiteral("/dev");
    QString sysClassTtyDir = QStringLiteral("/sys/class/tty");
    bool hasOverride = false; // TARVESSA_PORTS set
    QString portsOverride;    // device paths joined by ':'; '*' stands for the detected ones

    static PortEnvironment FromSystem(); // reads TARVESSA_PORTS
};

// The serial devices present, in COM order: USB adapters, then ACM devices,
// then other real serial devices; replaced by TARVESSA_PORTS, in which an
// entry "*" stands for the detected devices ("/dev/pts/3:*" puts one first).
std::vector<PortInfo> ListSerialPorts(const PortEnvironment& env = PortEnvironment::FromSystem());

// The device path for a port name: a name beginning with "/" is used
// unchanged; "COMn" (any case) is the n-th listed device. Empty when the name
// maps to no device.
QString ResolvePortName(const QString& name,
                        const PortEnvironment& env = PortEnvironment::FromSystem());

} // namespace tarvessa
