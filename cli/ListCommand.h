// quarnctl list: the printers of a document, as text lines or as JSON.
#pragma once

#include <ostream>
#include <string>

void ListPrinters(const std::string& documentPath, bool json, std::ostream& out);
