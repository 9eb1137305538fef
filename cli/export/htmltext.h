#pragma once

#include <QString>

namespace volmira::exporting {

// Text placed between tags or inside a double-quoted attribute.
void appendHtml(QString& out, const QString& text);
QString html(const QString& text);

}  // namespace volmira::exporting
