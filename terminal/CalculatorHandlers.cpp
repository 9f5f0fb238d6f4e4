// The calculator's buttons: operand checks and notices here, the rules in
// calculator/.
#include "calculator/Arithmetic.h"
#include "calculator/BaseConversion.h"
#include "calculator/Operand.h"
#include "calculator/ResultFormat.h"
#include "common/Beep.h"
#include "common/Convert.h"
#include "notice/NoticeTitles.h"
#include "terminal/TForm1.h"

namespace tarvessa {

namespace {
using NoticeTitle::Error;
const QString FirstMissing = QStringLiteral("您忘记输入第一个数了！");
const QString SecondMissing = QStringLiteral("您忘记输入第二个数了！");
const QString BadFormat = QStringLiteral("您输入数据格式不对！");
} // namespace

// The first steps of every two-operand button: beep, read both fields, and
// refuse an empty one. Nothing when refused.
std::optional<std::pair<QString, QString>> TForm1::readOperands() {
    MessageBeep();
    const QString x = Edit1->text();
    const QString y = Edit2->text();
    if (x.isEmpty()) {
        showNotice(Error, FirstMissing);
        return std::nullopt;
    }
    if (y.isEmpty()) {
        showNotice(Error, SecondMissing);
        return std::nullopt;
    }
    return std::pair{x, y};
}

void TForm1::arithmetic(double (*operation)(double, double), bool refuseZeroDivisor) {
    const auto operands = readOperands();
    if (!operands)
        return;
    const auto& [x, y] = *operands;
    if (!CheckOperand(x, false) || !CheckOperand(y, false))
        return showNotice(Error, BadFormat);
    const QChar separator = LocaleDecimalSeparator();
    const double a = OperandToDouble(x, separator);
    const double b = OperandToDouble(y, separator);
    if (refuseZeroDivisor && b == 0)
        return showNotice(Error, QStringLiteral("倒数不能是0吧！"));
    Edit3->setText(FormatResult(operation(a, b), separator));
}

void TForm1::Button1Click() {
    arithmetic(&Add, false);
}
void TForm1::Button2Click() {
    arithmetic(&Subtract, false);
}
void TForm1::Button4Click() {
    arithmetic(&Multiply, false);
}
void TForm1::Button5Click() {
    arithmetic(&Divide, true);
}

void TForm1::Button8Click() {
    const auto operands = readOperands();
    if (!operands)
        return;
    const auto& [x, y] = *operands;
    if (x == QStringLiteral("0") || y == QStringLiteral("0"))
        return showNotice(Error, QStringLiteral("您输入数据是0！"));
    if (!CheckOperand(x, false) || !CheckOperand(y, true))
        return showNotice(Error, BadFormat);
    const QChar separator = LocaleDecimalSeparator();
    const double base = OperandToDouble(x, separator);
    const int32_t exponent = StrToInt(y);
    Edit3->setText(FormatResult(Power(base, exponent), separator));
}

void TForm1::Button3Click() {
    MessageBeep();
    const QString text = Edit1->text();
    if (text.isEmpty())
        return showNotice(Error, FirstMissing);
    if (!CheckOperand(text, false)) {
        Edit1->selectAll();
        Edit1->setFocus();
        return showNotice(Error, BadFormat);
    }
    const QChar separator = LocaleDecimalSeparator();
    RunningSum = Add(RunningSum, OperandToDouble(text, separator));
    Edit3->setText(FormatResult(RunningSum, separator));
    Edit1->selectAll();
    Edit1->setFocus();
}

void TForm1::Button7Click() {
    MessageBeep();
    const QString text = Edit3->text();
    if (text.isEmpty())
        return showNotice(Error, QStringLiteral("您忘记输入要转换的数了！"));

    if (Button7->text() == QStringLiteral("16 -->10")) {
        // The direction flips before the text is looked at, even when refused.
        Button7->setText(QStringLiteral("10 -->16"));
        const ConversionResult r = HexToDec(text);
        if (r.status != ConversionStatus::Ok)
            return showNotice(Error, BadFormat);
        Edit3->setText(r.text);
        return;
    }

    const ConversionResult r = DecToHex(text);
    switch (r.status) {
    case ConversionStatus::InvalidFormat:
        return showNotice(Error, BadFormat);
    case ConversionStatus::TooLarge:
        return showNotice(Error, QStringLiteral("大于2147483647将导致错误的结果！"));
    case ConversionStatus::Ok:
        Button7->setText(QStringLiteral("16 -->10"));
        Edit3->setText(r.text);
        return;
    }
}

} // namespace tarvessa
