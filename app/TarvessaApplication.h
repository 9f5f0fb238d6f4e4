#pragma once

#include <QApplication>

namespace tarvessa {

// The application object. Its notify() is the last guard: no exception from
// any event handler ever reaches Qt's event loop.
class TarvessaApplication : public QApplication {
public:
    TarvessaApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace tarvessa
