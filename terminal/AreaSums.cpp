// "Send_Sum" / "Receive_Sum" and the timer that strips the prefixes.
#include "common/Beep.h"
#include "terminal/ByteText.h"
#include "terminal/TForm1.h"

namespace tarvessa {

void TForm1::Button13Click() {
    MessageBeep();
    // A click within three seconds of the last one does not restart the count.
    Timer1->SetEnabled(true);
    Timer1->SetInterval(3000);

    const bool sendArea = Button13->text() == QStringLiteral("Send_Sum");
    const int64_t sum = HexPairSum(sendArea ? Edit4->text() : Edit5->text());

    Edit1->setText(QStringLiteral("DEC=") + SumDecimalText(sum));
    Edit2->setText(QStringLiteral("HEX=") + SumHexText(sum));
    if (sendArea) {
        Edit3->setText(QStringLiteral("Send Data Area Sum"));
        Button13->setText(QStringLiteral("Receive_Sum"));
    } else {
        Edit3->setText(QStringLiteral("Receive Data Area Sum"));
        Button13->setText(QStringLiteral("Send_Sum"));
    }
}

void TForm1::Timer1Timer() {
    const QString t1 = Edit1->text();
    const QString t2 = Edit2->text();
    if (t1.startsWith(QStringLiteral("DEC=")))
        Edit1->setText(t1.mid(4));
    if (t2.startsWith(QStringLiteral("HEX=")))
        Edit2->setText(t2.mid(4));
    Timer1->SetEnabled(false);
    MessageBeep();
}

} // namespace tarvessa
