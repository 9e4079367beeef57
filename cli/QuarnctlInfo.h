// What quarnctl's manual page says beyond its options.
#pragma once

#include "ProgramInfo.h"

ProgramInfo QuarnctlInfo();
