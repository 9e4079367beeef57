// quarnctl: printer-settings documents, downloads, printer questions and detection from the
// command line.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>

#include "CException.h"
#include "CommandAction.h"
#include "CommandError.h"
#include "CommandNames.h"
#include "ConsoleUserInterface.h"
#include "DocumentCommandLine.h"
#include "HistoryCommand.h"
#include "JournalOption.h"
#include "NameHexArguments.h"
#include "OpenFileLimit.h"
#include "PrinterCommandLine.h"
#include "ProgramInfoOptions.h"
#include "QuarnctlInfo.h"
#include "VisibleText.h"

int main(int argc, char** argv)
{
    // A document of a thousand printers, or a search that finds them, needs more than the usual 1024.
    RaiseOpenFileLimit();
    CLI::App app{"Keeps printer-settings documents (.qps), downloads files to the label printers they list, and "
                 "asks and sets what those printers know.",
                 "quarnctl"};
    app.require_subcommand(1);
    app.footer(std::string(kNameHexHelp) + "\n\nExit status: " + kExitStatusText);
    AddProgramInfoOptions(app, QuarnctlInfo());
    AddJournalOption(app);

    ConsoleUserInterface ui;
    CommandAction chosen;
    AddDocumentCommands(app, chosen, ui);
    AddPrinterCommands(app, chosen, ui);
    AddHistoryCommand(app, chosen);
    AddHelpCommand(app, chosen, std::cout);

    if (const auto unknown = UnknownCommandText(app, argc, argv)) {
        std::cerr << "quarnctl: " << *unknown << '\n';
        return kExitUsage;
    }
    try {
        std::vector<std::string> words = ExpandNameHex(argc, argv);
        // The parser takes the words last first.
        std::reverse(words.begin(), words.end());
        app.parse(std::move(words));
    } catch (const CommandError& e) {
        std::cerr << "quarnctl: " << VisibleLines(e.what()) << '\n';
        return e.ExitStatus();
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    }

    try {
        return chosen();
    } catch (const CommandError& e) {
        std::cerr << "quarnctl: " << VisibleLines(e.what()) << '\n';
        return e.ExitStatus();
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        e->ReportError(0, 0);
        return kExitFailed;
    } catch (const std::exception& e) {
        std::cerr << "quarnctl: " << VisibleLines(e.what()) << '\n';
        return kExitFailed;
    }
}
