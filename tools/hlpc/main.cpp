// ortholux-hlpc: compiles the viewer's help source (UTF-8 text) into a WinHelp file, and
// optionally the same help as one HTML page for systems without a WinHelp engine.
//   ortholux-hlpc <source.txt> <output.hlp> [<output.html>]
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "HelpCompiler.h"
#include "HtmlPage.h"

namespace {

// Writes beside the target and renames, so a failed build never leaves half a file.
void WriteWhole(const std::string& path, const char* data, std::size_t size) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(data, static_cast<std::streamsize>(size));
        if (!out.flush()) throw std::runtime_error("cannot write " + temporary);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: ortholux-hlpc <source.txt> <output.hlp> [<output.html>]\n");
        return 2;
    }
    const std::string sourcePath = argv[1];
    std::ifstream in(sourcePath, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open\n", sourcePath.c_str());
        return 1;
    }
    std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        const hlpc::HelpProject project = hlpc::ParseHelpSource(source);
        const hlpc::Bytes help = hlpc::CompileHelp(project);
        // The page first: both files are whole once the help file is there.
        if (argc == 4) {
            const std::string page = hlpc::BuildHtmlPage(project);
            WriteWhole(argv[3], page.data(), page.size());
        }
        WriteWhole(argv[2], reinterpret_cast<const char*>(help.data()), help.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", sourcePath.c_str(), e.what());
        return 1;
    }
    return 0;
}
