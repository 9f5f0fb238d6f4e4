#pragma once

#include <QString>
#include <functional>

namespace tarvessa {

// The text the error report shows for a message: a full stop is added when
// the message's last character sorts after ".".
QString ErrorReportText(const QString& message);

// Where reports go. The default is a modal box titled "Tarvessa"; tests put a
// recorder here. Passing an empty function restores the box.
using ErrorReportSink = std::function<void(const QString& text, const QString& detail)>;
void SetErrorReportSink(ErrorReportSink sink);

// Shows the default error report for an error that no handler caught.
void ReportError(const QString& message, const QString& detail = {});

// Runs one handler so that no exception leaves it: whatever it raises goes to
// the error report and the program goes on.
void RunGuarded(const std::function<void()>& handler) noexcept;

// Wraps a member handler for connect(): the slot runs inside RunGuarded.
template <class Object, class Handler> auto Guarded(Object* object, Handler handler) {
    return [object, handler](auto&&...) { RunGuarded([&] { (object->*handler)(); }); };
}

} // namespace tarvessa
