#include "PrinterCommandLine.h"

#include <iostream>
#include <memory>

#include "CQuarnPrinters.h"
#include "CommandError.h"
#include "ConsoleUserInterface.h"
#include "DetectCommand.h"
#include "DropDuplicatesFlag.h"
#include "PrintCommands.h"
#include "QueryCommand.h"
#include "SettingCommands.h"

namespace {

struct Options {
    std::string file;
    std::string name;
    std::vector<std::string> names;
    std::string text;
    bool metric = false;
    bool qpl = false;
    bool kpl = false;
    bool yes = false;
    bool noUsb = false;
    bool noNetwork = false;
    bool dropDuplicates = false;
};

EDisplayUnits UnitsOf(const Options& o) { return o.metric ? duMetric : duInches; }

void AddPrintoutCommand(CLI::App& app, CommandAction& chosen, ConsoleUserInterface& ui,
                        const std::shared_ptr<Options>& o, const char* name, const char* description,
                        Printout printout)
{
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("FILE", o->file, "Printer-settings document")->required();
    command->add_flag("--metric", o->metric, "Metric units instead of inches");
    command->add_option("NAME", o->names, "Printer names")->required();
    OnParsed(command, chosen,
             [o, &ui, printout] { return PrintOnPrinters(o->file, printout, UnitsOf(*o), o->names, ui); });
}

}  // namespace

void AddPrinterCommands(CLI::App& app, CommandAction& chosen, ConsoleUserInterface& ui)
{
    auto o = std::make_shared<Options>();

    CLI::App* testPage = app.add_subcommand(
        "test-page", "Send a test page command to the named printers, one after the other. Test pages report no "
                     "errors: a printer that cannot be reached is skipped without a message, so exit status 0 "
                     "says only that every printer was tried.");
    testPage->add_option("FILE", o->file, "Printer-settings document")->required();
    CLI::Option_group* language = testPage->add_option_group("language", "The printer language: exactly one of");
    language->add_flag("--qpl", o->qpl, "QPL test page");
    language->add_flag("--kpl", o->kpl, "KPL test page");
    language->require_option(1);
    testPage->add_option("NAME", o->names, "Printer names")->required();
    OnParsed(testPage, chosen, [o, &ui] {
        return PrintOnPrinters(o->file, o->qpl ? Printout::TestPageQPL : Printout::TestPageKPL, duInches, o->names,
                               ui);
    });

    static const std::map<std::string, Question> kQuestions = {{"serial-number", Question::SerialNumber},
                                                               {"odometers", Question::Odometers},
                                                               {"head-history", Question::HeadHistory}};
    CLI::App* query = app.add_subcommand(
        "query", "Ask a printer for its serial number, its two odometer values (-1 when one is not known) or its "
                 "head history. Printers that cannot answer (parallel and network) give N/A; a printer that says "
                 "nothing, or whose odometer answer lacks a number, ends with exit status 1 (the answer is shown "
                 "as it came, never read as 0).");
    query->add_option("FILE", o->file, "Printer-settings document")->required();
    query->add_option("NAME", o->name, "Printer name")->required();
    query->add_option("WHAT", o->text, "serial-number, odometers or head-history")
        ->required()
        ->check(CLI::IsMember(kQuestions));
    query->add_flag("--metric", o->metric, "Metric units instead of inches");
    OnParsed(query, chosen,
             [o] { return AskPrinter(o->file, o->name, kQuestions.at(o->text), UnitsOf(*o), std::cout); });

    CLI::App* setSerial = app.add_subcommand(
        "set-serial", "Set a printer's serial number. A backslash or double quote counts twice; more than 64 "
                      "characters are refused before anything is sent.");
    setSerial->add_option("FILE", o->file, "Printer-settings document")->required();
    setSerial->add_option("NAME", o->name, "Printer name")->required();
    setSerial->add_option("TEXT", o->text, "New serial number")->required();
    OnParsed(setSerial, chosen, [o] {
        SetSerialNumber(o->file, o->name, o->text);
        return int{kExitOk};
    });

    CLI::App* reset = app.add_subcommand(
        "reset-head-odometer", "Reset a printer's head odometer, after a confirmation: asked on a terminal, "
                               "or given with --yes. Without either nothing is sent and the exit status is 1.");
    reset->add_option("FILE", o->file, "Printer-settings document")->required();
    reset->add_option("NAME", o->name, "Printer name")->required();
    reset->add_flag("--yes", o->yes, "Confirm without being asked");
    OnParsed(reset, chosen, [o, &ui] {
        if (o->yes) ui.AnswerYes();
        ResetHeadOdometer(o->file, o->name, ui);
        return int{kExitOk};
    });

    AddPrintoutCommand(app, chosen, ui, o, "print-odometers",
                       "The named printers print their odometers, one after the other; a printer's error is "
                       "shown and the next one follows.",
                       Printout::Odometers);
    AddPrintoutCommand(app, chosen, ui, o, "print-head-history",
                       "The named printers print their head history, one after the other; a printer's error is "
                       "shown and the next one follows.",
                       Printout::HeadHistory);

    CLI::App* detect = app.add_subcommand(
        "detect", "Add the printers found on USB and, with a 10 s network search, on the network to FILE "
                  "(created when missing). Prints one line per change: added, name and port; or renamed OLD to "
                  "NEW at PORT. A printer already in FILE is recognised by its port. Ctrl-C cancels the search: no "
                  "network printer is added, the USB printers found are kept.");
    detect->add_option("FILE", o->file, "Printer-settings document")->required();
    CLI::Option* noUsb = detect->add_flag("--no-usb", o->noUsb, "Do not look for USB printers");
    detect->add_flag("--no-network", o->noNetwork, "Do not search the network")->excludes(noUsb);
    AddDropDuplicatesFlag(detect, o->dropDuplicates);
    OnParsed(detect, chosen, [o] {
        return DetectPrinters(o->file, (o->noUsb ? 0u : dsUSB) | (o->noNetwork ? 0u : dsNetwork), o->dropDuplicates,
                              std::cout);
    });
}
