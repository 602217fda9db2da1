#pragma once
// --contact-sheet OUTDIR: every drawing's thumbnail as OUTDIR/thumb-NNNNNN.png (the
// thumbnailer's pixels at SIZE) and OUTDIR/index.html showing them all, in natural order with
// each folder's subfolders as sections.
#include <cstdio>

#include "BatchOptions.h"

// Exit status and summary as the batch form's: 0 every drawing Ready, 3 some had nothing to
// show, 1 any failed or the page could not be written. Needs a build with PNG output.
int RunContactSheet(const BatchOptions& options, std::FILE* err);
