// quarnctl: printer-settings documents, downloads, printer questions and detection from the
// command line.
#include <CLI/CLI.hpp>
#include <iostream>

#include "CException.h"
#include "CommandAction.h"
#include "CommandError.h"
#include "CommandNames.h"
#include "ConsoleUserInterface.h"
#include "DocumentCommandLine.h"
#include "OpenFileLimit.h"
#include "PrinterCommandLine.h"
#include "ProgramInfoOptions.h"
#include "QuarnctlInfo.h"

int main(int argc, char** argv)
{
    // A document of a thousand printers, or a search that finds them, needs more than the usual 1024.
    RaiseOpenFileLimit();
    CLI::App app{"Keeps printer-settings documents (.qps), downloads files to the label printers they list, and "
                 "asks and sets what those printers know.",
                 "quarnctl"};
    app.require_subcommand(1);
    app.footer("Exit status: " + std::string(kExitStatusText));
    AddProgramInfoOptions(app, QuarnctlInfo());

    ConsoleUserInterface ui;
    CommandAction chosen;
    AddDocumentCommands(app, chosen, ui);
    AddPrinterCommands(app, chosen, ui);
    AddHelpCommand(app, chosen, std::cout);

    if (const auto unknown = UnknownCommandText(app, argc, argv)) {
        std::cerr << "quarnctl: " << *unknown << '\n';
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    }

    try {
        return chosen();
    } catch (const CommandError& e) {
        std::cerr << "quarnctl: " << e.what() << '\n';
        return e.ExitStatus();
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        e->ReportError(0, 0);
        return kExitFailed;
    } catch (const std::exception& e) {
        std::cerr << "quarnctl: " << e.what() << '\n';
        return kExitFailed;
    }
}
