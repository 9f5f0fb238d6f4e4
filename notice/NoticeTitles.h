#pragma once

#include <QString>

namespace tarvessa::NoticeTitle {

// The four titles a notice can carry.
inline const QString Error = QStringLiteral("错误！");     // refused inputs and actions
inline const QString Attention = QStringLiteral("注意！"); // remarks on the port
inline const QString Success = QStringLiteral("成功！");   // the port opened or closed
inline const QString Thanks = QStringLiteral("谢谢！");    // the About text

} // namespace tarvessa::NoticeTitle
