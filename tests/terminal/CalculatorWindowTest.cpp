#include "common/Beep.h"
#include "tests/terminal/WindowFixture.h"

using namespace tarvessa;
using namespace tarvessa::test;

struct CalculatorWindow : WindowFixture {
    // Runs one button with the two operands; answers the notice text, or the
    // result when there was none.
    QString run(QPushButton* button, const QString& x, const QString& y) {
        clearNotice();
        ReportedErrors().clear();
        form->Edit1->setText(x);
        form->Edit2->setText(y);
        form->Edit3->setText("old");
        click(button);
        if (!noticeText().isEmpty())
            return noticeText();
        if (!ReportedErrors().empty())
            return ReportedErrors().back().text;
        return form->Edit3->text();
    }
};

TEST_F(CalculatorWindow, TwoOperandButtons) {
    const struct {
        QPushButton* TForm1::*button;
        const char *x, *y, *shown;
    } cases[] = {
        {&TForm1::Button1, "1", "2", "3"},
        {&TForm1::Button1, "0.1", "0.2", "0.3"},
        {&TForm1::Button2, "5", "7.5", "-2.5"},
        {&TForm1::Button5, "1", "3", "0.333333333333333"},
        {&TForm1::Button4, "-.", "3", "0"},
        {&TForm1::Button1, ".", "1", "1"},
        {&TForm1::Button8, "2", "10", "1024"},
        {&TForm1::Button8, "0.5", "3", "0.125"},
        {&TForm1::Button8, "-2", "3", "-8"},
        {&TForm1::Button8, "5", "00", "1"},
        {&TForm1::Button8, "0.0", "3", "0"},
        {&TForm1::Button5, "0", "5", "0"},
        // Refusals, in the order of the checks.
        {&TForm1::Button1, "", "", "您忘记输入第一个数了！"},
        {&TForm1::Button1, "1", "", "您忘记输入第二个数了！"},
        {&TForm1::Button1, "1.2.3", "1", "您输入数据格式不对！"},
        {&TForm1::Button4, "1", "1,5", "您输入数据格式不对！"},
        {&TForm1::Button2, " 1", "1", "您输入数据格式不对！"},
        {&TForm1::Button2, "1e5", "1", "您输入数据格式不对！"},
        {&TForm1::Button1, "DEC=5", "1", "您输入数据格式不对！"},
        {&TForm1::Button5, "1", "0", "倒数不能是0吧！"},
        {&TForm1::Button5, "1", "0.000", "倒数不能是0吧！"},
        {&TForm1::Button5, "1", "-0", "倒数不能是0吧！"},
        {&TForm1::Button8, "0", "5", "您输入数据是0！"},
        {&TForm1::Button8, "5", "0", "您输入数据是0！"},
        {&TForm1::Button8, "2", "-1", "您输入数据格式不对！"},
        {&TForm1::Button8, "2", "1.5", "您输入数据格式不对！"},
        // Errors the calculator leaves to the error report.
        {&TForm1::Button1, "5-", "1", "'5-' is not a valid floating point value."},
        {&TForm1::Button8, "2", "2147483648", "'2147483648' is not a valid integer value."},
        {&TForm1::Button8, "10", "400", "Floating point overflow."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.x) + " , " + c.y);
        const int before = BeepCount();
        EXPECT_EQ(run(form.get()->*c.button, c.x, c.y), QString::fromUtf8(c.shown));
        EXPECT_EQ(BeepCount() - before, 1);
        if (!noticeText().isEmpty() || !ReportedErrors().empty()) {
            EXPECT_EQ(form->Edit3->text(), "old");
        }
    }
}

