#pragma once
// The batch form: one line per drawing on standard output, "PATH<TAB>" (PathForTerminal) and
// then the line the single-file form prints, or "Error MESSAGE" for a drawing that could not be read or whose
// image could not be written; a summary on standard error.
#include <cstdio>
#include <string>

#include "BatchOptions.h"

// Exit status: 0 every drawing Ready, 3 some had nothing to show, 1 any failed or `out`
// could not be written. Images go to --output-dir whole or not at all.
int RunBatch(const BatchOptions& options, std::FILE* out, std::FILE* err);
