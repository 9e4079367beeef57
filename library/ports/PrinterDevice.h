// Opening and releasing the device of a serial, parallel or USB printer.
#pragma once

#include "CString.h"

// Opens path (links followed) with flags plus O_NOCTTY and O_CLOEXEC and returns the
// descriptor. Anything but a character device is refused with code 7 naming the path, so
// that a document cannot make a port write into a file. The device is taken exclusively:
// an advisory lock for every program that asks, and for terminals also the exclusive mode
// that keeps out other users' opens (root passes it, hence the lock as well).
int OpenPrinterDevice(const CString& path, int flags);

// Gives up a descriptor from OpenPrinterDevice; a terminal's exclusive mode can outlive the
// descriptor, so it is lifted first, lest the next user of the port be refused.
void ClosePrinterDevice(int fd);
