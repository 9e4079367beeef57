// The record the build embeds in the program, from the project's version.
#include "ModuleVersionRecord.h"

extern "C" __attribute__((used)) const ModuleVersionRecord g_quarnVersionRecord = {
    {'Q', 'u', 'a', 'r', 'n', 'V', 'e', 'r', 's', 'i', 'o', 'n', 'I', 'n', 'f', 'o'},
    {kVersionSignature, 0x00010000,
     (QUARN_VERSION_MAJOR << 16) | QUARN_VERSION_MINOR, (QUARN_VERSION_PATCH << 16) | QUARN_VERSION_TWEAK,
     (QUARN_VERSION_MAJOR << 16) | QUARN_VERSION_MINOR, (QUARN_VERSION_PATCH << 16) | QUARN_VERSION_TWEAK,
     0x3F, 0, 0, 1, 0, 0, 0},
};
