#include "common/ErrorReport.h"

#include "common/Exception.h"

#include <QApplication>
#include <QMessageBox>

namespace tarvessa {

namespace {
ErrorReportSink& sink() {
    static ErrorReportSink current;
    return current;
}

void showBox(const QString& text, const QString& detail) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tarvessa"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.exec();
}
} // namespace

QString ErrorReportText(const QString& message) {
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void SetErrorReportSink(ErrorReportSink newSink) {
    sink() = std::move(newSink);
}

void ReportError(const QString& message, const QString& detail) {
    const QString text = ErrorReportText(message);
    if (sink())
        sink()(text, detail);
    else
        showBox(text, detail);
}

void RunGuarded(const std::function<void()>& handler) noexcept {
    try {
        try {
            handler();
        } catch (const Exception& e) {
            ReportError(e.Message(), e.Detail());
        } catch (const std::exception& e) {
            ReportError(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            ReportError(QStringLiteral("Unknown error"));
        }
    } catch (...) {
        // The report itself failed (out of memory, a throwing recorder):
        // nothing more can be said, but the event loop must not see it.
    }
}

} // namespace tarvessa
