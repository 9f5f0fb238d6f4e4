#include "common/Beep.h"
#include "terminal/PortComboBox.h"
#include "tests/terminal/WindowFixture.h"

using namespace tarvessa;
using namespace tarvessa::test;

namespace {
struct WindowState {
    bool opened;
    bool openEnabled;
    bool closeEnabled;
    QString mode;
};
WindowState stateOf(const TForm1& f) {
    return {f.PortOpened, f.Button10->isEnabled(), f.Button11->isEnabled(), f.Button6->text()};
}
void expectState(const TForm1& f, WindowState want) {
    const WindowState s = stateOf(f);
    EXPECT_EQ(s.opened, want.opened);
    EXPECT_EQ(s.openEnabled, want.openEnabled);
    EXPECT_EQ(s.closeEnabled, want.closeEnabled);
    EXPECT_EQ(s.mode, want.mode);
}
const WindowState AtStart{false, true, true, "About"};
const WindowState Closed{false, true, false, "About"};
const WindowState OpenText{true, false, true, "COM-10"};
} // namespace

struct PortHandlers : WindowFixture {};

TEST_F(PortHandlers, OpenComWithTheDefaultsOpensCom1At19200) {
    const int before = BeepCount();
    click(form->Button10);
    EXPECT_EQ(BeepCount() - before, 1);
    EXPECT_EQ(noticeTitle(), "成功！");
    EXPECT_EQ(noticeText(), "串口打开成功！使用波特率19200！");
    expectState(*form, OpenText);
    EXPECT_TRUE(form->Comm1->IsOpen());
    EXPECT_EQ(form->Comm1->CommName(), "COM1");
    EXPECT_EQ(form->Comm1->BaudRate(), 19200u);
    EXPECT_EQ(form->Comm1->ByteSize(), TByteSize::_8);
    EXPECT_EQ(form->Comm1->Parity(), TParity::None);
    EXPECT_FALSE(form->Comm1->ParityCheck());
}

