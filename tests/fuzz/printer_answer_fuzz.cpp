// Printer answers are outside bytes: odometer and serial-number parsing must hold for any.
#include <cstddef>
#include <cstdint>

#include "PrinterCommands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const CString answer(reinterpret_cast<const char*>(data), size);
    int first = 0, second = 0;
    PrinterCommands::ParseOdometers(answer, first, second);
    const CString line = PrinterCommands::FirstLine(answer);
    if (line.size() > answer.size()) __builtin_trap();
    const auto command = PrinterCommands::SetSerialNumberCommand(answer);
    if (command && command->size() > PrinterCommands::kSetSerialCommandMax) __builtin_trap();
    return 0;
}
