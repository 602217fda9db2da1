// The DXF reader over any drawing: a result or the damaged-DXF error, read in one pass through
// a bounded window, every entity within its pair cap, every block's range re-readable. Input:
// the drawing in CompactInput.h's form, so entity lists of megabytes, entities of more pairs
// than the cap and numbers of any size are a few bytes away.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>

#include "CompactInput.h"
#include "FuzzCheck.h"
#include "dxf/DxfReader.h"
#include "dxf/DxfShapes.h"
#include "dxf/DxfTextOutlines.h"

namespace {

// Past the fuzz build's pair cap many times over, small enough for hundreds of runs a second.
constexpr uint64_t kMaxDrawing = uint64_t{256} << 10;
constexpr std::size_t kBlocksReRead = 16;
constexpr std::size_t kSentinelAndCode = 24;  // what telling binary from ASCII reads first

void CheckEntity(const DxfEntity& entity) {
    FUZZ_CHECK(entity.pairs.size() <= kMaxDxfEntityPairs);
    if (entity.pairs.size() < kMaxDxfEntityPairs / 2) FUZZ_CHECK(!entity.pairsCut);
    if (const auto polyline = DecodeLwPolyline(entity)) {
        FUZZ_CHECK(polyline->vertices.size() <= entity.pairs.size());
    }
    DecodeLine(entity), DecodeCircle(entity), DecodeArc(entity), DecodePoint(entity);
    DecodeText(entity), DecodeInsert(entity);
}

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
    try {
        drawing = ReadDxf(source, [&](const DxfEntity& entity) {
            ++entities;
            CheckEntity(entity);
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
            ReadDxfBlock(source, block, CheckEntity);
        } catch (const AppError& error) {
            FUZZ_CHECK(error.Kind() == ErrorKind::DamagedDxf);
        }
    }
    return 0;
}
