#pragma once

#include <string>

namespace zov {

// The login name of the user running the program, or an empty string when none can be found.
std::string UserLoginName();

} // namespace zov
