// Which entity kinds each DWG drawing holds and what becomes of them when it is drawn: a line
// per drawing and kind, with how many were met in model space and the blocks, how many gave
// outlines, and how many gave nothing (an ACIS body, or a kind not drawn). Inserts, dimensions,
// tables and construction lines are drawn through their blocks or the view, and counted so.
//
//   ortholux_coverage DRAWING.dwg...
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "FileSource.h"
#include "dwg/DwgModel.h"
#include "dxf/DxfGeometry.h"
#include "dxf/DxfTextOutlines.h"
#include "Error.h"

namespace {

struct Tally {
    int met = 0, drawn = 0, bodies = 0;
};

class Coverage {
  public:
    explicit Coverage(std::string codePage) : codePage_(std::move(codePage)) {}

    void Entity(const DxfEntity& entity) {
        if (entity.type == "VERTEX" && polyline_) return vertices_.push_back(entity);
        if (polyline_) Finish();
        if (entity.type == "SEQEND" || entity.type == "VERTEX") return;
        if (entity.type == "POLYLINE") {
            polyline_ = true;
            record_ = entity;
            return;
        }
        Tally& tally = kinds[entity.type];
        ++tally.met;
        if (kThroughScene.count(entity.type)) {
            ++tally.drawn;
            return;
        }
        DxfOutlines out;
        const bool text = entity.type == "TEXT" || entity.type == "MTEXT" ||
                          entity.type == "ATTRIB" || entity.type == "ATTDEF";
        if (text) {
            TextOutlinesOf(entity, codePage_, out);
        } else {
            OutlinesOf(entity, {}, 1e-3, out);
        }
        Count(tally, out);
    }

    void Finish() {
        if (!polyline_) return;
        polyline_ = false;
        Tally& tally = kinds["POLYLINE"];
        ++tally.met;
        DxfOutlines out;
        OutlinesOf(record_, vertices_, 1e-3, out);
        vertices_.clear();
        Count(tally, out);
    }

    std::map<std::string, Tally> kinds;

  private:
    static void Count(Tally& tally, const DxfOutlines& out) {
        if (out.skippedBodies > 0) {
            ++tally.bodies;
        } else if (!out.runs.empty() || !out.areas.empty()) {
            ++tally.drawn;
        }
    }

    inline static const std::map<std::string, int> kThroughScene = {
        {"INSERT", 0}, {"DIMENSION", 0}, {"ARC_DIMENSION", 0}, {"ACAD_TABLE", 0},
        {"XLINE", 0},  {"RAY", 0},       {"VIEWPORT", 0}};
    std::string codePage_;
    bool polyline_ = false;
    DxfEntity record_;
    std::vector<DxfEntity> vertices_;
};

bool IsSpace(const std::string& name) {
    return name.size() > 1 && name[0] == '*' &&
           (name[1] == 'M' || name[1] == 'm' || name[1] == 'P' || name[1] == 'p');
}

void Report(const std::string& path) {
    const auto source = OpenDrawingFile(path);
    DwgModel model(*source);
    Coverage coverage{std::string(TextCodePage(model.Tables().header))};
    const auto visit = [&](const DxfEntity& e) { coverage.Entity(e); };
    model.ModelEntities(visit);
    coverage.Finish();
    // Every block but the spaces (paper space is not drawn), whether inserted or not.
    for (const DxfBlock& block : model.Tables().blocks) {
        if (IsSpace(block.name)) continue;
        model.BlockEntities(block, visit);
        coverage.Finish();
    }
    const std::map<std::string, Tally>& kinds = coverage.kinds;
    const std::string name = path.substr(path.find_last_of('/') + 1);
    Tally all;
    std::string notDrawn;
    for (const auto& [kind, tally] : kinds) {
        const int nothing = tally.met - tally.drawn - tally.bodies;
        std::printf("%-28s %-18s %5d met %5d drawn %4d ACIS %4d nothing\n", name.c_str(),
                    kind.c_str(), tally.met, tally.drawn, tally.bodies, nothing);
        all.met += tally.met, all.drawn += tally.drawn, all.bodies += tally.bodies;
        if (tally.drawn < tally.met) notDrawn += " " + kind;
    }
    std::printf("%-28s %zu kinds: %d met, %d drawn, %d ACIS, %d nothing; not all drawn:%s\n",
                name.c_str(), kinds.size(), all.met, all.drawn, all.bodies,
                all.met - all.drawn - all.bodies, notDrawn.empty() ? " -" : notDrawn.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        try {
            Report(argv[i]);
        } catch (const AppError& error) {
            std::printf("%s: %s\n", argv[i], error.what());
            status = 1;
        }
    }
    return status;
}