// Each refused check shows its notice and changes nothing else, not even
// the settings of the component.
TEST_F(PortHandlers, OpenComChecksInOrder) {
    const struct {
        int port, bits, parity;
        const char* title;
        const char* text;
    } cases[] = {
        {-1, -1, -1, "错误！", "您还没选择串口！"},   {0, -1, -1, "错误！", "您还没选择数据位！"},
        {0, 4, -1, "错误！", "您还没选择校验方式！"}, {0, 0, 0, "注意！", "该串口不支持4位数据！"},
        {0, 5, 0, "注意！", "该串口不支持9位数据！"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        form->ComboBox1->setCurrentIndex(c.port);
        form->ComboBox2->setCurrentIndex(0);
        form->ComboBox3->setCurrentIndex(c.bits);
        form->ComboBox4->setCurrentIndex(c.parity);
        click(form->Button10);
        EXPECT_EQ(noticeTitle(), c.title);
        EXPECT_EQ(noticeText(), c.text);
        expectState(*form, AtStart);
        EXPECT_EQ(form->Comm1->BaudRate(), 9600u); // nothing written
        EXPECT_FALSE(form->Comm1->IsOpen());
    }
}

TEST_F(PortHandlers, PortNameTypedByHandIsNoSelection) {
    type(form->ComboBox1, "COM1");
    click(form->Button10);
    EXPECT_EQ(noticeText(), "您还没选择串口！");
    EXPECT_FALSE(form->Comm1->IsOpen());
}

TEST_F(PortHandlers, TypedRates) {
    const struct {
        const char* typed;
        const char* title;
        const char* notice;
        uint32_t rate;
        const char* boxText;
    } cases[] = {
        {"9600", "注意！", "串口打开成功！使用输入波特率9600！", 9600, "9600"},
        {"16550", "注意！", "串口打开成功！使用输入波特率16550！", 16550, "16550"},
        {"96a", "错误！", "非法波特率！波特率将初始化为19200！", 19200, "19200"},
        {" 9600", "错误！", "非法波特率！波特率将初始化为19200！", 19200, "19200"},
        {"", "错误！", "非法波特率！波特率将初始化为19200！", 19200, "19200"},
        // Digits beyond the 32-bit range are an illegal rate like any other.
        {"99999999999", "错误！", "非法波特率！波特率将初始化为19200！", 19200, "19200"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        type(form->ComboBox2, QString::fromUtf8(c.typed));
        click(form->Button10);
        EXPECT_EQ(noticeTitle(), c.title);
        EXPECT_EQ(noticeText(), c.notice);
        EXPECT_EQ(form->Comm1->BaudRate(), c.rate);
        EXPECT_EQ(form->ComboBox2->currentText(), c.boxText);
        expectState(*form, OpenText);
        EXPECT_TRUE(form->Comm1->IsOpen());
        click(form->Button11);
    }
    EXPECT_TRUE(ReportedErrors().empty());
}

TEST_F(PortHandlers, TypedStopBitsKeepThePreviousSetting) {
    form->Comm1->SetStopBits(TStopBits::_2);
    type(form->ComboBox5, "停止位3");
    click(form->Button10);
    EXPECT_TRUE(form->PortOpened);
    EXPECT_EQ(form->Comm1->StopBits(), TStopBits::_2);
}

TEST_F(PortHandlers, OpenComWhileOpenSaysSo) {
    openDefault();
    form->Button10Click(); // the button is disabled; the handler still answers
    EXPECT_EQ(noticeTitle(), "注意！");
    EXPECT_EQ(noticeText(), "串口已经是打开的了！");
    EXPECT_TRUE(form->Button10->isEnabled());
    EXPECT_FALSE(form->Button11->isEnabled());
    EXPECT_TRUE(form->Comm1->IsOpen());
}

TEST_F(PortHandlers, CloseComInBothStates) {
    click(form->Button11);
    EXPECT_EQ(noticeTitle(), "错误！");
    EXPECT_EQ(noticeText(), "串口还没打开，无法关闭！");
    expectState(*form, Closed);

    openDefault();
    form->Button6Click(); // COM-16
    click(form->Button11);
    EXPECT_EQ(noticeTitle(), "成功！");
    EXPECT_EQ(noticeText(), "串口关闭成功！");
    expectState(*form, Closed);
    EXPECT_FALSE(form->Comm1->IsOpen());

    openDefault(); // every successful open starts in COM-10
    expectState(*form, OpenText);
}

TEST_F(PortHandlers, Button6IsAboutWhileClosedAndTheModeSwitchWhileOpen) {
    form->RunningSum = 7;
    click(form->Button6);
    EXPECT_EQ(noticeTitle(), "谢谢！");
    EXPECT_EQ(form->RunningSum, 0.0);
    EXPECT_EQ(form->Button6->text(), "About");

    openDefault();
    const char* expected[] = {"COM-16", "COM-10", "COM-16"};
    for (const char* mode : expected) {
        form->RunningSum = 3;
        click(form->Button6);
        EXPECT_EQ(form->Button6->text(), mode);
        EXPECT_EQ(form->RunningSum, 0.0);
    }
    EXPECT_TRUE(noticeTitle().isEmpty());
}

TEST_F(PortHandlers, ChangesWhileClosedWaitForOpenCom) {
    pick(form->ComboBox2, 17, &TForm1::ComboBox2Change);
    EXPECT_EQ(form->Comm1->BaudRate(), 9600u);
    EXPECT_FALSE(form->Comm1->IsOpen());
}

TEST_F(PortHandlers, LiveChangeReopensWithTheNewSetting) {
    openDefault();
    pick(form->ComboBox1, 1, &TForm1::ComboBox1Change);
    EXPECT_EQ(form->Comm1->CommName(), "COM2");
    ASSERT_TRUE(form->Comm1->IsOpen());
    const char ping = 'P';
    ASSERT_TRUE(form->Comm1->WriteBytes(&ping, 1));
    EXPECT_EQ(Receive(com2, 1), std::vector<uint8_t>{'P'});

    pick(form->ComboBox2, 29, &TForm1::ComboBox2Change);
    EXPECT_EQ(form->Comm1->BaudRate(), 115200u);
    pick(form->ComboBox4, 2, &TForm1::ComboBox4Change);
    EXPECT_TRUE(form->Comm1->ParityCheck());
    EXPECT_EQ(form->Comm1->Parity(), TParity::Odd);
    pick(form->ComboBox5, 2, &TForm1::ComboBox5Change);
    EXPECT_EQ(form->Comm1->StopBits(), TStopBits::_2);
    pick(form->ComboBox3, 3, &TForm1::ComboBox3Change);
    EXPECT_EQ(form->Comm1->ByteSize(), TByteSize::_7);

    expectState(*form, OpenText);
    EXPECT_TRUE(form->Comm1->IsOpen());
    EXPECT_TRUE(ReportedErrors().empty());
}

TEST_F(PortHandlers, LiveRefusalsStillReopenWithThePreviousSetting) {
    openDefault();
    pick(form->ComboBox3, 5, &TForm1::ComboBox3Change);
    EXPECT_EQ(noticeText(), "该串口不支持9位数据！");
    EXPECT_EQ(form->Comm1->ByteSize(), TByteSize::_8);
    EXPECT_TRUE(form->Comm1->IsOpen());

    type(form->ComboBox2, "12x");
    RunGuarded([&] { form->ComboBox2Change(); });
    EXPECT_EQ(noticeText(), "非法波特率！波特率将初始化为19200！");
    EXPECT_EQ(form->ComboBox2->currentText(), "19200");
    EXPECT_EQ(form->Comm1->BaudRate(), 19200u);
    EXPECT_TRUE(form->Comm1->IsOpen());
}

// Typing into the rate box while open reopens once per keystroke, and the
// window's own "19200" does not reopen a second time.
TEST_F(PortHandlers, KeystrokesInTheRateBoxReopenOncePerEdit) {
    form->show();
    openDefault();
    form->ComboBox2->lineEdit()->selectAll();
    QTest::keyClick(form->ComboBox2->lineEdit(), Qt::Key_Backspace);
    EXPECT_EQ(noticeText(), "非法波特率！波特率将初始化为19200！");
    EXPECT_EQ(form->ComboBox2->currentText(), "19200");
    EXPECT_EQ(form->ComboBox2->currentIndex(), -1);
    QTest::keyClicks(form->ComboBox2->lineEdit(), "0");
    EXPECT_EQ(form->Comm1->BaudRate(), 192000u);
    EXPECT_TRUE(form->Comm1->IsOpen());
}

TEST_F(PortHandlers, LiveChangeToAPortThatCannotOpenKeepsTheOpenState) {
    openDefault();
    pick(form->ComboBox1, 4, &TForm1::ComboBox1Change); // COM5: no such device
    ASSERT_EQ(ReportedErrors().size(), 1u);
    EXPECT_EQ(ReportedErrors()[0].text, "Error opening serial port.");
    EXPECT_FALSE(form->Comm1->IsOpen());
    expectState(*form, OpenText);

    const int before = BeepCount();
    form->Edit4->setText("AT");
    click(form->Button12); // nothing handed over, nothing reported
    EXPECT_EQ(BeepCount() - before, 1);
    EXPECT_EQ(ReportedErrors().size(), 1u);

    pick(form->ComboBox1, 0, &TForm1::ComboBox1Change); // back to a real port
    EXPECT_TRUE(form->Comm1->IsOpen());
    click(form->Button11);
    EXPECT_EQ(noticeText(), "串口关闭成功！");
    expectState(*form, Closed);
}

TEST_F(PortHandlers, OpenComOnAMissingPortReportsAndStaysClosed) {
    form->ComboBox1->setCurrentIndex(9);
    click(form->Button10);
    ASSERT_EQ(ReportedErrors().size(), 1u);
    EXPECT_EQ(ReportedErrors()[0].text, "Error opening serial port.");
    expectState(*form, Closed);
    EXPECT_EQ(form->Comm1->CommName(), "COM10"); // settings written before opening stay

    form->ComboBox1->setCurrentIndex(0);
    click(form->Button10);
    expectState(*form, OpenText);
}

TEST_F(PortHandlers, PortListTipsNameTheDeviceBehindEachNumber) {
    auto* ports = static_cast<PortComboBox*>(form->ComboBox1);
    ports->RefreshDeviceTips();
    EXPECT_EQ(form->ComboBox1->itemData(0, Qt::ToolTipRole).toString(), com1.path());
    EXPECT_EQ(form->ComboBox1->itemData(1, Qt::ToolTipRole).toString(), com2.path());
    EXPECT_EQ(form->ComboBox1->itemData(2, Qt::ToolTipRole).toString(), "no device");
    EXPECT_EQ(form->ComboBox1->count(), 48);
}
