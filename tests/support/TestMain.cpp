// Test entry point: one QApplication for the whole binary (widgets need it,
// the serial component's notifications need its event loop), a CJK font, and
// the error report replaced by a recorder.
#include "tests/support/TestMain.h"

#include <QApplication>
#include <QFont>
#include <gtest/gtest.h>

namespace tarvessa::test {

std::vector<ReportedError>& ReportedErrors() {
    static std::vector<ReportedError> errors;
    return errors;
}

} // namespace tarvessa::test

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvessa"));
    tarvessa::SetErrorReportSink([](const QString& text, const QString& detail) {
        tarvessa::test::ReportedErrors().push_back({text, detail});
    });
    return RUN_ALL_TESTS();
}
