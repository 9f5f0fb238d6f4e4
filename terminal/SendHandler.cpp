// "Send Data": the Send area as bytes, handed to the component one by one.
#include "common/Beep.h"
#include "notice/NoticeTitles.h"
#include "terminal/ByteText.h"
#include "terminal/TForm1.h"

namespace tarvessa {

void TForm1::Button12Click() {
    MessageBeep();
    if (!PortOpened)
        return showNotice(NoticeTitle::Error, QStringLiteral("串口还没打开！"));

    QByteArray bytes;
    if (Button6->text() == QStringLiteral("COM-10")) {
        Edit3->setText(QStringLiteral("Send Data By COM-10"));
        bytes = TextToBytes(Edit4->text());
    } else {
        Edit3->setText(QStringLiteral("Send Data By COM-16"));
        bytes = HexPairsToBytes(Edit4->text()); // raises before any byte is handed over
    }
    // The whole text goes out, in order, however long the Send area is.
    for (const char& byte : std::as_const(bytes))
        if (!Comm1->WriteBytes(&byte, 1))
            break;
}

} // namespace tarvessa
