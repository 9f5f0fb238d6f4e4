// Port listing and COM-name resolution against fake /dev and /sys trees.
#include "serial/PortNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tarvessa {
namespace {

// One tty as the fake machine shows it.
struct FakeTty {
    const char* name;
    bool devNode = true;          // /dev/<name> exists
    bool device = false;          // /sys/class/tty/<name>/device exists
    const char* type = nullptr;   // serial core `type` attribute, absent when null
    const char* port = nullptr;   // serial core `port` attribute, absent when null
    const char* driver = nullptr; // driver link of the device
    const char* usbId = nullptr;  // "vvvv:pppp" of a USB parent, none when null
    bool serialBase = false;      // behind serial-core's ctrl and port devices
};

struct Expected {
    const char* path; // relative paths are under the fake /dev
    const char* driver = "";
    const char* usbId = "";
};

class FakeMachine {
public:
    FakeMachine() {
        QDir(root()).mkpath(QStringLiteral("dev"));
        QDir(root()).mkpath(QStringLiteral("sys/class/tty"));
    }

    QString root() const { return dir_.path(); }
    QString dev() const { return root() + QStringLiteral("/dev"); }

    PortEnvironment Env() const {
        PortEnvironment env;
        env.devDir = dev();
        env.sysClassTtyDir = root() + QStringLiteral("/sys/class/tty");
        return env;
    }

    void Add(const FakeTty& tty) {
        const QString name = QString::fromLatin1(tty.name);
        if (tty.devNode) {
            Write(dev() + QLatin1Char('/') + name, {});
        }
        if (!tty.device && !tty.type && !tty.port && !tty.driver && !tty.usbId) {
            return; // no sysfs entry at all
        }
        // Laid out like sysfs: the class entry is a link into the device
        // tree, the USB ids sit two levels above the tty's device.
        QString parent = root() + QStringLiteral("/sys/devices/platform");
        if (tty.usbId) {
            parent = root() + QStringLiteral("/sys/devices/usb1/1-") + name;
            const QString id = QString::fromLatin1(tty.usbId);
            Write(parent + QStringLiteral("/idVendor"), id.section(QLatin1Char(':'), 0, 0));
            Write(parent + QStringLiteral("/idProduct"), id.section(QLatin1Char(':'), 1, 1));
            parent += QStringLiteral("/1-1:1.0");
        }
        QString deviceDir = parent + QLatin1Char('/') + name + QStringLiteral("-port");
        QString driverHolder = deviceDir;
        if (tty.serialBase) {
            driverHolder = parent + QStringLiteral("/uart-") + name;
            const QString ctrl = driverHolder + QStringLiteral("/ctrl");
            deviceDir = ctrl + QStringLiteral("/port");
            const QString bus = root() + QStringLiteral("/sys/bus/serial-base");
            QDir().mkpath(deviceDir);
            QDir().mkpath(bus + QStringLiteral("/drivers/port"));
            ASSERT_TRUE(QFile::link(bus, ctrl + QStringLiteral("/subsystem")));
            ASSERT_TRUE(QFile::link(bus, deviceDir + QStringLiteral("/subsystem")));
            ASSERT_TRUE(QFile::link(bus + QStringLiteral("/drivers/port"),
                                    deviceDir + QStringLiteral("/driver")));
        }
        const QString classDir = deviceDir + QStringLiteral("/tty/") + name;
        QDir().mkpath(classDir);
        ASSERT_TRUE(QFile::link(classDir, root() + QStringLiteral("/sys/class/tty/") + name));
        if (tty.device) {
            ASSERT_TRUE(QFile::link(deviceDir, classDir + QStringLiteral("/device")));
        }
        if (tty.type) {
            Write(classDir + QStringLiteral("/type"),
                  QString::fromLatin1(tty.type) + QLatin1Char('\n'));
        }
        if (tty.port) {
            Write(classDir + QStringLiteral("/port"),
                  QString::fromLatin1(tty.port) + QLatin1Char('\n'));
        }
        if (tty.driver) {
            const QString driverDir =
                root() + QStringLiteral("/sys/bus/drivers/") + QString::fromLatin1(tty.driver);
            QDir().mkpath(driverDir);
            ASSERT_TRUE(QFile::link(driverDir, driverHolder + QStringLiteral("/driver")));
        }
    }

    void Write(const QString& path, const QString& text) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toLatin1());
    }

private:
    QTemporaryDir dir_;
};

// A USB adapter, an ACM device and a real UART, as most tests want them.
const std::vector<FakeTty> kUsual = {
    {"ttyUSB0", true, true, nullptr, nullptr, "ftdi_sio", "0403:6001"},
    {"ttyACM0", true, true, nullptr, nullptr, "cdc_acm", "2341:0043"},
    {"ttyS0", true, true, "4", "0x3F8", "serial8250"},
    {"ttyS1", true, true, "0", "0x2F8", "serial8250"},
};

