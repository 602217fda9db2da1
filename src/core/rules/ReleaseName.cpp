#include "ReleaseName.h"

#include "text/ControlEscape.h"

namespace display {

namespace {

struct Release {
    std::string_view code;
    std::string_view name;
};

constexpr Release kReleases[] = {
    {"1002", "R2.5"},  {"1003", "R2.6"},  {"1004", "R9"},    {"1006", "R10"},   {"1009", "R11/R12"},
    {"1012", "R13"},   {"1014", "R14"},   {"1015", "R2000"}, {"1018", "R2004"}, {"1021", "R2007"},
    {"1024", "R2010"}, {"1027", "R2013"}, {"1032", "R2018"},
};

}  // namespace

std::string ReleaseName(std::string_view releaseCode) {
    for (const Release& release : kReleases) {
        if (release.code == releaseCode) {
            return std::string(release.name) + " (AC" + std::string(release.code) + ")";
        }
    }
    return "unknown (" + EscapeControls(releaseCode) + ")";
}

}  // namespace display
