#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

// The names in folder that match patterns (all names when patterns is empty), of the kinds in filters,
// without hidden entries, sorted ignoring letter case. Raises a volmira::Error when the folder does not
// exist or cannot be read.
QStringList readFolder(const QString& folder, const QStringList& patterns, QDir::Filters filters);
