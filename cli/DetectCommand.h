// quarnctl detect: printers found on USB and on the network merged into a document.
#pragma once

#include <ostream>
#include <string>

// Runs the library's auto-detection on the sources (EDetectSources bits) and prints one line
// per change: "added", name, port (tab-separated); or "renamed OLD to NEW at PORT". Saves the document
// (created when missing) when it changed.
// dropDuplicates: save even when the document's repeated names dropped printers at load.
// The exit status: kExitFailed when the network search could not run (what USB gave is kept).
int DetectPrinters(const std::string& documentPath, unsigned sources, bool dropDuplicates, std::ostream& out);
