#pragma once

#include <QComboBox>

namespace tarvessa {

// The port list: each "COMn" item's tooltip names the device it maps to at the
// moment the list opens (devices come and go while the program runs).
class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void RefreshDeviceTips();
    void showPopup() override;
};

} // namespace tarvessa
