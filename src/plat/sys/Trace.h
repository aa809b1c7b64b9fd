#pragma once
// The trace file: a diagnostic log written only when the program runs with the "debug" switch.
// One line per call: the time (HH:mm:ss), a blank, the message.

#include <string>

namespace zov {

// Set by the start-up from the "debug" switch.
extern bool DebugMode;

// Opens (truncating) the trace file at Path; raises rt::IoError when it cannot be created.
void TraceOpen(const std::string& path);
// Writes "Trace closed" and closes the file, when one is open.
void TraceClose();
bool TraceIsOpen();

// One timed line; nothing unless DebugMode is set and the file is open.
// A line that cannot be written raises rt::IoError.
void Trace(const std::string& message);
// One line as it stands, without the time (the direct writes of drawing and file code).
void TraceLine(const std::string& text);

} // namespace zov
