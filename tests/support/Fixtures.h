#pragma once
// The real drawings kept beside the repository, with what a correct viewer makes of them.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct FixtureExpectation {
    std::string file, outcome, releaseCode, thumbnailSize, imageKind, imageBytes, imageSha256,
        statusPanel1, outerWindowSize;
};

inline std::filesystem::path FixturesDir() { return ORTHOLUX_FIXTURES_DIR; }
#ifdef ORTHOLUX_DXF_FIXTURES_DIR
inline std::filesystem::path DxfFixturesDir() { return ORTHOLUX_DXF_FIXTURES_DIR; }
#endif

// Empty when the folder is absent (a clone without ../shared).
inline std::vector<FixtureExpectation> LoadFixtureExpectations() {
    std::vector<FixtureExpectation> rows;
    std::ifstream in(FixturesDir() / "expected.tsv");
    std::string line;
    std::getline(in, line);  // column names
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        FixtureExpectation e;
        for (std::string* f : {&e.file, &e.outcome, &e.releaseCode, &e.thumbnailSize, &e.imageKind,
                               &e.imageBytes, &e.imageSha256, &e.statusPanel1, &e.outerWindowSize}) {
            std::getline(fields, *f, '\t');
        }
        if (!e.file.empty()) rows.push_back(e);
    }
    return rows;
}

inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
