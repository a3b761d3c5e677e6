// The one exception type for fatal data errors: it carries the exact message shown to the user.
#pragma once

#include <stdexcept>
#include <string>

namespace tressmoor::data {

/// A data file (or a file it names) cannot be used. The message is the exact text shown to the
/// user; the desktop program shows it in a message box and ends, the headless runner prints it on
/// stderr and exits with status 2. Nothing half-loaded is ever driven.
class FatalError : public std::runtime_error {
public:
    explicit FatalError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tressmoor::data
