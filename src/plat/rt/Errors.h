#pragma once
// The program's exception family. Every failure the model or the editor reports is one of these,
// so callers can tell an internal inconsistency from bad input or a failed write.

#include <stdexcept>
#include <string>

namespace rt {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A value that does not fit the field it is stored into.
class RangeError : public Error {
public:
    explicit RangeError(const std::string& message = "Range check error") : Error(message) {}
};

// A read or write that failed; Code is the system's error number, or 0 when unknown.
class IoError : public Error {
public:
    IoError(const std::string& message, int code = 0) : Error(message), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

// An object of one class used as another.
class InvalidCastError : public Error {
public:
    explicit InvalidCastError(const std::string& message = "Invalid class typecast") : Error(message) {}
};

class ListIndexError : public Error {
public:
    explicit ListIndexError(const std::string& message = "List index out of bounds") : Error(message) {}
};

// An internal inconsistency. The text reads "message (Module, line N)": no period before the
// module, since the error display cuts the text at its first period.
class AssertionFailure : public Error {
public:
    AssertionFailure(const std::string& message, const std::string& module, int line);
    const std::string& assertMessage() const { return m_message; }
    const std::string& module() const { return m_module; }
    int line() const { return m_line; }

private:
    std::string m_message;
    std::string m_module;
    int m_line;
};

// A drawing, encoding or bitmap call that failed; the status number says which way.
class GraphicsError : public Error {
public:
    explicit GraphicsError(int status);
    int status() const { return m_status; }

private:
    int m_status;
};

// Status numbers carried by GraphicsError.
enum GraphicsStatus {
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    Win32Error = 7,
    FileNotFound = 10,
    UnknownImageFormat = 13,
};

[[noreturn]] void assertFail(const std::string& message, const char* module, int line);

} // namespace rt

// Raises AssertionFailure naming the module and the line when Cond does not hold.
#define ZOV_ASSERT(cond, message, module)                                                                    \
    do {                                                                                                     \
        if (!(cond))                                                                                         \
            ::rt::assertFail((message), (module), __LINE__);                                                 \
    } while (false)
