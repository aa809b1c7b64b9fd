#pragma once
// Where an error that ends an event handler goes: the application shows it to the user; until
// it says how, the error is written to the log.

#include <exception>
#include <functional>

namespace zov {

using ErrorReporter = std::function<void(const std::exception&)>;

// Shows E the way the program shows an error that reached the event loop.
void ReportError(const std::exception& e);
// Sets how errors are shown; an empty reporter restores the log.
void SetErrorReporter(ErrorReporter reporter);

} // namespace zov
