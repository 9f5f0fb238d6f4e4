#include "tests/terminal/WindowFixture.h"

using namespace tarvessa;
using namespace tarvessa::test;

struct SendReceive : WindowFixture {};

TEST_F(SendReceive, SendBeforeOpeningIsRefused) {
    form->Edit3->setText("keep");
    click(form->Button12);
    EXPECT_EQ(noticeTitle(), "错误！");
    EXPECT_EQ(noticeText(), "串口还没打开！");
    EXPECT_EQ(form->Edit3->text(), "keep");
}

TEST_F(SendReceive, SendsTheAreaInBothModes) {
    openDefault();
    const QString longText = QString("0123456789abcdef").repeated(313).left(5000);
    const struct {
        bool hex;
        QString text;
        QByteArray bytes;
    } cases[] = {
        {false, "AT", "AT"},
        {false, "a b 1", "a b 1"},
        {false, "串口", QByteArray("\xB4\xAE\xBF\xDA")},
        {true, "0aFF7e", QByteArray("\x0A\xFF\x7E")},
        {true, "aBcD", QByteArray("\xAB\xCD")},
        {true, "ABC", QByteArray("\xAB")},
        {true, "123", QByteArray("\x12")},
        {false, longText, longText.toLatin1()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.left(20).toStdString());
        if ((form->Button6->text() == "COM-16") != c.hex)
            click(form->Button6);
        form->Edit4->setText(c.text);
        click(form->Button12);
        EXPECT_EQ(form->Edit3->text(), c.hex ? "Send Data By COM-16" : "Send Data By COM-10");
        EXPECT_EQ(Receive(com1, size_t(c.bytes.size())), Bytes(c.bytes));
    }
    EXPECT_TRUE(ReportedErrors().empty());
}

TEST_F(SendReceive, NothingIsSentForAnEmptyAreaOrABadDigit) {
    openDefault();
    for (const bool hex : {false, true}) {
        if ((form->Button6->text() == "COM-16") != hex)
            click(form->Button6);
        form->Edit4->clear();
        click(form->Button12);
        EXPECT_EQ(form->Edit3->text(), hex ? "Send Data By COM-16" : "Send Data By COM-10");
    }
    for (const char* bad : {"GG", "01 02"}) {
        form->Edit4->setText(bad);
        click(form->Button12);
        EXPECT_EQ(form->Edit3->text(), "Send Data By COM-16");
    }
    ASSERT_EQ(ReportedErrors().size(), 2u);
    EXPECT_EQ(ReportedErrors()[0].text, "'G' is not a valid integer value.");
    EXPECT_EQ(ReportedErrors()[1].text, "' ' is not a valid integer value.");
    SpinFor(150);
    std::vector<uint8_t> got;
    com1.Drain(got);
    EXPECT_TRUE(got.empty());
}

TEST_F(SendReceive, ReceivedBlocksAreShownInTheModeOfTheMoment) {
    const struct {
        const char* mode;
        QByteArray block;
        QString shown;
    } cases[] = {
        {"COM-10", "A", "A"},
        {"COM-10", QByteArray("Hi\0\xFF", 4), "Hi"},
        {"COM-10",
         QByteArray("1\0"
                    "2",
                    3),
         "1"},
        {"COM-10",
         QByteArray("\0"
                    "1",
                    2),
         ""},
        {"COM-10", QByteArray("\xB4\xAE\xBF\xDA"), "串口"},
        {"COM-10", "a\r\nb\t", QString("a\u240D\u240Ab\u2409")},
        {"COM-10",
         "\xFF"
         "A",
         QString("\uFFFDA")},
        {"COM-16", QByteArray("\x48\x69\x00\xFF", 4), "486900FF"},
        {"COM-16", QByteArray("\x00\x0A\xFF", 3), "000AFF"},
        {"About", "A", "41"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        form->Button6->setText(c.mode);
        form->Edit5->setText("typed by the user");
        form->Comm1ReceiveData(form->Comm1, c.block.constData(), uint16_t(c.block.size()));
        EXPECT_EQ(form->Edit5->text(), c.shown);
        EXPECT_EQ(form->Edit3->text(), QString(c.mode) == "COM-10" ? "Receive Data By COM-10"
                                                                   : "Receive Data By COM-16");
    }
}

TEST_F(SendReceive, AFullBlockInHexShows4096Characters) {
    QByteArray block(2048, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = char(i * 7);
    form->Button6->setText("COM-16");
    form->Comm1ReceiveData(form->Comm1, block.constData(), 2048);
    ASSERT_EQ(form->Edit5->text().size(), 4096);
    EXPECT_EQ(form->Edit5->text().left(6), "00070E");
}

TEST_F(SendReceive, BytesFromTheDeviceReachTheReceiveArea) {
    openDefault();
    com1.Send("hello");
    ASSERT_TRUE(WaitUntil([&] { return form->Edit5->text() == "hello"; }));
    EXPECT_EQ(form->Edit3->text(), "Receive Data By COM-10");

    click(form->Button6);
    com1.Send(std::string("\x01\x02\xFE", 3));
    ASSERT_TRUE(WaitUntil([&] { return form->Edit5->text() == "0102FE"; }));
    EXPECT_EQ(form->Edit3->text(), "Receive Data By COM-16");
}
