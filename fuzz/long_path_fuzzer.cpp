// Long-path expansion over an in-memory file system. A path written with long names (Shift-JIS
// ones whose trail byte is 0x5C included) comes back unchanged, one with short names comes back
// with the long ones, with or without a trailing "\"; a raw path of any bytes ends.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "FuzzCheck.h"
#include "LongPathInput.h"
#include "text/LongPath.h"
#include "text/ShiftJis.h"

namespace {

// Answers look-ups of the paths it was given (as written) with the entry's long name.
class MemoryFiles : public FileLookup {
  public:
    std::optional<std::string> FindFirstName(const std::string& pattern) override {
        ++lookups;
        const auto it = entries.find(pattern);
        if (it == entries.end()) return std::nullopt;
        return it->second;
    }

    std::map<std::string, std::string> entries;
    std::size_t lookups = 0;
};

// Answers every look-up, so a raw path is walked as deep as the expansion goes.
class EverythingFiles : public FileLookup {
  public:
    std::optional<std::string> FindFirstName(const std::string&) override {
        ++lookups;
        return "Long Name";
    }
    std::size_t lookups = 0;
};

// Code page 932's lead bytes, written out here rather than taken from the code under test, so
// that a name the helpers misread is still built as a valid name.
bool IsLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// A name a folder can have: no "\" or ":" of its own, and no lead byte at its end that would
// take the following "\" as its trail byte.
bool IsValidName(const std::string& name) {
    if (name.empty()) return false;
    for (std::size_t i = 0; i < name.size();) {
        const char c = name[i];
        if (c == '\\' || c == ':' || c == '\0') return false;
        if (!IsLead(static_cast<unsigned char>(c))) {
            ++i;
        } else if (i + 1 == name.size()) {
            return false;
        } else {
            i += 2;
        }
    }
    return true;
}

// Any bytes: the expansion ends, and a path the file system knows nothing of comes back as
// written, less a trailing separator.
void CheckRawPath(const std::string& path) {
    EverythingFiles everything;
    ExpandLongPath(path, everything);
    FUZZ_CHECK(everything.lookups <= path.size());

    MemoryFiles nothing;
    std::string unchanged = path;
    if (EndsWithSeparator(unchanged)) unchanged.pop_back();
    FUZZ_CHECK(ExpandLongPath(path, nothing) == unchanged);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const fuzz::LongPathInput input =
        fuzz::ParseLongPathInput(std::string_view(reinterpret_cast<const char*>(data), size));
    if (input.raw) {
        CheckRawPath(input.rawPath);
        return 0;
    }

    MemoryFiles files;
    std::string written = std::string(1, input.drive) + ":";
    std::string expected = written;
    std::size_t count = 0;
    for (const fuzz::PathComponent& component : input.components) {
        if (!IsValidName(component.longName) || count == 32) continue;
        const std::string shortName = "~" + std::to_string(++count);
        written += "\\" + (component.writtenShort ? shortName : component.longName);
        expected += "\\" + component.longName;
        files.entries[written] = component.longName;
    }

    FUZZ_CHECK(ExpandLongPath(written, files) == expected);
    FUZZ_CHECK(files.lookups == count);
    FUZZ_CHECK(ExpandLongPath(written + "\\", files) == expected);
    if (expected == written) {
        MemoryFiles empty;
        FUZZ_CHECK(ExpandLongPath(written, empty) == written);
    }
    return 0;
}
