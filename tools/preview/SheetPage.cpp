#include "SheetPage.h"

#include <algorithm>
#include <system_error>

#include "SheetText.h"

namespace fs = std::filesystem;

namespace {

std::string Css(int size) {
    const std::string box = std::to_string(size) + "px";
    // Wide enough for a release label on one line, even for small pictures.
    const std::string column = std::to_string(std::max(size + 14, 170)) + "px";
    return "body{font:13px sans-serif;margin:12px;background:#eee;color:#222}\n"
           "h1{font-size:16px;margin:0 0 8px}\n"
           "h2{font-size:14px;margin:18px 0 6px;overflow-wrap:anywhere}\n"
           ".sheet{display:grid;gap:8px;grid-template-columns:repeat(auto-fill,minmax(" +
           column +
           ",1fr))}\n"
           // Tiles far off screen are not laid out until scrolled to.
           ".tile{margin:0;padding:6px;background:#fff;border:1px solid #ccc;"
           "content-visibility:auto;contain-intrinsic-size:auto " +
           column + " calc(" + box +
           " + 60px)}\n"
           ".picture{display:flex;align-items:center;justify-content:center;height:" +
           box +
           "}\n"
           ".picture img{max-width:100%;height:auto}\n"
           ".tile:not(.ready) .picture{background:#f6f6f6;color:#555;text-align:center}\n"
           ".failed .outcome{color:#a00}\n"
           "figcaption{margin-top:4px;overflow-wrap:anywhere}\n"
           ".path{display:block;font-weight:bold;color:inherit}\n"
           ".release,.source{display:block;color:#666}\n";
}

void AppendTile(std::string& page, const SheetTile& tile, const fs::path& sheetFolder) {
    static const char* const kClass[] = {"tile ready", "tile nothing", "tile failed"};
    const std::string href = HtmlEscape(DrawingHref(tile.drawing, sheetFolder));
    page += "<figure class=\"";
    page += kClass[static_cast<int>(tile.state)];
    page += "\">";
    if (tile.state == TileState::Picture) {
        page += "<a class=\"picture\" href=\"" + href + "\"><img src=\"" +
                HtmlEscape(PercentEncodePath(tile.image)) + "\" width=\"" +
                std::to_string(tile.width) + "\" height=\"" + std::to_string(tile.height) +
                "\" loading=\"lazy\" alt=\"\"></a>";
    } else {
        page += "<div class=\"picture\"><span class=\"outcome\">" + HtmlEscape(tile.outcome) +
                "</span></div>";
    }
    page += "<figcaption><a class=\"path\" href=\"" + href + "\">" +
            HtmlEscape(PathForPage(tile.shown)) + "</a>";
    if (!tile.release.empty()) {
        page += "<span class=\"release\">" + HtmlEscape(tile.release) + "</span>";
    }
    // A picture made here, not one the drawing's program stored: it may differ from that.
    if (tile.state == TileState::Picture && tile.drawn) {
        page += "<span class=\"source\">drawn from geometry</span>";
    }
    page += "</figcaption></figure>\n";
}

}  // namespace

std::string DrawingHref(const fs::path& drawing, const fs::path& sheetFolder) {
    std::error_code ignored;
    const fs::path to = fs::absolute(drawing, ignored).lexically_normal();
    fs::path from = fs::absolute(sheetFolder, ignored).lexically_normal();
    if (!from.has_filename()) from = from.parent_path();  // "sheet/" as "sheet"
    const fs::path relative = to.lexically_relative(from);
    if (!relative.empty()) return PercentEncodePath(relative.generic_string());
    return "file://" + PercentEncodePath(to.generic_string());
}

std::string SheetPage(const std::vector<SheetSection>& sections, const fs::path& sheetFolder,
                      int size, const SheetCounts& counts) {
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width\">\n"
        "<title>Ortholux contact sheet</title>\n<style>\n" +
        Css(size) + "</style>\n</head>\n<body>\n";
    page += "<h1>" + std::to_string(counts.drawings) +
            " drawings: " + std::to_string(counts.ready) + " ready, " +
            std::to_string(counts.nothing) + " nothing to show, " + std::to_string(counts.failed) +
            " failed</h1>\n";
    for (const SheetSection& section : sections) {
        page += "<section>\n";
        if (!section.heading.empty()) {
            page += "<h2>" + HtmlEscape(PathForPage(section.heading)) + "</h2>\n";
        }
        page += "<div class=\"sheet\">\n";
        for (const SheetTile& tile : section.tiles) AppendTile(page, tile, sheetFolder);
        page += "</div>\n</section>\n";
    }
    page += "</body>\n</html>\n";
    return page;
}
