#include "common/Beep.h"
#include "notice/TForm2.h"
#include "terminal/TForm1.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <qcustomplot.h>

using namespace tarvessa;

namespace {

struct MainWindow : ::testing::Test {
    TForm1 form;
    TForm2 notices;
    MainWindow() { form.Form2 = &notices; }
};

QColor base(QWidget* w) {
    return w->palette().color(QPalette::Base);
}
QColor text(QWidget* w) {
    return w->palette().color(QPalette::Text);
}

} // namespace

TEST_F(MainWindow, WindowIsFixedSizeWithOnlyACloseBox) {
    EXPECT_EQ(form.windowTitle(), "Tarvessa");
    EXPECT_EQ(form.size(), QSize(454, 462));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(166, 202, 240));
}

// The window description: every control in tab order with its geometry and text.
TEST_F(MainWindow, ControlsStandWhereTheDescriptionPutsThem) {
    const struct {
        QWidget* widget;
        QRect geometry;
        QString text;
    } controls[] = {
        {form.Edit1, {16, 8, 190, 24}, ""},
        {form.Edit2, {16, 40, 190, 24}, ""},
        {form.Edit3, {16, 72, 190, 24}, ""},
        {form.ComboBox1, {8, 216, 83, 21}, "COM1"},
        {form.ComboBox2, {97, 216, 83, 21}, "19200"},
        {form.ComboBox3, {186, 216, 83, 21}, "数据位8位"},
        {form.ComboBox4, {275, 216, 83, 21}, "无校验None"},
        {form.Edit4, {8, 120, 439, 24}, ""},
        {form.Edit5, {8, 168, 439, 24}, ""},
        {form.Button1, {212, 8, 75, 25}, "+"},
        {form.Button2, {212, 40, 75, 25}, "-"},
        {form.Button4, {292, 8, 75, 25}, "*"},
        {form.Button5, {292, 40, 75, 25}, "/"},
        {form.Button3, {212, 72, 75, 25}, "Sum"},
        {form.Button6, {292, 72, 75, 25}, "About"},
        {form.Button7, {372, 8, 75, 25}, "16 -->10"},
        {form.Button8, {372, 40, 75, 25}, "X ^ Y"},
        {form.Button9, {372, 72, 75, 25}, "Exit"},
        {form.Button10, {8, 248, 80, 25}, "Open COM"},
        {form.Button11, {98, 248, 80, 25}, "Close COM"},
        {form.Button12, {187, 248, 80, 25}, "Send Data"},
        {form.Button13, {277, 248, 80, 25}, "Send_Sum"},
        {form.cxButton1, {368, 152, 25, 17}, "N1"},
        {form.cxButton2, {400, 152, 25, 17}, "S1"},
        {form.ComboBox5, {364, 216, 83, 21}, "停止位1"},
        {form.ComboBox6, {363, 250, 83, 21}, "波形显示"},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.widget->objectName().toStdString());
        EXPECT_EQ(c.widget->geometry(), c.geometry);
        QString shown;
        if (auto* e = qobject_cast<QLineEdit*>(c.widget))
            shown = e->text();
        else if (auto* b = qobject_cast<QPushButton*>(c.widget))
            shown = b->text();
        else if (auto* cb = qobject_cast<QComboBox*>(c.widget))
            shown = cb->currentText();
        EXPECT_EQ(shown, c.text);
    }

    // Tab order: the focus chain meets the controls in the order listed.
    std::vector<QWidget*> chain;
    QWidget* w = form.Edit1;
    for (int guard = 0; guard < 500 && chain.size() < std::size(controls); ++guard) {
        for (const auto& c : controls)
            if (c.widget == w && std::find(chain.begin(), chain.end(), w) == chain.end())
                chain.push_back(w);
        w = w->nextInFocusChain();
    }
    ASSERT_EQ(chain.size(), std::size(controls));
    for (size_t i = 0; i < chain.size(); ++i)
        EXPECT_EQ(chain[i], controls[i].widget) << "tab position " << i;

    EXPECT_EQ(form.cxButton1->parentWidget(), form.Chart1);
    EXPECT_EQ(form.cxButton2->parentWidget(), form.Chart1);
    EXPECT_EQ(form.Chart1->geometry(), QRect(8, 280, 440, 177));
    EXPECT_EQ(form.Label6->geometry(), QRect(8, 200, 413, 13));
    EXPECT_EQ(form.Label6->text(), "COM Port ：         Baud Rate ：        Data Bit ：           "
                                   "Parity Check ：    Stop Bit ：");
}

TEST_F(MainWindow, ColoursOfTheFieldsAndBoxes) {
    for (QWidget* e : {static_cast<QWidget*>(form.Edit1), static_cast<QWidget*>(form.Edit2)}) {
        EXPECT_EQ(base(e), QColor(192, 220, 192));
        EXPECT_EQ(text(e), QColor(0, 0, 128));
    }
    EXPECT_EQ(text(form.Edit3), QColor(255, 0, 0));
    EXPECT_EQ(text(form.Edit4), QColor(255, 255, 255));
    EXPECT_EQ(text(form.Edit5), QColor(255, 255, 255));
    for (QComboBox* c : {form.ComboBox1, form.ComboBox2, form.ComboBox3, form.ComboBox4,
                         form.ComboBox5, form.ComboBox6}) {
        EXPECT_EQ(base(c), QColor(0, 0, 255));
        EXPECT_EQ(text(c), QColor(0, 255, 0));
        EXPECT_TRUE(c->isEditable());
    }
}

