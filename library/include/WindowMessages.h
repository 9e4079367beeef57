// The messages the library posts to a program's notify window, and what they carry.
#pragma once

enum : unsigned {
    WM_SEARCH_DONE = 5903,
    // wParam = the printer record; lParam = the file length in bytes.
    WM_DOWNLOAD_BEGIN = 6805,
    // wParam = the printer record; lParam = bytes written to the port so far.
    WM_DOWNLOAD_PROGRESS = 6806,
    // wParam = the printer record; lParam = one of the download results below.
    WM_DOWNLOAD_END = 6807,
    // wParam = the printer record (compare only: it may have been freed since);
    // lParam = a heap DownloadOutcome* that the receiver takes over and frees. Posted once per
    // printer a request named, when its thread has finished with the printer (calibration
    // included), also for a request that a cancel dropped before it began.
    WM_DOWNLOAD_OUTCOME = 6808,
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
