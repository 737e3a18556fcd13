// SPDX-License-Identifier: MIT
#pragma once

#include <exception>
#include <string>
#include <utility>

// The one error type every failure of the program is raised as. It carries
// the message the error box shows; nothing in the program catches it except
// the top of the event loop.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}

    const std::string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// Raised by the graph for a sample outside its [Min, Max] range.
class ERangeError : public Exception {
public:
    using Exception::Exception;
};
