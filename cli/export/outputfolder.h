#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace volmira::exporting {

// The folder an export writes, made whole or not at all: the files go into a hidden folder beside the
// target, which commit() renames to the target. Until then, and when anything fails, the target is as
// it was and the hidden folder is removed. A target that an earlier export wrote (it holds the marker
// file) is replaced; any other existing target must be an empty folder. Failures raise Error 30008.
class OutputFolder final {
public:
    explicit OutputFolder(const QString& target);
    ~OutputFolder();

    QString workingPath() const { return working_->path(); }
    void commit();

private:
    QString target_;
    std::unique_ptr<QTemporaryDir> working_;
};

}  // namespace volmira::exporting