struct ListCase {
    const char* what;
    std::vector<FakeTty> ttys;
    std::vector<Expected> expected;
    const char* override = nullptr; // TARVESSA_PORTS, with %R standing for the fake root
};

const ListCase kListCases[] = {
    {"empty machine", {}, {}},
    {"usual machine: USB, then ACM, then UART with driver and USB ids",
     kUsual,
     {{"ttyUSB0", "ftdi_sio", "0403:6001"},
      {"ttyACM0", "cdc_acm", "2341:0043"},
      {"ttyS0", "serial8250"}}},
    {"numeric order within each group, groups in fixed order",
     {{"ttyS10", true, true, "4"},
      {"ttyUSB10"},
      {"ttyACM3"},
      {"ttyS2", true, true, "4"},
      {"ttyUSB2"},
      {"ttyACM1"},
      {"ttyUSB1"}},
     {{"ttyUSB1"}, {"ttyUSB2"}, {"ttyUSB10"}, {"ttyACM1"}, {"ttyACM3"}, {"ttyS2"}, {"ttyS10"}}},
    {"placeholder UARTs: type 0, no device, no /dev node, no attributes",
     {{"ttyS0", true, true, "0"},
      {"ttyS1", true, false, "4"},
      {"ttyS2", false, true, "4"},
      {"ttyS3", true, true},
      {"ttyS4", true, true, "garbage"},
      {"ttyS5", true, true, "1"}},
     {{"ttyS5"}}},
    {"older kernels without type: a non-zero I/O port counts",
     {{"ttyS0", true, true, nullptr, "0x3F8"}, {"ttyS1", true, true, nullptr, "0x0"}},
     {{"ttyS0"}}},
    {"other UART families follow ttyS",
     {{"ttyAMA0", true, true, "83", nullptr, "uart-pl011"},
      {"ttyS1", true, true, "4"},
      {"ttymxc0", true, true, "1"}},
     {{"ttyS1"}, {"ttyAMA0", "uart-pl011"}, {"ttymxc0"}}},
    {"consoles, ptys and odd names are not serial ports",
     {{"tty0", true, true},
      {"console", true, true},
      {"ttyUSB", true, false},
      {"ttyUSBx1", true, false},
      {"ttyACM7", true, false}},
     {{"ttyACM7"}}},
    {"UART behind serial-core's port device shows the hardware's driver",
     {{"ttyS0", true, true, "4", nullptr, "serial8250", nullptr, true}},
     {{"ttyS0", "serial8250"}}},
    {"USB node without sysfs entry still listed, undescribed",
     {{"ttyUSB3", true, false}},
     {{"ttyUSB3"}}},
    {"override replaces the detected list, keeps order, skips empty entries",
     kUsual,
     {{"/nowhere/b"}, {"%R/dev/ttyS1", "serial8250"}, {"%R/dev/ttyUSB0", "ftdi_sio", "0403:6001"}},
     "/nowhere/b::%R/dev/ttyS1:%R/dev/ttyUSB0:"},
    {"override set but empty lists nothing", kUsual, {}, ""},
};

QString WithRoot(const char* text, const FakeMachine& machine) {
    return QString::fromUtf8(text).replace(QStringLiteral("%R"), machine.root());
}

TEST(PortNamesTest, ListsSerialPortsInComOrder) {
    for (const ListCase& c : kListCases) {
        SCOPED_TRACE(c.what);
        FakeMachine machine;
        for (const FakeTty& tty : c.ttys) {
            machine.Add(tty);
        }
        PortEnvironment env = machine.Env();
        if (c.override) {
            env.hasOverride = true;
            env.portsOverride = WithRoot(c.override, machine);
        }
        const auto ports = ListSerialPorts(env);
        ASSERT_EQ(ports.size(), c.expected.size());
        for (size_t i = 0; i < ports.size(); ++i) {
            const Expected& e = c.expected[i];
            QString path = WithRoot(e.path, machine);
            if (!path.startsWith(QLatin1Char('/'))) {
                path = machine.dev() + QLatin1Char('/') + path;
            }
            EXPECT_EQ(ports[i].number, static_cast<int>(i) + 1);
            EXPECT_EQ(ports[i].path, path);
            EXPECT_EQ(ports[i].driver, QString::fromLatin1(e.driver)) << e.path;
            EXPECT_EQ(ports[i].usbVendorProduct, QString::fromLatin1(e.usbId)) << e.path;
        }
    }
}

