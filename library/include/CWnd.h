// A window that receives posted messages from any thread. Posting never blocks; the
// message is handled later on the window's own thread.
#pragma once

#include <cstdint>

using WPARAM = std::uintptr_t;
using LPARAM = std::uintptr_t;

class CWnd {
public:
    virtual ~CWnd() = default;
    virtual void PostMessage(unsigned message, WPARAM wParam, LPARAM lParam) = 0;
};
