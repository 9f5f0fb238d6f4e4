// The main window's description: controls, geometry, colours, fonts, texts,
// tab order, and the lists that FormCreate fills.
#include "common/ErrorReport.h"
#include "notice/TForm2.h"
#include "terminal/PortComboBox.h"
#include "terminal/TForm1.h"

#include <QKeyEvent>
#include <qcustomplot.h>

namespace tarvessa {

namespace {

constexpr int ClientWidth = 454;
constexpr int ClientHeight = 462;

const QColor clSkyBlue(166, 202, 240);
const QColor clMoneyGreen(192, 220, 192);
const QColor clNavy(0, 0, 128);
const QColor clRed(255, 0, 0);
const QColor clBlue(0, 0, 255);
const QColor clLime(0, 255, 0);
const QColor clGreen(0, 128, 0);
const QColor clAqua(0, 255, 255);
const QColor clFuchsia(255, 0, 255);
const QColor clYellow(255, 255, 0);
const QColor clBlack(0, 0, 0);
const QColor clWhite(255, 255, 255);

QFont pixelFont(const QFont& base, int pixels) {
    QFont f = base;
    f.setPixelSize(pixels);
    return f;
}

void paint(QWidget* w, QColor background, QColor text) {
    QPalette pal = w->palette();
    for (auto role : {QPalette::Base, QPalette::Button, QPalette::Window})
        pal.setColor(role, background);
    for (auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
        pal.setColor(role, text);
    w->setPalette(pal);
}

QLineEdit* makeEdit(QWidget* parent, const char* name, QRect geometry, QColor background,
                    QColor text) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(geometry);
    QFont f = pixelFont(parent->font(), 13);
    // A received block fills the field with up to 4096 characters; shaping
    // them all on every block would cost more than everything else together.
    f.setStyleStrategy(QFont::PreferNoShaping);
    f.setKerning(false);
    e->setFont(f);
    paint(e, background, text);
    // Flat: a plain one-pixel border, no sunken edge.
    e->setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid %1; background: %2; color: %3; }")
            .arg(text.darker(150).name(), background.name(), text.name()));
    return e;
}

