// The DXF reader over any drawing: a result or the damaged-DXF error, read in one pass through
// a bounded window, every entity within its pair cap, every block's range re-readable; and
// every entity's outlines finite and bounded by its pairs, whatever the tolerance. Input:
// the drawing in CompactInput.h's form, so entity lists of megabytes, entities of more pairs
// than the cap and numbers of any size are a few bytes away.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <vector>

#include "CompactInput.h"
#include "FuzzCheck.h"
#include "dxf/DxfGeometry.h"
#include "dxf/DxfReader.h"
#include "dxf/DxfShapes.h"
#include "dxf/DxfTextOutlines.h"

namespace {

// Past the fuzz build's pair cap many times over, small enough for hundreds of runs a second.
constexpr uint64_t kMaxDrawing = uint64_t{256} << 10;
constexpr std::size_t kBlocksReRead = 16;
constexpr std::size_t kSentinelAndCode = 24;  // what telling binary from ASCII reads first

// A POLYLINE's VERTEX records kept, in pairs: a few entities' worth.
constexpr std::size_t kVertexPairsKept = 4 * kMaxDxfEntityPairs;
// Tolerances from none through sub-ulp to past any drawing, one picked by the input.
constexpr double kTolerances[] = {0, -1, 1e-300, 1e-3, 1, 1e300, 0.5};

void CheckOutlines(const DxfEntity& entity, std::span<const DxfEntity> vertices, double tolerance) {
    std::size_t pairs = entity.pairs.size();
    for (const DxfEntity& vertex : vertices) pairs += vertex.pairs.size();
    DxfOutlines out;
    OutlinesOf(entity, vertices, tolerance, out);
    std::size_t points = 0;
    const auto finite = [&](const DxfRun& run) {
        FUZZ_CHECK(!run.points.empty());
        for (const DxfPoint& p : run.points) {
            FUZZ_CHECK(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
        }
        points += run.points.size();
    };
    for (const DxfRun& run : out.runs) finite(run);
    for (const DxfArea& area : out.areas) {
        FUZZ_CHECK(!area.rings.empty());
        for (const DxfRun& ring : area.rings) finite(ring);
    }
    // Input points a few times over (a polyface's edges, a mesh's rows and columns), one
    // entity's curve budget, and a circle.
    FUZZ_CHECK(points <= 8 * pairs + 2 * kMaxDxfEntityPairs + 1100);
}

// Checks each record, and each entity's outlines: a POLYLINE's once its VERTEX records are in.
class Checker {
  public:
    explicit Checker(double tolerance) : tolerance_(tolerance) {}
    ~Checker() { Flush(); }

    void operator()(const DxfEntity& entity) {
        FUZZ_CHECK(entity.pairs.size() <= kMaxDxfEntityPairs);
        if (entity.pairs.size() < kMaxDxfEntityPairs / 2) FUZZ_CHECK(!entity.pairsCut);
        if (const auto polyline = DecodeLwPolyline(entity)) {
            FUZZ_CHECK(polyline->vertices.size() <= entity.pairs.size());
        }
        DecodeLine(entity), DecodeCircle(entity), DecodeArc(entity), DecodePoint(entity);
        DecodeText(entity), DecodeInsert(entity);
        if (polyline_ && entity.type == "VERTEX") {
            if (entity.pairs.size() <= kVertexPairsKept - kept_) {
                vertices_.push_back(entity);
                kept_ += entity.pairs.size();
            }
            return;
        }
        Flush();
        if (entity.type == "POLYLINE") {
            polyline_ = entity;
        } else {
            CheckOutlines(entity, {}, tolerance_);
        }
    }

    void Flush() {
        if (polyline_) CheckOutlines(*polyline_, vertices_, tolerance_);
        polyline_.reset();
        vertices_.clear();
        kept_ = 0;
    }

  private:
    double tolerance_;
    std::optional<DxfEntity> polyline_;
    std::vector<DxfEntity> vertices_;
    std::size_t kept_ = 0;
};
// Text in each kind of encoding: single-byte, Shift-JIS, UTF-8, another double-byte page.
void CheckText(const DxfEntity& entity, uint64_t index) {
    static const char* const kPages[] = {"ANSI_1252", "ANSI_932", "UTF-8", "ANSI_1251", "ANSI_949"};
    DxfOutlines text;
    TextOutlinesOf(entity, kPages[index % std::size(kPages)], text);
    for (const DxfRun& run : text.runs) {
        for (const DxfPoint& p : run.points) {
            FUZZ_CHECK(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::CompactSource source(std::span(data, size), kMaxDrawing);
    uint64_t entities = 0;
    DxfDrawing drawing;
    const double tolerance = kTolerances[size % std::size(kTolerances)];
    try {
        Checker check(tolerance);
        drawing = ReadDxf(source, [&](const DxfEntity& entity) {
            ++entities;
            check(entity);
            CheckText(entity, entities);
        });
    } catch (const AppError& error) {
        FUZZ_CHECK(error.Kind() == ErrorKind::DamagedDxf);
        return 0;
    }
    // One pass: each byte is read once, besides the first few for the format.
    FUZZ_CHECK(source.BytesRead() <= source.Size() + kSentinelAndCode);
    FUZZ_CHECK(entities <= source.Size() / 2);  // a record takes at least two bytes
    FUZZ_CHECK(drawing.thumbnail.size() <= source.Size());
    for (std::size_t i = 0; i < drawing.blocks.size(); ++i) {
        const DxfBlock& block = drawing.blocks[i];
        FUZZ_CHECK(block.begin <= block.end && block.end <= source.Size());
        FUZZ_CHECK(drawing.FindBlock(block.name) != nullptr);
        if (i >= kBlocksReRead) continue;
        try {
            Checker check(tolerance);
            ReadDxfBlock(source, block, [&](const DxfEntity& entity) { check(entity); });
        } catch (const AppError& error) {
            FUZZ_CHECK(error.Kind() == ErrorKind::DamagedDxf);
        }
    }
    return 0;
}
