#pragma once

#include "serial/TComm.h"
#include "terminal/TTimer.h"
#include "terminal/WaveSampling.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

class QCustomPlot;

namespace tarvessa {

class TForm2;

// The main window: serial terminal, waveform chart and calculator. Handlers
// are public so tests can run them as the event loop would.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up (window description and lists).
    void FormCreate();

    // Exit and the window itself.
    void Button9Click();

    // Port row, open, close, mode switch.
    void Button10Click();
    void Button11Click();
    void Button6Click();
    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox3Change();
    void ComboBox4Change();
    void ComboBox5Change();

    // Sending and receiving.
    void Button12Click();
    void Comm1ReceiveData(TComm* Sender, const void* Buffer, uint16_t BufferLength);

    // Waveform chart buttons.
    void cxButton1Click();
    void cxButton2Click();

    // Area sums and their timer.
    void Button13Click();
    void Timer1Timer();

    // Calculator.
    void Button1Click();
    void Button2Click();
    void Button4Click();
    void Button5Click();
    void Button8Click();
    void Button3Click();
    void Button7Click();

    // Window-wide state.
    bool PortOpened = false;
    double RunningSum = 0;

    // Controls, named as in the window description.
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QLineEdit* Edit5;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QComboBox* ComboBox3;
    QComboBox* ComboBox4;
    QComboBox* ComboBox5;
    QComboBox* ComboBox6;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button6;
    QPushButton* Button7;
    QPushButton* Button8;
    QPushButton* Button9;
    QPushButton* Button10;
    QPushButton* Button11;
    QPushButton* Button12;
    QPushButton* Button13;
    QCustomPlot* Chart1;
    QPushButton* cxButton1;
    QPushButton* cxButton2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    TComm* Comm1;
    TTimer* Timer1;

    // The notice window, created right after this window at program start.
    TForm2* Form2 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWindow();
    void connectHandlers();
    void showNotice(const QString& title, const QString& text);

    // Port row helpers.
    void resetRateTo19200();
    void liveChange(const std::function<void()>& applySetting);

    // Waveform.
    void plotBlock(const char* bytes, size_t length, std::optional<WaveMode> mode,
                   const UserRange& range);
    std::array<SeriesData, kSeriesCount> waveData_; // reused so blocks allocate nothing

    // Calculator: the two-operand buttons share their first steps.
    std::optional<std::pair<QString, QString>> readOperands();
    void arithmetic(double (*operation)(double, double), bool refuseZeroDivisor);

    // Received blocks are copied here and zeroed after each one.
    static constexpr size_t ReadBlockLimit = 2048;
    std::array<uint8_t, 4096> ReceiveBuffer{};
};

} // namespace tarvessa
