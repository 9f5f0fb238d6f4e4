// Port selection, opening, closing, live changes and the mode switch.
#include "common/Beep.h"
#include "notice/NoticeTitles.h"
#include "terminal/PortChoices.h"
#include "terminal/TForm1.h"

namespace tarvessa {

namespace {
using NoticeTitle::Attention;
using NoticeTitle::Error;
using NoticeTitle::Success;
const QString IllegalRate = QStringLiteral("非法波特率！波特率将初始化为19200！");
const QString No4Bits = QStringLiteral("该串口不支持4位数据！");
const QString No9Bits = QStringLiteral("该串口不支持9位数据！");
} // namespace

void TForm1::resetRateTo19200() {
    showNotice(Error, IllegalRate);
    Comm1->SetBaudRate(19200);
    // A text the window writes itself raises no change handler (those follow
    // user actions only), so this never reopens the port.
    ComboBox2->setEditText(QStringLiteral("19200"));
}

void TForm1::Button10Click() {
    MessageBeep();
    const int port = ComboBox1->currentIndex();
    const int rate = ComboBox2->currentIndex();
    const int bits = ComboBox3->currentIndex();
    const int parity = ComboBox4->currentIndex();
    const int stop = ComboBox5->currentIndex();

    if (port < 0)
        return showNotice(Error, QStringLiteral("您还没选择串口！"));
    if (bits < 0)
        return showNotice(Error, QStringLiteral("您还没选择数据位！"));
    if (parity < 0)
        return showNotice(Error, QStringLiteral("您还没选择校验方式！"));
    if (bits == 0)
        return showNotice(Attention, No4Bits);
    if (bits == 5)
        return showNotice(Attention, No9Bits);

    Comm1->SetCommName(PortNameForIndex(port));
    std::optional<uint32_t> typedRate;
    if (rate >= 0)
        Comm1->SetBaudRate(RateTable.at(rate));
    else
        typedRate = TypedRate(ComboBox2->currentText());
    Comm1->SetByteSize(*ByteSizeForIndex(bits));
    const ParityChoice p = *ParityForIndex(parity);
    Comm1->SetParityCheck(p.check);
    Comm1->SetParity(p.parity);
    if (const auto stopBits = StopBitsForIndex(stop))
        Comm1->SetStopBits(*stopBits);

    if (PortOpened) {
        showNotice(Attention, QStringLiteral("串口已经是打开的了！"));
        Button10->setEnabled(true);
        Button11->setEnabled(false);
        return;
    }
    Button10->setEnabled(true);
    Button11->setEnabled(false);

    Comm1->OpenPort();
    PortOpened = true;

    if (rate >= 0) {
        showNotice(Success,
                   QStringLiteral("串口打开成功！使用波特率%1！").arg(ComboBox2->currentText()));
    } else if (!typedRate) {
        resetRateTo19200();
    } else {
        showNotice(
            Attention,
            QStringLiteral("串口打开成功！使用输入波特率%1！").arg(ComboBox2->currentText()));
        Comm1->SetBaudRate(*typedRate);
    }
    Button6->setText(QStringLiteral("COM-10"));
    Button10->setEnabled(false);
    Button11->setEnabled(true);
}

void TForm1::Button11Click() {
    MessageBeep();
    if (PortOpened) {
        Comm1->ClosePort();
        showNotice(Success, QStringLiteral("串口关闭成功！"));
        Button10->setEnabled(true);
        Button11->setEnabled(false);
        PortOpened = false;
    } else {
        showNotice(Error, QStringLiteral("串口还没打开，无法关闭！"));
        Button10->setEnabled(true);
        Button11->setEnabled(false);
    }
    Button6->setText(QStringLiteral("About"));
}

void TForm1::Button6Click() {
    MessageBeep();
    RunningSum = 0;
    if (Button10->isEnabled()) {
        showNotice(NoticeTitle::Thanks, QStringLiteral("感谢使用 Tarvessa 串口调试工具！"));
        return;
    }
    Button6->setText(Button6->text() == QStringLiteral("COM-16") ? QStringLiteral("COM-10")
                                                                 : QStringLiteral("COM-16"));
}

// Closes the open port, applies one setting, and opens it again, also after a
// refusal (then with the previous setting).
void TForm1::liveChange(const std::function<void()>& applySetting) {
    if (Button10->isEnabled())
        return;
    Comm1->ClosePort();
    applySetting();
    Comm1->OpenPort();
}

void TForm1::ComboBox1Change() {
    liveChange([this] {
        const int index = ComboBox1->currentIndex();
        if (index >= 0)
            Comm1->SetCommName(PortNameForIndex(index));
    });
}

void TForm1::ComboBox2Change() {
    liveChange([this] {
        const int index = ComboBox2->currentIndex();
        if (index >= 0) {
            Comm1->SetBaudRate(RateTable.at(index));
        } else if (const auto typed = TypedRate(ComboBox2->currentText())) {
            Comm1->SetBaudRate(*typed);
        } else {
            resetRateTo19200();
        }
    });
}

void TForm1::ComboBox3Change() {
    liveChange([this] {
        const int index = ComboBox3->currentIndex();
        if (index == 0)
            showNotice(Attention, No4Bits);
        else if (index == 5)
            showNotice(Attention, No9Bits);
        else if (const auto size = ByteSizeForIndex(index))
            Comm1->SetByteSize(*size);
    });
}

void TForm1::ComboBox4Change() {
    liveChange([this] {
        if (const auto p = ParityForIndex(ComboBox4->currentIndex())) {
            Comm1->SetParityCheck(p->check);
            Comm1->SetParity(p->parity);
        }
    });
}

void TForm1::ComboBox5Change() {
    liveChange([this] {
        if (const auto stopBits = StopBitsForIndex(ComboBox5->currentIndex()))
            Comm1->SetStopBits(*stopBits);
    });
}

} // namespace tarvessa
