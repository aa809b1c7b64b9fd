#include "plat/rt/Errors.h"

namespace rt {

std::uintptr_t CallerAddress()
{
    return reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
}

AssertionFailure::AssertionFailure(const std::string& message, const std::string& module, int line, std::uintptr_t where)
    : Error(message + " (" + module + ", line " + std::to_string(line) + ")", where)
    , m_message(message)
    , m_module(module)
    , m_line(line)
{
}

GraphicsError::GraphicsError(int status, std::uintptr_t where)
    : Error("Gdi+ error " + std::to_string(status), where)
    , m_status(status)
{
}

void assertFail(const std::string& message, const char* module, int line, std::uintptr_t where)
{
    throw AssertionFailure(message, module, line, where);
}

} // namespace rt
