// The option of every command that saves a document, for documents that repeat a name.
#pragma once

#include <CLI/CLI.hpp>

inline void AddDropDuplicatesFlag(CLI::App* command, bool& value)
{
    command->add_flag("--drop-duplicates", value,
                      "Save FILE even when it repeats a printer name: of the records with one name only the last "
                      "is kept, the others are dropped");
}
