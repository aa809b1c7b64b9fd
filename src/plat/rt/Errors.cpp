#include "plat/rt/Errors.h"

namespace rt {

AssertionFailure::AssertionFailure(const std::string& message, const std::string& module, int line)
    : Error(message + " (" + module + ", line " + std::to_string(line) + ")")
    , m_message(message)
    , m_module(module)
    , m_line(line)
{
}

GraphicsError::GraphicsError(int status)
    : Error("Gdi+ error " + std::to_string(status))
    , m_status(status)
{
}

void assertFail(const std::string& message, const char* module, int line)
{
    throw AssertionFailure(message, module, line);
}

} // namespace rt
