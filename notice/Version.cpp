#include "notice/Version.h"

namespace tarvessa {

QString VersionText() {
    return QStringLiteral(TARVESSA_VERSION_TEXT);
}

} // namespace tarvessa
