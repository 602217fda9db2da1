// Command-line splitting. Any line gives arguments that are not empty, hold no quote or zero
// byte and are at most 4096 bytes; and arguments that hold no quote, quoted and joined into a
// line, split back into themselves.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "text/CommandLine.h"

namespace {

constexpr std::size_t kMaxArgumentBytes = 4096;

void CheckArguments(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        FUZZ_CHECK(!argument.empty() && argument.size() <= kMaxArgumentBytes);
        FUZZ_CHECK(argument.find_first_of(std::string_view("\"\0", 2)) == std::string::npos);
    }
}

// The input cut at zero bytes, keeping the pieces that can be passed as arguments at all.
std::vector<std::string> PassableArguments(std::string_view input) {
    std::vector<std::string> arguments;
    std::size_t pos = 0;
    while (pos <= input.size()) {
        std::size_t end = input.find('\0', pos);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view piece = input.substr(pos, end - pos);
        if (!piece.empty() && piece.size() <= kMaxArgumentBytes &&
            piece.find('"') == std::string_view::npos) {
            arguments.emplace_back(piece);
        }
        pos = end + 1;
    }
    return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> split = CommandLineArguments(input);
    CheckArguments(split);

    const std::vector<std::string> arguments = PassableArguments(input);
    std::string line = "\"C:\\Program Files\\Ortholux\\Ortholux.exe\"";
    for (const std::string& argument : arguments) line += " \"" + argument + "\"";
    FUZZ_CHECK(CommandLineArguments(line) == arguments);

    // What splitting gave, quoted again, splits into the same arguments.
    std::string again = "Ortholux.exe";
    for (const std::string& argument : split) again += "\t\"" + argument + "\"";
    FUZZ_CHECK(CommandLineArguments(again) == split);
    return 0;
}
