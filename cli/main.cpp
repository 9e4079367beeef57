// quarnctl: printer-settings documents, downloads and the download ceiling from the command line.
#include <CLI/CLI.hpp>
#include <iostream>

#include "CException.h"
#include "CQuarnPrinters.h"
#include "CommandError.h"
#include "ConsoleUserInterface.h"
#include "DownloadCommand.h"
#include "EditCommands.h"
#include "ListCommand.h"

namespace {

constexpr int kMinDownloads = 1;
constexpr int kMaxDownloads = 99;  // the range the downloader's Options dialog offers

int ShowOrStoreCeiling(const std::optional<int>& value)
{
    CQuarnPrinters printers;
    if (!value) {
        std::cout << printers.MaxSimultaneousDownloads() << '\n';
        return kExitOk;
    }
    if (*value < kMinDownloads || *value > kMaxDownloads) {
        throw CommandError("The number of simultaneous downloads must be between " + std::to_string(kMinDownloads) +
                           " and " + std::to_string(kMaxDownloads) + "; " + std::to_string(*value) +
                           " was given.");
    }
    printers.MaxSimultaneousDownloads(*value);
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Keeps printer-settings documents (.qps) and downloads files to the label printers they list."};
    app.require_subcommand(1);
    app.footer("Exit status: 0 success; 1 a download failed or was cancelled, or another program holds the "
               "printers; 2 wrong arguments or an unusable document.");

    std::string file;
    std::vector<std::string> names;
    bool json = false;

    CLI::App* list = app.add_subcommand("list", "Show the printers of FILE: name, model, port and download file.");
    list->add_option("FILE", file, "Printer-settings document")->required();
    list->add_flag("--json", json, "Write a JSON array with every setting of each printer");

    NetworkPrinterRequest request;
    std::string name;
    CLI::App* add = app.add_subcommand("add", "Add a network printer to FILE (created when missing); prints its name.");
    add->add_option("FILE", file, "Printer-settings document")->required();
    add->add_option("--network", request.address, "IPv4 address of the printer")->required();
    add->add_option("--tcp-port", request.tcpPort, "TCP port of the printer")
        ->check(CLI::Range(1, 65535))
        ->capture_default_str();
    CLI::Option* nameOption = add->add_option("--name", name, "Printer name (default: the next Printer#N)");
    add->add_option("--model", request.model, "Model text");
    bool noCalibrate = false;
    add->add_flag("--no-calibrate", noCalibrate, "Do not calibrate the printer after a download");

    CLI::App* remove = app.add_subcommand("remove", "Remove printers from FILE.");
    remove->add_option("FILE", file, "Printer-settings document")->required();
    remove->add_option("NAME", names, "Printer names")->required();

    std::string downloadFile;
    CLI::App* setFile = app.add_subcommand("set-file", "Choose the file to download to printers of FILE.");
    setFile->add_option("FILE", file, "Printer-settings document")->required();
    setFile->add_option("PATH", downloadFile, "File to download; an empty text clears the choice")->required();
    setFile->add_option("NAME", names, "Printer names (default: every printer)");

    CLI::App* download = app.add_subcommand(
        "download", "Download each printer's file and print one result line per printer: NAME, then ok and "
                    "the byte count, failed and the message, or cancelled. Ctrl-C cancels.");
    download->add_option("FILE", file, "Printer-settings document")->required();
    download->add_option("NAME", names, "Printer names (default: every printer that has a download file)");

    std::optional<int> ceiling;
    CLI::App* maxDownloads =
        app.add_subcommand("max-downloads", "Show, or store, how many downloads may run at the same time.");
    maxDownloads->add_option("N", ceiling, "New ceiling, 1 to 99");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    }

    ConsoleUserInterface ui;
    try {
        if (list->parsed()) {
            ListPrinters(file, json, std::cout);
        } else if (add->parsed()) {
            if (*nameOption) request.name = name;
            request.calibrate = !noCalibrate;
            AddNetworkPrinter(file, request, std::cout);
        } else if (remove->parsed()) {
            RemovePrinters(file, names);
        } else if (setFile->parsed()) {
            SetDownloadFile(file, downloadFile, names);
        } else if (download->parsed()) {
            return DownloadToPrinters(file, names, ui, std::cout);
        } else if (maxDownloads->parsed()) {
            return ShowOrStoreCeiling(ceiling);
        }
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
    return kExitOk;
}