template <class Box = QComboBox>
Box* makeCombo(QWidget* parent, const char* name, QRect geometry, const QString& text) {
    auto* c = new Box(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(geometry);
    c->setEditable(true);
    // A typed text must stay a typed text (selected index -1), never become an item.
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setFont(pixelFont(parent->font(), 11));
    paint(c, clBlue, clLime);
    c->setStyleSheet(QStringLiteral("QComboBox, QComboBox QLineEdit { background: %1; color: %2; }"
                                    "QComboBox QAbstractItemView { background: %1; color: %2; }"
                                    "QComboBox QAbstractItemView::item { min-height: 13px; }")
                         .arg(clBlue.name(), clLime.name()));
    c->setEditText(text);
    // Typing a text of one's own leaves no list item selected, even when the
    // text equals an item; handlers go by the selected index.
    QObject::connect(c->lineEdit(), &QLineEdit::textEdited, c, [c](const QString& typed) {
        if (c->currentIndex() < 0)
            return;
        const int cursor = c->lineEdit()->cursorPosition();
        const QSignalBlocker quiet(c);
        c->setCurrentIndex(-1);
        c->setEditText(typed);
        c->lineEdit()->setCursorPosition(cursor);
    });
    return c;
}

QPushButton* makeButton(QWidget* parent, const char* name, QRect geometry, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    return b;
}

QLabel* makeLabel(QWidget* parent, const char* name, QRect geometry, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    return l;
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    buildWindow();
    connectHandlers();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildWindow() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tarvessa"));
    setFixedSize(ClientWidth, ClientHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, clSkyBlue);
    setPalette(pal);
    setAutoFillBackground(true);
    setFont(pixelFont(font(), 11));

    Edit1 = makeEdit(this, "Edit1", {16, 8, 190, 24}, clMoneyGreen, clNavy);
    Edit2 = makeEdit(this, "Edit2", {16, 40, 190, 24}, clMoneyGreen, clNavy);
    Edit3 = makeEdit(this, "Edit3", {16, 72, 190, 24}, clMoneyGreen, clRed);
    ComboBox1 =
        makeCombo<PortComboBox>(this, "ComboBox1", {8, 216, 83, 21}, QStringLiteral("COM1"));
    ComboBox2 = makeCombo(this, "ComboBox2", {97, 216, 83, 21}, QStringLiteral("19200"));
    ComboBox3 = makeCombo(this, "ComboBox3", {186, 216, 83, 21}, QStringLiteral("数据位8位"));
    ComboBox4 = makeCombo(this, "ComboBox4", {275, 216, 83, 21}, QStringLiteral("无校验None"));
    // The grey-text colour of the system palette, as the description asks.
    const QColor clGrayText = palette().color(QPalette::Disabled, QPalette::Text);
    Edit4 = makeEdit(this, "Edit4", {8, 120, 439, 24}, clGrayText, clWhite);
    Edit5 = makeEdit(this, "Edit5", {8, 168, 439, 24}, clGrayText, clWhite);
    Button1 = makeButton(this, "Button1", {212, 8, 75, 25}, QStringLiteral("+"));
    Button2 = makeButton(this, "Button2", {212, 40, 75, 25}, QStringLiteral("-"));
    Button4 = makeButton(this, "Button4", {292, 8, 75, 25}, QStringLiteral("*"));
    Button5 = makeButton(this, "Button5", {292, 40, 75, 25}, QStringLiteral("/"));
    Button3 = makeButton(this, "Button3", {212, 72, 75, 25}, QStringLiteral("Sum"));
    Button6 = makeButton(this, "Button6", {292, 72, 75, 25}, QStringLiteral("About"));
    Button7 = makeButton(this, "Button7", {372, 8, 75, 25}, QStringLiteral("16 -->10"));
    Button8 = makeButton(this, "Button8", {372, 40, 75, 25}, QStringLiteral("X ^ Y"));
    Button9 = makeButton(this, "Button9", {372, 72, 75, 25}, QStringLiteral("Exit"));
    Button10 = makeButton(this, "Button10", {8, 248, 80, 25}, QStringLiteral("Open COM"));
    Button11 = makeButton(this, "Button11", {98, 248, 80, 25}, QStringLiteral("Close COM"));
    Button12 = makeButton(this, "Button12", {187, 248, 80, 25}, QStringLiteral("Send Data"));
    Button13 = makeButton(this, "Button13", {277, 248, 80, 25}, QStringLiteral("Send_Sum"));
    Button3->setDefault(true);

    Chart1 = new QCustomPlot(this);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setGeometry(8, 280, 440, 177);
    Chart1->setFocusPolicy(Qt::NoFocus);
    Chart1->setBackground(QBrush(Qt::white));
    Chart1->axisRect()->setBackground(Qt::NoBrush);
    Chart1->plotLayout()->insertRow(0);
    Chart1->plotLayout()->addElement(
        0, 0,
        new QCPTextElement(Chart1, QStringLiteral("串口数据波形显示"), pixelFont(font(), 12)));
    const QColor seriesColours[8] = {clRed,   clGreen, clLime,    clBlue,
                                     clBlack, clAqua,  clFuchsia, clYellow};
    for (int i = 0; i < 8; ++i) {
        QCPGraph* g = Chart1->addGraph();
        g->setName(QStringLiteral("Series%1").arg(i + 1));
        g->setPen(QPen(seriesColours[i], 2));
        g->setLineStyle(QCPGraph::lsLine);
        g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
        g->setAdaptiveSampling(true);
    }
    // Small axis labels so the plot keeps its room at this size.
    for (QCPAxis* axis : {Chart1->xAxis, Chart1->yAxis}) {
        axis->setTickLabelFont(pixelFont(font(), 9));
        axis->setPadding(2);
    }
    Chart1->yAxis->setRange(0, 255);
    Chart1->xAxis->setRange(0, 100);
    Chart1->legend->setVisible(false);
    Chart1->setNotAntialiasedElements(QCP::aeAll);
    // One polyline per graph instead of a segment per point.
    Chart1->setPlottingHint(QCP::phFastPolylines, true);

    cxButton1 = makeButton(Chart1, "cxButton1", {368, 152, 25, 17}, QStringLiteral("N1"));
    cxButton2 = makeButton(Chart1, "cxButton2", {400, 152, 25, 17}, QStringLiteral("S1"));
    for (QPushButton* b : {cxButton1, cxButton2})
        b->setFont(pixelFont(font(), 10));

    ComboBox5 = makeCombo(this, "ComboBox5", {364, 216, 83, 21}, QStringLiteral("停止位1"));
    ComboBox6 = makeCombo(this, "ComboBox6", {363, 250, 83, 21}, QStringLiteral("波形显示"));

    Label1 = makeLabel(this, "Label1", {4, 8, 6, 13}, QStringLiteral("1"));
    Label2 = makeLabel(this, "Label2", {4, 40, 6, 13}, QStringLiteral("2"));
    Label3 = makeLabel(this, "Label3", {4, 72, 8, 13}, QStringLiteral("R"));
    Label4 = makeLabel(this, "Label4", {8, 104, 93, 13}, QStringLiteral("Send Data Area ："));
    Label5 = makeLabel(this, "Label5", {8, 152, 108, 13}, QStringLiteral("Receive Data Area ："));
    Label6 = makeLabel(this, "Label6", {8, 200, 413, 13},
                       QStringLiteral("COM Port ：         Baud Rate ：        Data Bit ：      "
                                      "     Parity Check ：    Stop Bit ："));

    // Tab order: the description's order, the chart's two buttons in its place.
    const QList<QWidget*> order = {
        Edit1,    Edit2,    Edit3,    ComboBox1, ComboBox2, ComboBox3, ComboBox4, Edit4,    Edit5,
        Button1,  Button2,  Button4,  Button5,   Button3,   Button6,   Button7,   Button8,  Button9,
        Button10, Button11, Button12, Button13,  cxButton1, cxButton2, ComboBox5, ComboBox6};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);

    Comm1 = new TComm(this);
    Comm1->setObjectName(QStringLiteral("Comm1"));
    Timer1 = new TTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
}

