// The word that names a port's kind in fleet lists, JSON and the download journal.
#pragma once

class CPortBase;

// network, serial, parallel or usb; empty for a record without a port.
const char* PortKindWord(const CPortBase* port);
