#include "app/TarvessaApplication.h"

#include "common/ErrorReport.h"

#include <QFont>
#include <QFontDatabase>

namespace tarvessa {

TarvessaApplication::TarvessaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tarvessa"));
    setApplicationDisplayName(QStringLiteral("Tarvessa"));
    // The captions are Chinese: prefer a CJK font so no glyph shows as a box.
    QFont f = font();
    f.setFamilies(
        {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"), f.family()});
    setFont(f);
}

bool TarvessaApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace tarvessa
