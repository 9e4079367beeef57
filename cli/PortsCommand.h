// quarnctl ports: the serial and parallel ports of this machine.
#pragma once

#include <ostream>

// One line per port, kind then name (serial ports first), or a JSON array.
void ListPorts(bool json, std::ostream& out);
