#include "terminal/PortComboBox.h"

#include "serial/PortNames.h"

namespace tarvessa {

void PortComboBox::RefreshDeviceTips() {
    const std::vector<PortInfo> ports = ListSerialPorts();
    for (int i = 0; i < count(); ++i) {
        QString tip = tr("no device");
        if (static_cast<size_t>(i) < ports.size()) {
            const PortInfo& p = ports[static_cast<size_t>(i)];
            QStringList parts{p.path};
            if (!p.driver.isEmpty())
                parts << p.driver;
            if (!p.usbVendorProduct.isEmpty())
                parts << QStringLiteral("USB %1").arg(p.usbVendorProduct);
            tip = parts.join(QStringLiteral(" · "));
        }
        setItemData(i, tip, Qt::ToolTipRole);
    }
}

void PortComboBox::showPopup() {
    RefreshDeviceTips();
    QComboBox::showPopup();
}

} // namespace tarvessa
