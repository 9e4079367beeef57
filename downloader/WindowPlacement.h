// A window's placement as the settings store keeps it: eleven 32-bit words.
#pragma once

#include <cstdint>

struct WINDOWPLACEMENT {
    std::uint32_t length = 0;   // 44 when a placement is stored, 0 when none is
    std::uint32_t flags = 0;
    std::uint32_t showCmd = 0;  // SW_SHOWNORMAL, SW_SHOWMINIMIZED or SW_SHOWMAXIMIZED
    std::int32_t ptMinPositionX = 0;
    std::int32_t ptMinPositionY = 0;
    std::int32_t ptMaxPositionX = 0;
    std::int32_t ptMaxPositionY = 0;
    std::int32_t rcNormalLeft = 0;
    std::int32_t rcNormalTop = 0;
    std::int32_t rcNormalRight = 0;
    std::int32_t rcNormalBottom = 0;
};
static_assert(sizeof(WINDOWPLACEMENT) == 44);

enum : std::uint32_t { SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3 };
