// The library's one error type: the text of every code, the mapping of platform numbers,
// and how handlers catch and report it.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "CQuarnPrinterException.h"
#include "PrinterErrors.h"
#include "ScriptedUserInterface.h"
#include "StringTable.h"

namespace {

template <class Raise>
unsigned long CodeRaisedBy(Raise raise)
{
    try {
        raise();
    } catch (CQuarnPrinterException* e) {
        CExceptionHolder<CQuarnPrinterException> error(e);
        return error->m_dwCode;
    }
    ADD_FAILURE() << "nothing was raised";
    return 0;
}

TEST(PrinterException, EveryCodeShowsItsOwnText)
{
    const char* const texts[] = {
        "Invalid Baud Rate setting.",
        "Invalid Data bits setting.",
        "Invalid Parity setting.",
        "Invalid Stop bits setting.",
        "Invalid Flow control setting.",
        "There is an error in this printer's configuration.",
        "That port is unavailable.",
        "Could not create Printer thread.",
        "The user cancelled that operation.",
        "Invalid Parameter.",
        "Bi-directional communcations is not support with this printer.",
        "The operation timed out.  Check the following: \n"
        "1)  Make sure the printer is connected. \n"
        "2)  Make sure the printer is turned on. \n"
        "3)  Make sure the printer settings are configured correctly.",
    };
    ScriptedUserInterface ui;
    for (unsigned long code = 1; code <= 12; ++code) {
        CQuarnPrinterException error(code);
        // The fallback id never replaces the text of a known code.
        EXPECT_EQ(error.ReportError(MB_OK, IDS_SELECT_PORT), IDOK);
    }
    const auto shown = ui.Messages();
    ASSERT_EQ(shown.size(), 12u);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].text, texts[i]) << "code " << i + 1;
        EXPECT_EQ(shown[i].style, MB_OK);
    }
}

TEST(PrinterException, CodesOutsideTheTableShowTheFallbackOrTheStandardText)
{
    ScriptedUserInterface ui;
    CQuarnPrinterException(0).ReportError(0, 0);
    CQuarnPrinterException(13).ReportError(0, 0);
    CQuarnPrinterException(31).ReportError(0, IDS_SELECT_PORT);
    CQuarnPrinterException(31).ReportError(0, 4242);  // an id without a text
    EXPECT_EQ(ui.Texts(), (std::vector<CString>{"No error message is available.", "No error message is available.",
                                                "Please select a port.", "No error message is available."}));
}

TEST(PrinterException, ReportReturnsTheUsersAnswerAndKeepsTheStyle)
{
    ScriptedUserInterface ui;
    ui.QueueAnswer(IDCANCEL);
    EXPECT_EQ(CQuarnPrinterException(errTimeout).ReportError(MB_OKCANCEL | MB_ICONERROR, 0), IDCANCEL);
    EXPECT_EQ(ui.Messages().at(0).style, unsigned(MB_OKCANCEL | MB_ICONERROR));
}

TEST(PrinterException, PlatformNumbersBecomeCodes)
{
    EXPECT_EQ(CodeRaisedBy([] { ThrowPrinterError(6); }), errPortUnavailable);
    EXPECT_EQ(CodeRaisedBy([] { ThrowPrinterError(87); }), errInvalidParameter);
    EXPECT_EQ(CodeRaisedBy([] { ThrowPrinterError(12); }), errTimeout);
    EXPECT_EQ(CodeRaisedBy([] { ThrowPrinterError(31); }), 31u);
    EXPECT_EQ(CodeRaisedBy([] { ThrowPrinterError(errBaudRate); }), errBaudRate);

    EXPECT_EQ(CodeRaisedBy([] { ThrowPlatformError(EBADF); }), errPortUnavailable);
    EXPECT_EQ(CodeRaisedBy([] { ThrowPlatformError(EINVAL); }), errInvalidParameter);
    EXPECT_EQ(CodeRaisedBy([] { ThrowPlatformError(ETIMEDOUT); }), errTimeout);
    // EIO is 5 and EPIPE 32: neither may borrow the text of library code 5 or any other.
    EXPECT_EQ(CodeRaisedBy([] { ThrowPlatformError(EIO); }), kPlatformErrorBase + EIO);
    EXPECT_EQ(CodeRaisedBy([] { ThrowPlatformError(EPIPE); }), kPlatformErrorBase + EPIPE);
}

TEST(PrinterException, PlatformErrorsShowTheSystemsText)
{
    const CString text = CQuarnPrinterException(kPlatformErrorBase + EIO).Message();
    EXPECT_NE(text.find(std::strerror(EIO)), CString::npos) << text;
    EXPECT_NE(text, LoadStringResource(IDS_ERR_FLOW_CONTROL));
}

TEST(PrinterException, DetailFollowsTheCodeText)
{
    EXPECT_EQ(CQuarnPrinterException(errInvalidParameter, "Serial number too long.").Message(),
              "Invalid Parameter.\nSerial number too long.");
}

TEST(PrinterException, IsCaughtAsItsOwnTypeAnExceptionOrAnObject)
{
    try {
        ThrowPrinterError(errCancelled);
    } catch (CQuarnPrinterException* e) {
        EXPECT_EQ(e->m_dwCode, errCancelled);
        e->Delete();
    }
    try {
        ThrowPrinterError(6);
    } catch (CException* e) {
        EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CQuarnPrinterException)));
        e->Delete();
    }
    bool caught = false;
    try {
        ThrowPrinterError(87);
    } catch (CObject* e) {
        caught = e->IsKindOf(RUNTIME_CLASS(CException));
        delete e;
    }
    EXPECT_TRUE(caught);
}

TEST(PrinterException, RunTimeClassChainsToTheFrameworkException)
{
    const CRuntimeClass* cls = RUNTIME_CLASS(CQuarnPrinterException);
    EXPECT_STREQ(cls->m_lpszClassName, "CQuarnPrinterException");
    EXPECT_EQ(cls->m_pBaseClass, RUNTIME_CLASS(CException));
    EXPECT_EQ(cls->CreateObject(), nullptr);  // only made with a code
    CQuarnPrinterException error(errParity);
    CString text;
    EXPECT_FALSE(error.GetErrorMessage(text));
}

}  // namespace
