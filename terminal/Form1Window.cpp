// Exit, and the keys the window itself answers: Esc presses Exit, Enter
// presses the focused button or else the default button "Sum".
#include "common/Beep.h"
#include "terminal/TForm1.h"

#include <QKeyEvent>

namespace tarvessa {

void TForm1::Button9Click() {
    MessageBeep();
    close();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        Button9->click();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()))
            focused->click();
        else
            Button3->click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace tarvessa