void TForm1::connectHandlers() {
    const std::pair<QPushButton*, void (TForm1::*)()> clicks[] = {
        {Button1, &TForm1::Button1Click},     {Button2, &TForm1::Button2Click},
        {Button3, &TForm1::Button3Click},     {Button4, &TForm1::Button4Click},
        {Button5, &TForm1::Button5Click},     {Button6, &TForm1::Button6Click},
        {Button7, &TForm1::Button7Click},     {Button8, &TForm1::Button8Click},
        {Button9, &TForm1::Button9Click},     {Button10, &TForm1::Button10Click},
        {Button11, &TForm1::Button11Click},   {Button12, &TForm1::Button12Click},
        {Button13, &TForm1::Button13Click},   {cxButton1, &TForm1::cxButton1Click},
        {cxButton2, &TForm1::cxButton2Click},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, Guarded(this, handler));

    // OnChange: the user picks an item or edits the text.
    const std::pair<QComboBox*, void (TForm1::*)()> changes[] = {
        {ComboBox1, &TForm1::ComboBox1Change}, {ComboBox2, &TForm1::ComboBox2Change},
        {ComboBox3, &TForm1::ComboBox3Change}, {ComboBox4, &TForm1::ComboBox4Change},
        {ComboBox5, &TForm1::ComboBox5Change},
    };
    for (const auto& [box, handler] : changes) {
        connect(box, &QComboBox::activated, this, Guarded(this, handler));
        connect(box->lineEdit(), &QLineEdit::textEdited, this, Guarded(this, handler));
    }

    Comm1->OnReceiveData = [this](TComm* sender, const void* buffer, uint16_t length) {
        Comm1ReceiveData(sender, buffer, length);
    };
    Timer1->OnTimer = [this] { RunGuarded([this] { Timer1Timer(); }); };
}

void TForm1::FormCreate() {
    // Filling the lists from the program raises no change handler: those are
    // tied to user actions (activated, textEdited) only.
    for (int i = 1; i <= 48; ++i)
        ComboBox1->addItem(QStringLiteral("COM%1").arg(i));
    static const char* const rates[] = {
        "75",     "110",    "134",    "150",     "220",    "300",    "330",    "600",    "660",
        "900",    "1200",   "1800",   "2400",    "4800",   "5700",   "6400",   "7200",   "9600",
        "11400",  "14400",  "16550",  "19200",   "22800",  "28800",  "33600",  "38400",  "56000",
        "57600",  "76800",  "115200", "128000",  "153600", "230400", "256000", "307200", "460800",
        "512000", "614400", "921600", "1024000", "1228800"};
    for (const char* rate : rates)
        ComboBox2->addItem(QString::fromLatin1(rate));
    ComboBox3->addItems({QStringLiteral("数据位4位"), QStringLiteral("数据位5位"),
                         QStringLiteral("数据位6位"), QStringLiteral("数据位7位"),
                         QStringLiteral("数据位8位"), QStringLiteral("数据位9位")});
    ComboBox4->addItems({QStringLiteral("无校验None"), QStringLiteral("偶校验Even"),
                         QStringLiteral("奇校验Odd"), QStringLiteral("标志Mark"),
                         QStringLiteral("空Space")});
    ComboBox5->addItems(
        {QStringLiteral("停止位1"), QStringLiteral("停止位1.5"), QStringLiteral("停止位2")});
    ComboBox6->addItems({QStringLiteral("单字节自动"), QStringLiteral("单字节自选"),
                         QStringLiteral("单字节0-255"), QStringLiteral("双字节自动"),
                         QStringLiteral("双字节自选"), QStringLiteral("双字节0-65535"),
                         QStringLiteral("双字节0-3000"), QStringLiteral("无波形显示")});

    ComboBox1->setCurrentIndex(0);
    ComboBox2->setCurrentIndex(21);
    ComboBox3->setCurrentIndex(4);
    ComboBox4->setCurrentIndex(0);
    ComboBox5->setCurrentIndex(0);
    // ComboBox6 shows its caption with nothing selected: no plot.
    ComboBox6->setCurrentIndex(-1);
    ComboBox6->setEditText(QStringLiteral("波形显示"));
    PortOpened = false;
}

void TForm1::showNotice(const QString& title, const QString& text) {
    if (Form2)
        Form2->ShowNotice(title, text);
}

} // namespace tarvessa
