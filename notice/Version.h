#pragma once

#include <QString>

namespace tarvessa {

// The program's version as the build knows it (project version and commit).
QString VersionText();

} // namespace tarvessa
