// quarnctl detect: printers found on USB and on the network merged into a document.
#pragma once

#include <ostream>
#include <string>

// Runs the library's auto-detection on the sources (EDetectSources bits) and prints one line
// per change: "added", name, port; or "renamed", old name, new name. Saves the document
// (created when missing) when it changed.
void DetectPrinters(const std::string& documentPath, unsigned sources, std::ostream& out);
