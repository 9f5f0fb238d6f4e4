#pragma once

// The real main window on the offscreen platform, with its real serial
// component on pseudo-terminals that TARVESSA_PORTS makes "COM1" and "COM2".

#include "notice/TForm2.h"
#include "terminal/TForm1.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/support/TestMain.h"

#include <QTest>

#include <gtest/gtest.h>
#include <memory>

namespace tarvessa::test {

struct WindowFixture : ::testing::Test {
    Pty com1;
    Pty com2;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TForm2> notices;

    WindowFixture() {
        qputenv("TARVESSA_PORTS", (com1.path() + ":" + com2.path()).toLocal8Bit());
        form = std::make_unique<TForm1>();
        notices = std::make_unique<TForm2>();
        form->Form2 = notices.get();
        ReportedErrors().clear();
    }
    ~WindowFixture() override {
        form.reset();
        qunsetenv("TARVESSA_PORTS");
    }

    QString noticeTitle() const { return notices->windowTitle(); }
    QString noticeText() const { return notices->Label1->text(); }
    void clearNotice() {
        notices->setWindowTitle({});
        notices->Label1->clear();
        notices->hide();
    }

    // The user picks an item of a box: the selection changes, then OnChange.
    void pick(QComboBox* box, int index, void (TForm1::*handler)()) {
        box->setCurrentIndex(index);
        RunGuarded([&] { (form.get()->*handler)(); });
    }
    // The user types a text of his own.
    void type(QComboBox* box, const QString& text) {
        box->setCurrentIndex(-1);
        box->setEditText(text);
    }
    void click(QPushButton* button) { button->click(); }

    void openDefault() {
        click(form->Button10);
        ASSERT_TRUE(form->PortOpened);
        clearNotice();
    }

    // Bytes that arrive at a pseudo-terminal's device side within the time.
    static std::vector<uint8_t> Receive(Pty& pty, size_t expected, int timeoutMs = 5000) {
        std::vector<uint8_t> got;
        WaitUntil(
            [&] {
                pty.Drain(got);
                return got.size() >= expected;
            },
            timeoutMs);
        return got;
    }
    static std::vector<uint8_t> Bytes(const QByteArray& b) { return {b.begin(), b.end()}; }
};

} // namespace tarvessa::test
