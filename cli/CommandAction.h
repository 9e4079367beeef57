// What a parsed quarnctl command runs: its work, returning the exit status.
#pragma once

#include <functional>

using CommandAction = std::function<int()>;
