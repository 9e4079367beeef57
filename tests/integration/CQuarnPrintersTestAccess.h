// Test access to the printer list's private members that discovery tests need.
#pragma once

#include "CQuarnPrinters.h"

class CQuarnPrintersTestAccess {
public:
    // Shortens a network search, so that only the test of the real period waits for it.
    static void SetSearchPeriod(CQuarnPrinters& printers, unsigned milliseconds)
    {
        printers.m_nSearchPeriodMs = milliseconds;
    }
};
