// The thread messages between the library's workers; the window messages programs receive
// are public. Plain numbers, not offsets from a base.
#pragma once

#include "WindowMessages.h"

enum : unsigned {
    WM_THREAD_QUIT = 5801,
    WM_SEARCH_START = 5902,
    WM_SEARCH_CANCEL = 5904,
    WM_SEARCH_TIMEOUT = 5957,
    // To the scheduler: wParam = the printer's CPrinterThread, lParam = its thread id.
    // To a printer thread: wParam = the scheduler to tell at the end (0 = none),
    // lParam = the scheduler's thread id.
    WM_DOWNLOAD = 6002,
    // To the scheduler: wParam = the printer thread whose download ended.
    WM_DOWNLOAD_DONE = 6003,
    // To a printer thread: a cancel dropped one of its requests before it began; the thread
    // reports it as cancelled.
    WM_DOWNLOAD_DROPPED = 6004,
};
