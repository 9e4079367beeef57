// The code of the printer error a call raises, for tests that expect one.
#pragma once

#include "CQuarnPrinterException.h"

// The code of the printer error call raises (the error is freed), or 0 when it raises none.
template <class Call>
unsigned long PrinterErrorOf(Call call)
{
    try {
        call();
    } catch (CQuarnPrinterException* e) {
        const unsigned long code = e->m_dwCode;
        e->Delete();
        return code;
    }
    return 0;
}
