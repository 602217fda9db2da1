#pragma once
// Splits a raw command line (GetCommandLineA) into arguments the way the viewer reads them.
#include <string>
#include <string_view>
#include <vector>

// Arguments after the program's own path. Splits at runs of bytes 0x01-0x20; a double quote
// opens a stretch (to the next quote or the end) in which they do not split; quotes are
// dropped wherever they stand; empty quoted pairs where an argument would begin are skipped;
// no escapes; each argument is cut at 4096 bytes.
std::vector<std::string> CommandLineArguments(std::string_view commandLine);
