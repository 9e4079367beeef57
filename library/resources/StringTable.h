// The library's string table: user-visible texts addressed by numeric id.
#pragma once

#include "CString.h"

enum : unsigned {
    IDS_KIND_SERIAL = 102,
    IDS_KIND_PARALLEL = 103,
    IDS_KIND_USB = 104,
    IDS_KIND_NETWORK = 105,
    IDS_ERR_BAUD_RATE = 106,
    IDS_ERR_DATA_BITS = 107,
    IDS_ERR_PARITY = 108,
    IDS_ERR_STOP_BITS = 109,
    IDS_ERR_FLOW_CONTROL = 110,
    IDS_ERR_CONFIGURATION = 111,
    IDS_ERR_PORT_UNAVAILABLE = 112,
    IDS_ERR_THREAD_CREATE = 113,
    IDS_ERR_CANCELLED = 114,
    IDS_ERR_INVALID_PARAMETER = 115,
    IDS_ERR_NOT_BIDIRECTIONAL = 116,
    IDS_NOT_AVAILABLE = 33213,
    IDS_DEFAULT_PRINTER_NAME = 33214,
    IDS_NAME_IN_USE = 33215,
    IDS_PORT_IN_USE = 33216,
    IDS_SELECT_PORT = 33217,
    IDS_RESET_HEAD_ODOMETER = 33218,
    IDS_ERR_TIMEOUT = 33219,
};

// Text of a string id; sets found to false (and returns "") for an id without a text.
CString LoadStringResource(unsigned id, bool* found = nullptr);

// The framework's text for an error without a message of its own.
extern const char* const kNoErrorMessageText;
// The framework's text when memory runs out.
extern const char* const kOutOfMemoryText;
