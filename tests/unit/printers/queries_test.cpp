// Printer questions, settings and test pages over scripted ports: exact bytes out, answers
// in, and the port closed again on every way out.
#include <gtest/gtest.h>

#include <deque>

#include "CNetworkPort.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "CQuarnPrinters.h"
#include "CSerialPort.h"
#include "FakePort.h"
#include "ScriptedUserInterface.h"

namespace {

// A serial printer that answers each read from a script and keeps every byte written.
class AnsweringSerialPort : public CSerialPort {
public:
    void Open() override
    {
        if (m_nOpenError) throw new CQuarnPrinterException(m_nOpenError);
        ++opens;
        open = true;
    }
    void Close() override { open = false; }
    void Write(const void* data, std::uint32_t length, std::uint32_t* written) override
    {
        if (!open) throw new CQuarnPrinterException(errPortUnavailable);
        sent.append(static_cast<const char*>(data), length);
        *written = length;
    }
    void Read(void* data, std::uint32_t length, std::uint32_t* read) override
    {
        if (!open) throw new CQuarnPrinterException(errPortUnavailable);
        ++reads;
        if (answers.empty()) return;
        const CString answer = answers.front().substr(0, length);
        answers.pop_front();
        answer.copy(static_cast<char*>(data), answer.size());
        *read = static_cast<std::uint32_t>(answer.size());
    }

    std::deque<CString> answers;
    CString sent;
    bool open = false;
    int opens = 0;
    int reads = 0;
    unsigned long m_nOpenError = 0;
};

template <class PortType>
PortType* Attach(CQuarnPrinter& printer, PortType* port)
{
    printer.m_pPort = port;
    return port;
}

unsigned long CodeOf(CQuarnPrinterException* e)
{
    const unsigned long code = e->m_dwCode;
    e->Delete();
    return code;
}

}  // namespace

TEST(PrinterQueries, SerialNumberIsTheFirstLineOfTheAnswer)
{
    CQuarnPrinter printer;
    auto* port = Attach(printer, new AnsweringSerialPort);
    port->answers = {"XJ42\r\nsomething else"};
    EXPECT_EQ(printer.SerialNumber(), "XJ42");
    EXPECT_EQ(port->sent, "\nURS\n");
    EXPECT_FALSE(port->open);
}

TEST(PrinterQueries, SilentPrinterIsAskedTwiceForItsSerialNumber)
{
    CQuarnPrinter printer;
    auto* port = Attach(printer, new AnsweringSerialPort);
    EXPECT_EQ(printer.SerialNumber(), "");
    EXPECT_EQ(port->sent, "\nURS\n\nURS\n");
    EXPECT_EQ(port->opens, 2);
    EXPECT_FALSE(port->open);
}

TEST(PrinterQueries, PrintersThatCannotAnswerAreNotAsked)
{
    CQuarnPrinter printer;
    auto* port = Attach(printer, new CNetworkPort);
    port->m_strDevice = "127.0.0.1";
    port->m_nTcpPort = 1;  // would refuse: proves nothing is opened
    EXPECT_EQ(printer.SerialNumber(), "N/A");
    EXPECT_EQ(printer.HeadHistory(duMetric), "N/A");
    int first = 0, second = 0;
    printer.Odometers(first, second, duInches);
    EXPECT_EQ(first, -1);
    EXPECT_EQ(second, -1);
}

TEST(PrinterQueries, OdometersAndHeadHistorySendTheirQuestionsInTheChosenUnits)
{
    CQuarnPrinter printer;
    auto* port = Attach(printer, new AnsweringSerialPort);
    port->answers = {"Label usage = 1,234 in\r\nHead usage = 56 in\r\n", "head history text"};
    int first = 0, second = 0;
    printer.Odometers(first, second, static_cast<EDisplayUnits>(2));
    EXPECT_EQ(first, 1234);
    EXPECT_EQ(second, 56);
    EXPECT_EQ(printer.HeadHistory(duInches), "head history text");
    EXPECT_EQ(port->sent, "\nURLm\n\nURHi\n");
}

