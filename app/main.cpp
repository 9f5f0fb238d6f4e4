#include "app/TarvessaApplication.h"
#include "notice/TForm2.h"
#include "terminal/TForm1.h"

#include <QScreen>

// Program start: the application with its title, the main window (which runs
// FormCreate), then the hidden notice window, then the event loop.
int main(int argc, char** argv) {
    tarvessa::TarvessaApplication app(argc, argv);
    tarvessa::TForm1 form1;
    tarvessa::TForm2 form2;
    form1.Form2 = &form2;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = form1.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        form1.move(frame.topLeft());
    }
    form1.show();
    return app.exec();
}
