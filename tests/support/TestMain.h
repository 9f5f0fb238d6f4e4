#pragma once

#include "common/ErrorReport.h"

#include <QString>
#include <vector>

namespace tarvessa::test {

struct ReportedError {
    QString text;
    QString detail;
};

// Every error report of the running test binary, oldest first.
std::vector<ReportedError>& ReportedErrors();

} // namespace tarvessa::test
