#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace tarvessa {

// The notice window: the program's one way of telling the user something.
// One instance, created hidden after the main window, shown without waiting.
class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // Shows the window (front, non-modal), then sets the text, then the title.
    void ShowNotice(const QString& title, const QString& text);

    // OK: beep, then close (which hides this window).
    void Button1Click();

    QLabel* Label1;
    QPushButton* Button1;
    QLabel* CreditsLabel;
    QLabel* VersionLabel;

private:
    bool placed_ = false; // centred once, at the first showing
};

} // namespace tarvessa