TEST_F(MainWindow, ChartHasEightSeriesInTheirColours) {
    const QColor colours[8] = {{255, 0, 0}, {0, 128, 0},   {0, 255, 0},   {0, 0, 255},
                               {0, 0, 0},   {0, 255, 255}, {255, 0, 255}, {255, 255, 0}};
    ASSERT_EQ(form.Chart1->graphCount(), 8);
    for (int i = 0; i < 8; ++i) {
        QCPGraph* g = form.Chart1->graph(i);
        EXPECT_EQ(g->pen().color(), colours[i]);
        EXPECT_EQ(g->pen().width(), 2);
        EXPECT_EQ(g->scatterStyle().shape(), QCPScatterStyle::ssNone);
        EXPECT_EQ(g->dataCount(), 0);
        EXPECT_TRUE(g->visible());
    }
    auto* title = qobject_cast<QCPTextElement*>(form.Chart1->plotLayout()->element(0, 0));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "串口数据波形显示");
}

TEST_F(MainWindow, ListsAreFilledWithTheirDefaults) {
    const struct {
        QComboBox* box;
        int count;
        int selected;
        QString first;
        QString last;
    } lists[] = {
        {form.ComboBox1, 48, 0, "COM1", "COM48"},
        {form.ComboBox2, 41, 21, "75", "1228800"},
        {form.ComboBox3, 6, 4, "数据位4位", "数据位9位"},
        {form.ComboBox4, 5, 0, "无校验None", "空Space"},
        {form.ComboBox5, 3, 0, "停止位1", "停止位2"},
        {form.ComboBox6, 8, -1, "单字节自动", "无波形显示"},
    };
    for (const auto& l : lists) {
        SCOPED_TRACE(l.box->objectName().toStdString());
        EXPECT_EQ(l.box->count(), l.count);
        EXPECT_EQ(l.box->currentIndex(), l.selected);
        EXPECT_EQ(l.box->itemText(0), l.first);
        EXPECT_EQ(l.box->itemText(l.count - 1), l.last);
    }
    EXPECT_EQ(form.ComboBox2->itemText(14), "5700");
    EXPECT_EQ(form.ComboBox2->itemText(20), "16550");
    EXPECT_EQ(form.ComboBox6->currentText(), "波形显示");
}

TEST_F(MainWindow, StartsClosedWithTheSerialDefaultsUntouched) {
    EXPECT_FALSE(form.PortOpened);
    EXPECT_EQ(form.RunningSum, 0.0);
    EXPECT_TRUE(form.Button10->isEnabled());
    EXPECT_TRUE(form.Button11->isEnabled());
    EXPECT_FALSE(form.Comm1->IsOpen());
    EXPECT_EQ(form.Comm1->BaudRate(), 9600u); // the window's 19200 reaches it at Open COM
    EXPECT_EQ(form.Comm1->CommName(), "COM1");
    EXPECT_FALSE(notices.isVisible());
}

TEST_F(MainWindow, TypingIntoABoxLeavesNoItemSelected) {
    form.show();
    form.ComboBox1->lineEdit()->clear();
    QTest::keyClicks(form.ComboBox1->lineEdit(), "COM1");
    EXPECT_EQ(form.ComboBox1->currentIndex(), -1);
    EXPECT_EQ(form.ComboBox1->currentText(), "COM1");
}

TEST(MainWindowStart, BeepsOnceAboutASecondAfterStart) {
    TTimer::SetTimeScaleForTests(0.02);
    const int before = BeepCount();
    TForm1 form;
    EXPECT_TRUE(form.Timer1->Enabled());
    EXPECT_EQ(form.Timer1->Interval(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(!form.Timer1->Enabled(), 5000);
    QTest::qWait(100); // it must not tick again
    TTimer::SetTimeScaleForTests(1);
    EXPECT_EQ(BeepCount() - before, 1);
}

TEST_F(MainWindow, EscPressesExitWhichBeepsAndClosesTheWindow) {
    form.show();
    const int before = BeepCount();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(BeepCount() - before, 1);
    EXPECT_FALSE(form.isVisible());
    // Closing the main window is what ends the program.
    EXPECT_TRUE(form.testAttribute(Qt::WA_QuitOnClose));
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
}

TEST_F(MainWindow, EnterRunsSumUnlessAnotherButtonHasTheFocus) {
    form.show();
    form.activateWindow();
    form.Edit1->setText("5");
    form.Edit1->setFocus();
    QTest::keyClick(form.Edit1, Qt::Key_Return);
    EXPECT_EQ(form.Edit3->text(), "5");

    form.Edit1->setText("2");
    form.Button1->setFocus(); // "+" with the focus takes Enter
    form.Edit2->setText("3");
    QTest::keyClick(form.Button1, Qt::Key_Return);
    EXPECT_EQ(form.Edit3->text(), "5");
    EXPECT_EQ(form.RunningSum, 5.0);
}
