// The printer communications library: everything a program needs to drive it.
#pragma once

#include "CArchive.h"
#include "CException.h"
#include "CQuarnPrinterData.h"
#include "CQuarnPrinterException.h"
#include "CQuarnPrinters.h"
#include "CString.h"
#include "CWnd.h"
#include "IUserInterface.h"