TEST(PrinterQueries, ErrorAfterOpeningClosesThePortAndPassesOn)
{
    CQuarnPrinter printer;
    auto* port = Attach(printer, new AnsweringSerialPort);
    port->m_nOpenError = errPortUnavailable;
    try {
        printer.HeadHistory(duInches);
        FAIL() << "no error raised";
    } catch (CQuarnPrinterException* e) {
        EXPECT_EQ(CodeOf(e), static_cast<unsigned long>(errPortUnavailable));
    }
    EXPECT_FALSE(port->open);
}

TEST(PrinterQueries, ResetHeadOdometerAsksFirstAndSendsNothingOnNo)
{
    ScriptedUserInterface ui;
    CQuarnPrinter printer;
    auto* port = Attach(printer, new AnsweringSerialPort);
    ui.QueueAnswer(IDNO);
    printer.ResetHeadOdometer();
    EXPECT_EQ(port->opens, 0);
    ui.QueueAnswer(IDYES);
    printer.ResetHeadOdometer();
    EXPECT_EQ(port->sent, "\noLr\r\n");
    ASSERT_EQ(ui.Messages().size(), 2u);
    EXPECT_EQ(ui.Messages()[0].text, "Are you sure you want to Reset the Head Odometer?");
    EXPECT_EQ(ui.Messages()[0].style, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
}

TEST(PrinterQueries, SetSerialNumberSendsTheEscapedTextOrRefusesItWhole)
{
    CQuarnPrinter printer;
    auto* port = Attach(printer, new AnsweringSerialPort);
    printer.SetSerialNumber("A\"B\\");
    EXPECT_EQ(port->sent, CString("\nheS\"A\\\"B\\\\\"\r\n"));
    port->sent.clear();
    try {
        printer.SetSerialNumber(CString(40, '"'));
        FAIL() << "an 80-byte escaped serial number was accepted";
    } catch (CQuarnPrinterException* e) {
        EXPECT_NE(e->Message().find("too long"), CString::npos);
        EXPECT_EQ(CodeOf(e), static_cast<unsigned long>(errInvalidParameter));
    }
    EXPECT_EQ(port->opens, 1);
    EXPECT_TRUE(port->sent.empty());
}

TEST(PrinterQueries, TestPagesGoOnPastAPrinterThatCannotBeOpenedAndShowNothing)
{
    ScriptedUserInterface ui;
    CQuarnPrinters printers;
    CQuarnPrinter first, second;
    first.m_strName = "A";
    second.m_strName = "B";
    auto* broken = Attach(first, new FakePort);
    broken->FailOpen(errPortUnavailable);
    auto* working = Attach(second, new FakePort);
    const CMapStringToOb selection = {{"A", &first}, {"B", &second}};
    printers.PrintTestPageQPL(selection);
    printers.PrintTestPageKPL(selection);
    EXPECT_EQ(working->Received(), CString("~WC") + "\nU\n");
    EXPECT_TRUE(ui.Texts().empty());
}

TEST(PrinterQueries, OdometerPrintoutsShowEachPrintersErrorAndGoOn)
{
    ScriptedUserInterface ui;
    CQuarnPrinters printers;
    CQuarnPrinter first, second;
    auto* broken = Attach(first, new FakePort);
    broken->FailOpen(errPortUnavailable);
    auto* working = Attach(second, new FakePort);
    const CMapStringToOb selection = {{"A", &first}, {"B", &second}};
    printers.PrintOdometers(selection, duInches);
    printers.PrintHeadHistory(selection, duMetric);
    EXPECT_EQ(working->Received(), CString("\nURLip\n") + "\nURHmp\n");
    EXPECT_EQ(ui.Texts(), (std::vector<CString>{"That port is unavailable.", "That port is unavailable."}));
}