TEST(PortNamesTest, OverrideThroughLinkDescribesTheTtyBehindIt) {
    FakeMachine machine;
    machine.Add(kUsual[0]);
    const QString link = machine.root() + QStringLiteral("/by-id-adapter");
    ASSERT_TRUE(QFile::link(machine.dev() + QStringLiteral("/ttyUSB0"), link));
    PortEnvironment env = machine.Env();
    env.hasOverride = true;
    env.portsOverride = link;
    const auto ports = ListSerialPorts(env);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].path, link); // the user's name is kept
    EXPECT_EQ(ports[0].driver, QStringLiteral("ftdi_sio"));
    EXPECT_EQ(ports[0].usbVendorProduct, QStringLiteral("0403:6001"));
}

TEST(PortNamesTest, ResolvesComNamesAndPaths) {
    struct Case {
        const char* name;
        const char* expected; // relative: under the fake /dev; empty: no device
    };
    const Case cases[] = {
        {"COM1", "ttyUSB0"},
        {"com2", "ttyACM0"},
        {"Com3", "ttyS0"},
        {"COM01", "ttyUSB0"},
        {"\\\\.\\COM2", "ttyACM0"},
        {"COM4", ""}, // ttyS1 is a placeholder
        {"COM48", ""},
        {"COM0", ""},
        {"COM", ""},
        {"COM-1", ""},
        {"COM+1", ""},
        {"COM 1", ""},
        {"COM1 ", ""},
        {"COM1x", ""},
        {"COM99999999999", ""},
        {"LPT1", ""},
        {"ttyUSB0", ""},
        {"", ""},
        {"/dev/pts/7", "/dev/pts/7"},
        {"/no/such/device", "/no/such/device"},
    };
    FakeMachine machine;
    for (const FakeTty& tty : kUsual) {
        machine.Add(tty);
    }
    const PortEnvironment env = machine.Env();
    for (const Case& c : cases) {
        QString expected = QString::fromLatin1(c.expected);
        if (!expected.isEmpty() && !expected.startsWith(QLatin1Char('/'))) {
            expected = machine.dev() + QLatin1Char('/') + expected;
        }
        EXPECT_EQ(ResolvePortName(QString::fromLatin1(c.name), env), expected) << c.name;
    }

    PortEnvironment fixed = env;
    fixed.hasOverride = true;
    fixed.portsOverride = QStringLiteral("/dev/pts/3:/dev/ttyUSB9");
    EXPECT_EQ(ResolvePortName(QStringLiteral("COM1"), fixed), QStringLiteral("/dev/pts/3"));
    EXPECT_EQ(ResolvePortName(QStringLiteral("COM2"), fixed), QStringLiteral("/dev/ttyUSB9"));
    EXPECT_EQ(ResolvePortName(QStringLiteral("COM3"), fixed), QString());

    // '*' puts the detected devices at its place.
    PortEnvironment first = env;
    first.hasOverride = true;
    first.portsOverride = QStringLiteral("/dev/pts/3:*");
    const std::vector<PortInfo> detected = ListSerialPorts(env);
    const std::vector<PortInfo> withFirst = ListSerialPorts(first);
    ASSERT_EQ(withFirst.size(), detected.size() + 1);
    EXPECT_EQ(withFirst[0].path, QStringLiteral("/dev/pts/3"));
    for (size_t i = 0; i < detected.size(); ++i) {
        EXPECT_EQ(withFirst[i + 1].path, detected[i].path);
        EXPECT_EQ(withFirst[i + 1].number, int(i) + 2);
    }
}

TEST(PortNamesTest, EnvironmentVariableSetsTheOverride) {
    const QByteArray saved = qgetenv("TARVESSA_PORTS");
    const bool wasSet = qEnvironmentVariableIsSet("TARVESSA_PORTS");

    qunsetenv("TARVESSA_PORTS");
    EXPECT_FALSE(PortEnvironment::FromSystem().hasOverride);

    qputenv("TARVESSA_PORTS", "/dev/pts/4:/dev/ttyS0");
    PortEnvironment env = PortEnvironment::FromSystem();
    EXPECT_TRUE(env.hasOverride);
    EXPECT_EQ(env.portsOverride, QStringLiteral("/dev/pts/4:/dev/ttyS0"));
    EXPECT_EQ(ResolvePortName(QStringLiteral("COM1")), QStringLiteral("/dev/pts/4"));

    qputenv("TARVESSA_PORTS", "");
    env = PortEnvironment::FromSystem();
    EXPECT_TRUE(env.hasOverride);
    EXPECT_TRUE(ListSerialPorts(env).empty());

    if (wasSet) {
        qputenv("TARVESSA_PORTS", saved);
    } else {
        qunsetenv("TARVESSA_PORTS");
    }
}

} // namespace
} // namespace tarvessa
