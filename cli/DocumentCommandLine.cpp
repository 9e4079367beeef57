#include "DocumentCommandLine.h"

#include <iostream>
#include <memory>
#include <optional>

#include "AddCommand.h"
#include "CPortBase.h"
#include "CQuarnPrinters.h"
#include "CommandError.h"
#include "CSettingsMachine.h"
#include "DownloadCommand.h"
#include "DropDuplicatesFlag.h"
#include "EditCommands.h"
#include "FleetListCommands.h"
#include "ListCommand.h"
#include "NetworkAddress.h"
#include "PortFactory.h"
#include "PortsCommand.h"

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

void AddAddCommand(CLI::App& app, CommandAction& chosen)
{
    struct Options {
        std::string file;
        std::string network, serial, parallel, usb;
        int tcpPort = 9100;
        SerialLine line;
        std::string name;
        NewPrinter printer;
        bool noCalibrate = false;
        bool dropDuplicates = false;
    };
    auto o = std::make_shared<Options>();
    CLI::App* add = app.add_subcommand(
        "add", "Add a printer to FILE (created when missing); prints its name. A serial, parallel or USB port that "
               "this machine does not list is added with a warning.");
    add->add_option("FILE", o->file, "Printer-settings document")->required();

    CLI::Option_group* kinds = add->add_option_group("port", "Where the printer is attached: exactly one of");
    CLI::Option* network = kinds->add_option(
        "--network", o->network,
        "Network printer: its IPv4 address or a host name (stored as the address it resolves to), optionally "
        "followed by :PORT");
    CLI::Option* serial =
        kinds->add_option("--serial", o->serial, "Serial port: its name (ttyS0, ttyUSB0) or device path (/dev/pts/5)");
    CLI::Option* parallel = kinds->add_option("--parallel", o->parallel, "Parallel port: its name (lp0)");
    kinds->add_option("--usb", o->usb, "USB printer: its device path (/dev/usb/lp0)");
    kinds->require_option(1);

    CLI::Option* tcpPort = add->add_option("--tcp-port", o->tcpPort, "TCP port of a network printer")
        ->check(CLI::Range(1, 65535))
        ->capture_default_str()
        ->needs(network);
    add->add_option("--baud", o->line.baud, "Serial baud rate")->capture_default_str()->needs(serial);
    add->add_option("--data-bits", o->line.dataBits, "Serial data bits: 7 or 8")->capture_default_str()->needs(serial);
    add->add_option("--parity", o->line.parity, "Serial parity: none, odd or even")->capture_default_str()->needs(serial);
    add->add_option("--stop-bits", o->line.stopBits, "Serial stop bits: 1 or 2")->capture_default_str()->needs(serial);
    add->add_option("--flow", o->line.flow, "Serial flow control: xonxoff or hardware")
        ->capture_default_str()
        ->needs(serial);
    CLI::Option* nameOption = add->add_option("--name", o->name, "Printer name (default: the next Printer#N)");
    add->add_option("--model", o->printer.model, "Model text");
    add->add_flag("--no-calibrate", o->noCalibrate, "Do not calibrate the printer after a download");
    AddDropDuplicatesFlag(add, o->dropDuplicates);

    OnParsed(add, chosen, [o, network, tcpPort, serial, parallel, nameOption] {
        if (*network) {
            const NetworkAddress target = ParseNetworkAddress(o->network);
            if (target.tcpPort && *tcpPort && *target.tcpPort != o->tcpPort)
                throw CommandError("--network " + o->network + " and --tcp-port " + std::to_string(o->tcpPort) +
                                   " name two TCP ports; give one.");
            if (target.resolved)
                std::cerr << "quarnctl: " << o->network << " resolves to " << target.address
                          << "; the document keeps that address.\n";
            o->network = target.address;
            if (target.tcpPort) o->tcpPort = *target.tcpPort;
        }
        std::unique_ptr<CPortBase> port = *network  ? MakeNetworkPort(o->network, o->tcpPort)
                                           : *serial   ? MakeSerialPort(o->serial, o->line, std::cerr)
                                           : *parallel ? MakeParallelPort(o->parallel, std::cerr)
                                                       : MakeUSBPort(o->usb, std::cerr);
        if (*nameOption) o->printer.name = o->name;
        o->printer.calibrate = !o->noCalibrate;
        AddPrinter(o->file, o->printer, std::move(port), o->dropDuplicates, std::cout);
        return int{kExitOk};
    });
}

void AddFleetListCommands(CLI::App& app, CommandAction& chosen)
{
    struct Options {
        std::string file, csv, output;
        bool dryRun = false;
        bool dropDuplicates = false;
    };
    auto o = std::make_shared<Options>();
    CLI::App* import = app.add_subcommand(
        "import", "Add the printers of a CSV fleet list to FILE (created when missing), all or none: a bad row "
                  "refuses the whole list and every bad line is named. Prints the names added.");
    import->add_option("FILE", o->file, "Printer-settings document")->required();
    import->add_option("CSV", o->csv, "Fleet list: a header row naming its columns (name, kind, port, tcp_port, "
                                      "model, download_file, calibrate, baud, data_bits, parity, stop_bits, flow), "
                                      "then one printer per row")
        ->required();
    import->add_flag("--dry-run", o->dryRun, "Check the list and say what would be added, without saving");
    AddDropDuplicatesFlag(import, o->dropDuplicates);
    OnParsed(import, chosen, [o] {
        ImportPrinters(o->file, o->csv, o->dryRun, o->dropDuplicates, std::cout);
        return int{kExitOk};
    });

    CLI::App* exportCommand =
        app.add_subcommand("export", "Write the printers of FILE as a CSV fleet list that import reads back.");
    exportCommand->add_option("FILE", o->file, "Printer-settings document")->required();
    exportCommand->add_option("--output,-o", o->output, "CSV file to write (default: standard output)");
    OnParsed(exportCommand, chosen, [o] {
        ExportPrinters(o->file, o->output, std::cout);
        return int{kExitOk};
    });
}

}  // namespace

