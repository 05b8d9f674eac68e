#include "app/Toolkit.h"

#include <cstring>

Text SysErrorMessage(std::uint32_t code) { return std::strerror(static_cast<int>(code)); }
