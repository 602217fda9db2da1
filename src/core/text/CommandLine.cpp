#include "text/CommandLine.h"

#include <cstddef>

namespace {

constexpr std::size_t kMaxArgumentBytes = 4096;

// A NUL ends the command line as it ends the platform's zero-terminated string.
bool IsSpace(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x01 && byte <= 0x20;
}

// Reads the argument starting at `pos` (after separators and empty quoted pairs); returns
// false when the line has no more arguments.
bool NextArgument(std::string_view line, std::size_t& pos, std::string& argument) {
    for (;;) {
        while (pos < line.size() && IsSpace(line[pos])) ++pos;
        if (pos + 1 < line.size() && line[pos] == '"' && line[pos + 1] == '"') {
            pos += 2;
            continue;
        }
        break;
    }
    if (pos >= line.size() || line[pos] == '\0') return false;

    argument.clear();
    bool quoted = false;
    for (; pos < line.size() && line[pos] != '\0'; ++pos) {
        const char c = line[pos];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && IsSpace(c)) break;
        if (argument.size() < kMaxArgumentBytes) argument += c;
    }
    return !argument.empty();  // a lone quote at the very end gives nothing
}

}  // namespace

std::vector<std::string> CommandLineArguments(std::string_view commandLine) {
    std::vector<std::string> arguments;
    std::size_t pos = 0;
    std::string argument;
    if (!NextArgument(commandLine, pos, argument)) return arguments;  // the program's path
    while (NextArgument(commandLine, pos, argument)) arguments.push_back(argument);
    return arguments;
}
