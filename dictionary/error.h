#pragma once

#include "dictionary/errornumbers.h"

#include <QByteArray>
#include <QString>

#include <exception>

namespace volmira {

// An error is a value: a number and a description that names the file or object and what went wrong.
// It is raised (thrown) where it happens and caught only where a user's action begins.
class Error final : public std::exception {
public:
    Error(int number, QString description);

    int number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.constData(); }

private:
    int number_;
    QString description_;
    QByteArray what_;
};

// Error 7, which a failed allocation becomes where the database layer meets it, so that every program
// reports it like any other error.
Error outOfMemory();

}  // namespace volmira