TEST_F(CalculatorWindow, RunningSumAndItsResetByButton6) {
    form->show();
    const struct {
        const char *input, *shown;
    } steps[] = {{"5", "5"}, {"2.5", "7.5"}, {"-1", "6.5"}};
    for (const auto& s : steps) {
        form->Edit1->setText(s.input);
        click(form->Button3);
        EXPECT_EQ(form->Edit3->text(), s.shown);
        EXPECT_EQ(form->Edit1->selectedText(), s.input);
    }
    click(form->Button6);
    form->Edit1->setText("1");
    click(form->Button3);
    EXPECT_EQ(form->Edit3->text(), "1");

    form->Edit1->setText("1.2.3");
    click(form->Button3);
    EXPECT_EQ(noticeText(), "您输入数据格式不对！");
    EXPECT_EQ(form->Edit1->selectedText(), "1.2.3");
    EXPECT_EQ(form->RunningSum, 1.0);

    form->Edit1->setText("-");
    click(form->Button3);
    EXPECT_EQ(ReportedErrors().back().text, "'-' is not a valid floating point value.");
    EXPECT_EQ(form->RunningSum, 1.0);

    clearNotice();
    form->Edit1->clear();
    click(form->Button3);
    EXPECT_EQ(noticeText(), "您忘记输入第一个数了！");
}

TEST_F(CalculatorWindow, BaseConversionAndItsCaption) {
    const struct {
        const char* caption;
        const char* text;
        const char* shown;       // Edit3 afterwards
        const char* notice;      // or empty
        const char* nextCaption; // Button7 afterwards
    } cases[] = {
        {"16 -->10", "FF", "255", "", "10 -->16"},
        {"16 -->10", "ff", "255", "", "10 -->16"},
        {"16 -->10", "7FFFFFFF", "2147483647", "", "10 -->16"},
        {"16 -->10", "FFFFFFFFFFFFFFFF", "-1", "", "10 -->16"},
        {"16 -->10", "10000000000000000", "0", "", "10 -->16"},
        {"16 -->10", "1E15", "7701", "", "10 -->16"},
        {"16 -->10", "1G", "1G", "您输入数据格式不对！", "10 -->16"},
        {"16 -->10", "-1", "-1", "您输入数据格式不对！", "10 -->16"},
        {"16 -->10", "Send Data By COM-10", "Send Data By COM-10", "您输入数据格式不对！",
         "10 -->16"},
        {"10 -->16", "255", "FF", "", "16 -->10"},
        {"10 -->16", "2147483647", "7FFFFFFF", "", "16 -->10"},
        {"10 -->16", "007", "7", "", "16 -->10"},
        {"10 -->16", "0", "0", "", "16 -->10"},
        {"10 -->16", "-5", "-5", "您输入数据格式不对！", "10 -->16"},
        {"10 -->16", "1.5", "1.5", "您输入数据格式不对！", "10 -->16"},
        {"10 -->16", "FF", "FF", "您输入数据格式不对！", "10 -->16"},
        // Above the 32-bit range: a warning, no wrong result, direction kept.
        {"10 -->16", "2147483648", "2147483648", "大于2147483647将导致错误的结果！", "10 -->16"},
        {"10 -->16", "", "", "您忘记输入要转换的数了！", "10 -->16"},
        {"16 -->10", "", "", "您忘记输入要转换的数了！", "16 -->10"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.caption) + " " + c.text);
        clearNotice();
        form->Button7->setText(c.caption);
        form->Edit3->setText(c.text);
        click(form->Button7);
        EXPECT_EQ(form->Edit3->text(), c.shown);
        EXPECT_EQ(noticeText(), QString::fromUtf8(c.notice));
        EXPECT_EQ(form->Button7->text(), c.nextCaption);
    }
}

TEST_F(CalculatorWindow, DecimalToHexAndBackIsTheIdentity) {
    for (const char* n : {"0", "1", "255", "65536", "2147483647", "123456789"}) {
        form->Button7->setText("10 -->16");
        form->Edit3->setText(n);
        click(form->Button7);
        click(form->Button7);
        EXPECT_EQ(form->Edit3->text(), n);
        EXPECT_EQ(form->Button7->text(), "10 -->16");
    }
}
