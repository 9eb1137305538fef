#pragma once

#include <string>

namespace volmira::reader {

// Ends the reading with an error number (dictionary/errornumbers.h) that the program reports.
struct Failure {
    int number;
    std::string message;
};

}  // namespace volmira::reader
