#pragma once
// From help source to a complete help file: |SYSTEM, |FONT, |TOPIC, |CONTEXT (context hash
// to topic position), |TTLBTREE (topic position to title) and the keyword index, in the
// internal file system.
#include <string_view>

#include "ByteWriter.h"
#include "HelpSource.h"

namespace hlpc {

Bytes CompileHelp(const HelpProject& project);

// Parses, checks and compiles; throws HelpSourceError for faults in the source.
Bytes CompileHelpSource(std::string_view utf8Source);

}  // namespace hlpc
