#pragma once

#include <QSet>
#include <QString>

namespace volmira::exporting {

// File names for names read from the dictionary. A name becomes lower-case ASCII letters, digits, '_'
// and '-' only (anything else, '/', '.', blanks, apostrophes and non-ASCII letters among it, becomes
// '_'), at most 60 characters, never empty and never a name Windows reserves; a name already given out
// gets "-2", "-3", ... So a name can neither leave its folder nor overwrite another table's file, on
// file systems that ignore letter case too.
class UniqueFileNames final {
public:
    QString take(const QString& name);

private:
    QSet<QString> taken_;
};

}  // namespace volmira::exporting
