// ortholux-hlpc: compiles the viewer's help source (UTF-8 text) into a WinHelp file.
//   ortholux-hlpc <source.txt> <output.hlp>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "HelpCompiler.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: ortholux-hlpc <source.txt> <output.hlp>\n");
        return 2;
    }
    const std::string sourcePath = argv[1];
    const std::string outputPath = argv[2];
    std::ifstream in(sourcePath, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open\n", sourcePath.c_str());
        return 1;
    }
    std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        hlpc::Bytes help = hlpc::CompileHelpSource(source);
        // Write beside the target and rename, so a failed build never leaves half a file.
        const std::string temporary = outputPath + ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(help.data()),
                      static_cast<std::streamsize>(help.size()));
            if (!out.flush()) throw std::runtime_error("cannot write " + temporary);
        }
        if (std::rename(temporary.c_str(), outputPath.c_str()) != 0) {
            std::remove(temporary.c_str());
            throw std::runtime_error("cannot write " + outputPath);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", sourcePath.c_str(), e.what());
        return 1;
    }
    return 0;
}
