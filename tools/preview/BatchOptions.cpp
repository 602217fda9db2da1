#include "BatchOptions.h"

#include <filesystem>
#include <system_error>

namespace {

bool IsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

constexpr int kLargestSize = 4096;  // as the thumbnailer's

bool TakesValue(const std::string& arg) {
    return arg == "--output-dir" || arg == "--contact-sheet" || arg == "-s" || arg == "--size";
}

// The value of an option given as "--name VALUE" or "--name=VALUE"; false for another option.
bool OptionValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                 std::string& value, std::string& error) {
    const std::string& arg = args[i];
    if (arg.rfind(name + "=", 0) == 0) {
        value = arg.substr(name.size() + 1);
    } else if (arg != name) {
        return false;
    } else if (i + 1 < args.size()) {
        value = args[++i];
    } else {
        value.clear();
    }
    if (value.empty()) error = name + " needs a folder";
    return true;
}

bool ParseSize(const std::string& text, int& size) {
    if (text.empty()) return false;
    long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > kLargestSize) return false;
    }
    size = static_cast<int>(value);
    return size > 0;
}

bool IsExistingDrawing(const std::string& arg) {
    std::error_code ignored;
    return IsDrawingName(arg) && std::filesystem::is_regular_file(arg, ignored);
}

}  // namespace

bool IsDrawingName(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext == ".dwg" || ext == ".dxf";
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") return false;
        if (args[i] == "--help" || args[i] == "-h") return true;
        if (TakesValue(args[i])) ++i;
    }
    return false;
}

bool WantsBatch(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (IsOption(arg)) return true;
    }
    if (args.size() > 2) return true;
    std::error_code ignored;
    if (!args.empty() && std::filesystem::is_directory(args[0], ignored)) return true;
    // "DRAWING OUTPUT" with a drawing as OUTPUT would overwrite it with an image: a shell
    // pattern such as *.dwg that matched two files means both drawings.
    return args.size() == 2 && IsExistingDrawing(args[1]);
}

std::optional<BatchOptions> ParseBatchOptions(const std::vector<std::string>& args,
                                              std::string& error) {
    BatchOptions options;
    bool operandsOnly = false;
    bool sizeGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (operandsOnly || !IsOption(arg)) {
            if (arg.empty()) {
                error = "an empty DRAWING argument";
                return std::nullopt;
            }
            options.operands.push_back(arg);
        } else if (arg == "--") {
            operandsOnly = true;
        } else if (arg == "-r" || arg == "--recursive") {
            options.recursive = true;
        } else if (arg == "--png") {
            options.png = true;
        } else if (OptionValue(args, i, "--output-dir", options.outputDir, error) ||
                   OptionValue(args, i, "--contact-sheet", options.contactSheet, error)) {
            if (!error.empty()) return std::nullopt;
        } else if (arg == "-s" || arg == "--size" || arg.rfind("--size=", 0) == 0) {
            const bool joined = arg != "-s" && arg != "--size";  // "--size=N"
            const std::string value = joined                ? arg.substr(7)
                                      : i + 1 < args.size() ? args[++i]
                                                            : std::string();
            if (!ParseSize(value, options.size)) {
                error = (joined ? std::string("--size") : arg) + " needs a size from 1 to 4096";
                return std::nullopt;
            }
            sizeGiven = true;
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (options.operands.empty()) {
        error = "no DRAWING or FOLDER given";
        return std::nullopt;
    }
    if (!options.contactSheet.empty() && !options.outputDir.empty()) {
        error = "--contact-sheet and --output-dir cannot go together";
        return std::nullopt;
    }
    if (sizeGiven && options.contactSheet.empty()) {
        error = "-s needs --contact-sheet";
        return std::nullopt;
    }
    if (options.png && options.outputDir.empty()) {
        error = "--png needs --output-dir";
        return std::nullopt;
    }
    return options;
}
