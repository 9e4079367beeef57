// quarnctl set-serial and reset-head-odometer: settings sent straight to one printer.
#pragma once

#include <string>

class ConsoleUserInterface;

// A serial number too long for the printer's command is refused before anything is sent.
void SetSerialNumber(const std::string& documentPath, const std::string& name, const std::string& serial);
// The library asks first, through ui; a question not answered Yes sends nothing and
// raises a CommandError (exit status 1) that says why.
void ResetHeadOdometer(const std::string& documentPath, const std::string& name, ConsoleUserInterface& ui);