void AddDocumentCommands(CLI::App& app, CommandAction& chosen, ConsoleUserInterface& ui)
{
    struct Options {
        std::string file;
        std::vector<std::string> names;
        bool json = false;
        bool failedOnly = false;
        bool skipCurrent = false;
        std::string downloadFile;
        std::optional<int> ceiling;
        bool dropDuplicates = false;
        int stallTimeout = 0;
    };
    auto o = std::make_shared<Options>();

    CLI::App* list = app.add_subcommand("list", "Show the printers of FILE: name, model, port and download file.");
    list->add_option("FILE", o->file, "Printer-settings document")->required();
    list->add_flag("--json", o->json, "Write a JSON array with every setting of each printer");
    OnParsed(list, chosen, [o] {
        ListPrinters(o->file, o->json, std::cout);
        return int{kExitOk};
    });

    AddAddCommand(app, chosen);
    AddFleetListCommands(app, chosen);

    CLI::App* remove = app.add_subcommand("remove", "Remove printers from FILE.");
    remove->add_option("FILE", o->file, "Printer-settings document")->required();
    remove->add_option("NAME", o->names, "Printer names")->required();
    AddDropDuplicatesFlag(remove, o->dropDuplicates);
    OnParsed(remove, chosen, [o] {
        RemovePrinters(o->file, o->names, o->dropDuplicates);
        return int{kExitOk};
    });

    CLI::App* setFile = app.add_subcommand("set-file", "Choose the file to download to printers of FILE.");
    setFile->add_option("FILE", o->file, "Printer-settings document")->required();
    setFile->add_option("PATH", o->downloadFile, "File to download; an empty text clears the choice")->required();
    setFile->add_option("NAME", o->names, "Printer names (default: every printer)");
    AddDropDuplicatesFlag(setFile, o->dropDuplicates);
    OnParsed(setFile, chosen, [o] {
        SetDownloadFile(o->file, o->downloadFile, o->names, o->dropDuplicates);
        return int{kExitOk};
    });

    CLI::App* download = app.add_subcommand(
        "download", "Download each printer's file and print one result line per printer: NAME, then ok and "
                    "the byte count (and \"delivered, not confirmed by the printer's close\" when a network "
                    "printer kept its connection open instead of closing it), failed and the message, or "
                    "cancelled. Progress, errors and a summary line go to stderr; every outcome is appended to "
                    "the download journal. Ctrl-C cancels.");
    download->add_option("FILE", o->file, "Printer-settings document")->required();
    download->add_option("NAME", o->names, "Printer names (default: every printer that has a download file)");
    download
        ->add_option("--stall-timeout", o->stallTimeout,
                     "Seconds a printer may take no byte before its download fails, for this run (default: "
                     "the stored StallTimeout, else 120)")
        ->check(CLI::Range(CSettingsMachine::kLeastStallTimeout, CSettingsMachine::kMostStallTimeout));
    download->add_flag("--json", o->json,
                       "Write one JSON array instead of the result lines: per printer its name, model, port_kind, "
                       "port, file, file_size, sha256 (null unless the whole file went out), bytes_taken, result "
                       "(ok, failed or cancelled), confirmed, code, text, detail, calibration (none, done, skipped "
                       "or failed), calibration_message, started, ended (ISO 8601, UTC) and duration_s");
    download->add_flag("--failed", o->failedOnly,
                       "Only the printers whose last outcome for this document in the download journal failed or "
                       "was cancelled");
    download->add_flag("--skip-current", o->skipCurrent,
                       "Skip (saying so on stderr) the printers whose last outcome for this document in the "
                       "download journal is ok with a file of the same SHA-256 as the one they would get");
    OnParsed(download, chosen, [o, &ui] {
        const DownloadRequest request{o->file, o->names, o->stallTimeout, o->json, o->failedOnly, o->skipCurrent};
        return DownloadToPrinters(request, ui, std::cout);
    });

    CLI::App* maxDownloads =
        app.add_subcommand("max-downloads", "Show, or store, how many downloads may run at the same time.");
    maxDownloads->add_option("N", o->ceiling, "New ceiling, 1 to 99");
    OnParsed(maxDownloads, chosen, [o] { return ShowOrStoreCeiling(o->ceiling); });

    CLI::App* ports = app.add_subcommand(
        "ports", "Show the serial and parallel ports of this machine, one per line: kind, then name.");
    ports->add_flag("--json", o->json, "Write a JSON array of {kind, name}");
    OnParsed(ports, chosen, [o] {
        ListPorts(o->json, std::cout);
        return int{kExitOk};
    });
}
