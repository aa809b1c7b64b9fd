#include "diagram/DiagramHost.h"

#include "diagram/ShellLink.h"

#include <chrono>

namespace zov {

thread_local ShellLink* Shell = nullptr;

std::uint32_t SystemTickCount()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace zov
