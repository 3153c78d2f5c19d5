#pragma once
// One function per subcommand; each lives in a file of its own (command_NAME.cpp).

#include "app/command_line.h"

namespace velora::app {


}  // namespace velora::app
