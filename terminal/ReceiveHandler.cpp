// A received block: plotted, then shown in the Receive area as text or as
// hexadecimal pairs, with the status line.
#include "terminal/ByteText.h"
#include "terminal/TForm1.h"

#include <cstring>

namespace tarvessa {

void TForm1::Comm1ReceiveData(TComm*, const void* Buffer, uint16_t BufferLength) {
    const std::optional<WaveMode> mode = WaveModeFromIndex(ComboBox6->currentIndex());
    const UserRange range = ReadUserRange(Edit1->text(), Edit2->text());

    const size_t length = std::min<size_t>(BufferLength, ReadBlockLimit);
    std::memcpy(ReceiveBuffer.data(), Buffer, length);
    const char* bytes = reinterpret_cast<const char*>(ReceiveBuffer.data());

    plotBlock(bytes, length, mode, range);

    if (Button6->text() == QStringLiteral("COM-10")) {
        Edit3->setText(QStringLiteral("Receive Data By COM-10"));
        Edit5->setText(BytesToDisplayText(bytes, length));
    } else {
        Edit3->setText(QStringLiteral("Receive Data By COM-16"));
        Edit5->setText(BytesToHexPairs(bytes, length));
    }

    std::memset(ReceiveBuffer.data(), 0, ReadBlockLimit);
}

} // namespace tarvessa
