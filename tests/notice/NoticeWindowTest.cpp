#include "common/Beep.h"
#include "notice/TForm2.h"

#include <QApplication>
#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace tarvessa;

TEST(NoticeWindow, StartsHiddenAndEmpty) {
    TForm2 form;
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.windowTitle().isEmpty());
    EXPECT_TRUE(form.Label1->text().isEmpty());
    EXPECT_EQ(form.Label1->geometry(), QRect(24, 20, 241, 13));
    EXPECT_EQ(form.Button1->geometry(), QRect(102, 50, 75, 25));
    EXPECT_EQ(form.Button1->text(), "OK");
    EXPECT_FALSE(form.VersionLabel->text().isEmpty());
    EXPECT_FALSE(form.CreditsLabel->text().isEmpty());
}

// The three steps in their order: the window is already visible when the text
// and then the title arrive.
TEST(NoticeWindow, ShowNoticeShowsThenSetsTextThenTitle) {
    TForm2 form;
    std::vector<QString> steps;
    struct Spy : QObject {
        TForm2* form;
        std::vector<QString>* steps;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Show)
                steps->push_back("show");
            if (e->type() == QEvent::WindowTitleChange)
                steps->push_back(form->Label1->text().isEmpty() ? "title before text" : "title");
            return false;
        }
    } spy;
    spy.form = &form;
    spy.steps = &steps;
    form.installEventFilter(&spy);

    form.ShowNotice("错误！", "您还没选择串口！");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), "错误！");
    EXPECT_EQ(form.Label1->text(), "您还没选择串口！");
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0], "show");
    EXPECT_EQ(steps[1], "title");
}

TEST(NoticeWindow, SecondNoticeReplacesFirstInSameWindow) {
    TForm2 form;
    form.ShowNotice("错误！", "one");
    form.ShowNotice("成功！", "串口关闭成功！");
    EXPECT_EQ(form.windowTitle(), "成功！");
    EXPECT_EQ(form.Label1->text(), "串口关闭成功！");
    int visibleNotices = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        visibleNotices += qobject_cast<TForm2*>(w) && w->isVisible();
    EXPECT_EQ(visibleNotices, 1);
}

TEST(NoticeWindow, OkBeepsOnceAndHidesCloseBoxHidesSilently) {
    TForm2 form;
    form.ShowNotice("注意！", "x");
    int before = BeepCount();
    form.Button1->click();
    EXPECT_EQ(BeepCount() - before, 1);
    EXPECT_FALSE(form.isVisible());

    form.ShowNotice("注意！", "again");
    EXPECT_TRUE(form.isVisible());
    before = BeepCount();
    form.close(); // the close box
    EXPECT_EQ(BeepCount(), before);
    EXPECT_FALSE(form.isVisible());
}

TEST(NoticeWindow, LongTextIsClippedNotWrapped) {
    TForm2 form;
    const QString longText = QString("非法波特率！波特率将初始化为19200！").repeated(4);
    form.ShowNotice("错误！", longText);
    EXPECT_FALSE(form.Label1->wordWrap());
    EXPECT_EQ(form.Label1->geometry(), QRect(24, 20, 241, 13));
    EXPECT_GT(QFontMetrics(form.Label1->font()).horizontalAdvance(longText), 241);
}

TEST(NoticeWindow, ClosingItNeverEndsTheProgram) {
    TForm2 form;
    EXPECT_FALSE(form.testAttribute(Qt::WA_QuitOnClose));
}
