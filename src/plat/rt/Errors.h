#pragma once
// The program's exception family. Every failure the model or the editor reports is one of these,
// so callers can tell an internal inconsistency from bad input or a failed write. Each one keeps
// the code address where it was made, which the error display shows: every constructor takes it
// as a last argument that defaults to CallerAddress(), evaluated where the error is made.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace rt {

// The return address of this call: a code address inside the function that calls it.
[[gnu::noinline]] std::uintptr_t CallerAddress();

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message, std::uintptr_t where = CallerAddress())
        : std::runtime_error(message)
        , m_where(where)
    {
    }
    // Where the error was made (a code address of the program), 0 when unknown.
    std::uintptr_t where() const { return m_where; }

private:
    std::uintptr_t m_where;
};

// A value that does not fit the field it is stored into.
class RangeError : public Error {
public:
    explicit RangeError(const std::string& message = "Range check error", std::uintptr_t where = CallerAddress())
        : Error(message, where)
    {
    }
};

// A read or write that failed; Code is the system's error number, or 0 when unknown.
class IoError : public Error {
public:
    IoError(const std::string& message, int code = 0, std::uintptr_t where = CallerAddress())
        : Error(message, where)
        , m_code(code)
    {
    }
    int code() const { return m_code; }

private:
    int m_code;
};

// An object of one class used as another.
class InvalidCastError : public Error {
public:
    explicit InvalidCastError(const std::string& message = "Invalid class typecast", std::uintptr_t where = CallerAddress())
        : Error(message, where)
    {
    }
};

class ListIndexError : public Error {
public:
    explicit ListIndexError(const std::string& message = "List index out of bounds", std::uintptr_t where = CallerAddress())
        : Error(message, where)
    {
    }
};

// An internal inconsistency. The text reads "message (Module, line N)": no period before the
// module, since the error display cuts the text at its first period.
class AssertionFailure : public Error {
public:
    AssertionFailure(
        const std::string& message, const std::string& module, int line, std::uintptr_t where = CallerAddress());
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
    explicit GraphicsError(int status, std::uintptr_t where = CallerAddress());
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

// Raises AssertionFailure; the error carries the address of the call.
[[noreturn]] void assertFail(
    const std::string& message, const char* module, int line, std::uintptr_t where = CallerAddress());

} // namespace rt

// Raises AssertionFailure naming the module and the line when Cond does not hold.
#define ZOV_ASSERT(cond, message, module)                                                                    \
    do {                                                                                                     \
        if (!(cond))                                                                                         \
            ::rt::assertFail((message), (module), __LINE__);                                                 \
    } while (false)
