#include "notice/TForm2.h"

#include "common/Beep.h"
#include "common/ErrorReport.h"
#include "notice/Version.h"

#include <QGuiApplication>
#include <QScreen>

namespace tarvessa {

namespace {
// Client size that gives the described 280 x 117 outer frame with a usual
// title bar and border.
constexpr int ClientWidth = 272;
constexpr int ClientHeight = 86;
} // namespace

TForm2::TForm2(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      Label1(new QLabel(this)), Button1(new QPushButton(QStringLiteral("OK"), this)),
      CreditsLabel(new QLabel(QStringLiteral("Tarvessa — 串口调试工具"), this)),
      VersionLabel(new QLabel(QStringLiteral("Version %1").arg(VersionText()), this)) {
    setObjectName(QStringLiteral("Form2"));
    // Closing the main window ends the program even while a notice is shown.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(ClientWidth, ClientHeight);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Active, QPalette::Highlight));
    setPalette(pal);
    setAutoFillBackground(true);
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(24, 20, 241, 13);
    Label1->setWordWrap(false);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A fixed geometry clips a long text at the label's edge.
    Label1->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(102, 50, 75, 25);
    Button1->setFocusPolicy(Qt::StrongFocus);
    Label1->setFocusPolicy(Qt::NoFocus);

    CreditsLabel->setObjectName(QStringLiteral("CreditsLabel"));
    CreditsLabel->setGeometry(4, 52, 96, 13);
    VersionLabel->setObjectName(QStringLiteral("VersionLabel"));
    VersionLabel->setGeometry(4, 67, 96, 13);
    for (QLabel* l : {CreditsLabel, VersionLabel}) {
        QFont small = l->font();
        small.setPixelSize(9);
        l->setFont(small);
    }

    connect(Button1, &QPushButton::clicked, this, Guarded(this, &TForm2::Button1Click));
}

void TForm2::ShowNotice(const QString& title, const QString& text) {
    if (!placed_) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
    Label1->setText(text);
    setWindowTitle(title);
}

void TForm2::Button1Click() {
    MessageBeep();
    close();
}

} // namespace tarvessa
