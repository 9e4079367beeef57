#include "StringTable.h"

#include <unordered_map>

const char* const kNoErrorMessageText = "No error message is available.";
const char* const kOutOfMemoryText = "Out of memory.";

namespace {

const std::unordered_map<unsigned, const char*>& Table()
{
    static const std::unordered_map<unsigned, const char*> table = {
        {IDS_KIND_SERIAL, "Serial"},
        {IDS_KIND_PARALLEL, "Parallel"},
        {IDS_KIND_USB, "USB"},
        {IDS_KIND_NETWORK, "Network"},
        {IDS_ERR_BAUD_RATE, "Invalid Baud Rate setting."},
        {IDS_ERR_DATA_BITS, "Invalid Data bits setting."},
        {IDS_ERR_PARITY, "Invalid Parity setting."},
        {IDS_ERR_STOP_BITS, "Invalid Stop bits setting."},
        {IDS_ERR_FLOW_CONTROL, "Invalid Flow control setting."},
        {IDS_ERR_CONFIGURATION, "There is an error in this printer's configuration."},
        {IDS_ERR_PORT_UNAVAILABLE, "That port is unavailable."},
        {IDS_ERR_THREAD_CREATE, "Could not create Printer thread."},
        {IDS_ERR_CANCELLED, "The user cancelled that operation."},
        {IDS_ERR_INVALID_PARAMETER, "Invalid Parameter."},
        {IDS_ERR_NOT_BIDIRECTIONAL, "Bi-directional communcations is not support with this printer."},
        {IDS_NOT_AVAILABLE, "N/A"},
        {IDS_DEFAULT_PRINTER_NAME, "Printer#"},
        {IDS_NAME_IN_USE, "That printer name has already been used.  Please choose another name."},
        {IDS_PORT_IN_USE, "That printer port has already been used.  Please choose another port."},
        {IDS_SELECT_PORT, "Please select a port."},
        {IDS_RESET_HEAD_ODOMETER, "Are you sure you want to Reset the Head Odometer?"},
        {IDS_ERR_TIMEOUT,
         "The operation timed out.  Check the following: \n"
         "1)  Make sure the printer is connected. \n"
         "2)  Make sure the printer is turned on. \n"
         "3)  Make sure the printer settings are configured correctly."},
    };
    return table;
}

}  // namespace

CString LoadStringResource(unsigned id, bool* found)
{
    const auto& table = Table();
    auto it = table.find(id);
    if (found) *found = it != table.end();
    return it == table.end() ? CString() : CString(it->second);
}
