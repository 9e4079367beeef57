// Every message id of the system: thread messages between the library's workers and
// window messages to the program's windows. Plain numbers, not offsets from a base.
#pragma once

// Thread messages.
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
};

// Window messages; the download ones carry the printer record in wParam.
enum : unsigned {
    WM_SEARCH_DONE = 5903,
    // lParam = the file length in bytes.
    WM_DOWNLOAD_BEGIN = 6805,
    // lParam = bytes written to the port so far.
    WM_DOWNLOAD_PROGRESS = 6806,
    // lParam = one of the download results below.
    WM_DOWNLOAD_END = 6807,
};

// What WM_DOWNLOAD_END tells of a download.
enum : long {
    kDownloadFailed = 0,
    // No error ended the transfer (also after a cancel).
    kDownloadDone = 1,
    // Done, but the printer kept its connection open after acknowledging every byte instead
    // of confirming with its close.
    kDownloadNotConfirmed = 2,
};
