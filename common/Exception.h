#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace tarvessa {

// Base of the program's own errors. The message is what the error report
// shows; the detail, when present, is the system's reason behind it.
class Exception : public std::exception {
public:
    explicit Exception(QString message, QString detail = {})
        : message_(std::move(message)), detail_(std::move(detail)), utf8_(message_.toUtf8()) {}

    const QString& Message() const noexcept { return message_; }
    const QString& Detail() const noexcept { return detail_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QString detail_;
    QByteArray utf8_;
};

// A text that does not convert to a number.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A value beyond the range of a double.
class EOverflow : public Exception {
public:
    using Exception::Exception;
};

} // namespace tarvessa
