#include "BatchOptions.h"

#include <filesystem>
#include <system_error>

namespace {

bool IsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

bool IsExistingDrawing(const std::string& arg) {
    std::error_code ignored;
    return IsDrawingName(arg) && std::filesystem::is_regular_file(arg, ignored);
}

}  // namespace

bool IsDrawingName(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext == ".dwg";
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") return false;
        if (args[i] == "--help" || args[i] == "-h") return true;
        if (args[i] == "--output-dir") ++i;
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
        } else if (arg == "--output-dir" || arg.rfind("--output-dir=", 0) == 0) {
            const bool joined = arg.size() > 12;
            if (!joined && i + 1 == args.size()) {
                error = "--output-dir needs a folder";
                return std::nullopt;
            }
            options.outputDir = joined ? arg.substr(13) : args[++i];
            if (options.outputDir.empty()) {
                error = "--output-dir needs a folder";
                return std::nullopt;
            }
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (options.operands.empty()) {
        error = "no DRAWING or FOLDER given";
        return std::nullopt;
    }
    if (options.png && options.outputDir.empty()) {
        error = "--png needs --output-dir";
        return std::nullopt;
    }
    return options;
}
