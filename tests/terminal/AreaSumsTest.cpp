#include "common/Beep.h"
#include "tests/terminal/WindowFixture.h"

using namespace tarvessa;
using namespace tarvessa::test;

struct AreaSums : WindowFixture {
    AreaSums() { form->Timer1->SetEnabled(false); } // past the start-up tick
};

TEST_F(AreaSums, SumsAlternateBetweenTheAreas) {
    const struct {
        const char* send;
        const char* receive;
        const char* dec;
        const char* hex;
        const char* status;
        const char* nextCaption;
    } clicks[] = {
        {"0102FF", "", "DEC=258", "HEX=102", "Send Data Area Sum", "Receive_Sum"},
        {"", "414243", "DEC=198", "HEX=C6", "Receive Data Area Sum", "Send_Sum"},
        {"ff", "", "DEC=255", "HEX=FF", "Send Data Area Sum", "Receive_Sum"},
        {"", "ABC", "DEC=171", "HEX=AB", "Receive Data Area Sum", "Send_Sum"},
        {"", "", "DEC=0", "HEX=0", "Send Data Area Sum", "Receive_Sum"},
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.dec);
        form->Edit4->setText(c.send);
        form->Edit5->setText(c.receive);
        const int before = BeepCount();
        click(form->Button13);
        EXPECT_EQ(BeepCount() - before, 1);
        EXPECT_EQ(form->Edit1->text(), c.dec);
        EXPECT_EQ(form->Edit2->text(), c.hex);
        EXPECT_EQ(form->Edit3->text(), c.status);
        EXPECT_EQ(form->Button13->text(), c.nextCaption);
    }
}

TEST_F(AreaSums, ABadDigitReportsAndChangesNothing) {
    form->Edit1->setText("1");
    form->Edit5->setText("Hello");
    form->Button13->setText("Receive_Sum");
    click(form->Button13);
    ASSERT_EQ(ReportedErrors().size(), 1u);
    EXPECT_EQ(ReportedErrors()[0].text, "'H' is not a valid integer value.");
    EXPECT_EQ(form->Edit1->text(), "1");
    EXPECT_EQ(form->Button13->text(), "Receive_Sum");
    EXPECT_TRUE(form->Timer1->Enabled()); // started before the sum
}

TEST_F(AreaSums, TheTickStripsOnlyExactPrefixesStopsAndBeeps) {
    const struct {
        const char *edit1, *edit2, *after1, *after2;
    } cases[] = {
        {"DEC=258", "HEX=102", "258", "102"},
        {"DEC=", "HEX=", "", ""},
        {"dec=5", "HEX5", "dec=5", "HEX5"},
        {"12", "DEC=1", "12", "DEC=1"},
    };
    for (const auto& c : cases) {
        form->Edit1->setText(c.edit1);
        form->Edit2->setText(c.edit2);
        form->Timer1->SetEnabled(true);
        const int before = BeepCount();
        form->Timer1Timer();
        EXPECT_EQ(form->Edit1->text(), c.after1);
        EXPECT_EQ(form->Edit2->text(), c.after2);
        EXPECT_FALSE(form->Timer1->Enabled());
        EXPECT_EQ(BeepCount() - before, 1);
    }
}

// The count starts at the first click; a second click within three seconds
// neither restarts nor delays it.
TEST_F(AreaSums, ASecondClickDoesNotRestartTheTimer) {
    form->Edit4->setText("01");
    click(form->Button13);
    EXPECT_TRUE(form->Timer1->Enabled());
    EXPECT_EQ(form->Timer1->Interval(), 3000);
    SpinFor(60);
    const int remaining = form->Timer1->RemainingTime();
    EXPECT_LT(remaining, 3000);
    click(form->Button13);
    EXPECT_LE(form->Timer1->RemainingTime(), remaining);
}

TEST_F(AreaSums, TheTimerTicksAfterTheClickAndThenStaysOff) {
    TTimer::SetTimeScaleForTests(0.01);
    TForm1 quick;
    quick.Form2 = notices.get();
    QTRY_VERIFY(!quick.Timer1->Enabled()); // start-up tick
    quick.Edit4->setText("0A");
    quick.Button13->click();
    EXPECT_EQ(quick.Edit1->text(), "DEC=10");
    QTRY_COMPARE(quick.Edit1->text(), QString("10"));
    EXPECT_EQ(quick.Edit2->text(), "A");
    EXPECT_FALSE(quick.Timer1->Enabled());
    TTimer::SetTimeScaleForTests(1);
}
