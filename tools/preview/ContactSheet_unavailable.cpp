// Builds without libpng: --contact-sheet is refused as wrong usage before any drawing is read.
#include <stdexcept>

#include "ContactSheet.h"

int RunContactSheet(const BatchOptions&, std::FILE*) {
    throw std::logic_error("this build cannot write PNG files");
}
