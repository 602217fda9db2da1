// The DWG object reader over any bytes: the damaged-DWG or stream-read error, or a model whose
// every visit ends, with each entity within its pair cap, and a picture of it drawn within
// the size asked. The same bytes also go through the R2004 and R2007 decompressors as
// compressed data, whose output must stay in its room, and once more as one R2010 entity (type,
// reference size, then its bits), so that the string stream and the later releases' fields are
// reached without a paged container around them. Seeds are real drawings of every release made
// small, in containers of our own writing (tests/support/DwgCompact.h); this build skips the
// object CRC so that mutations reach the decoders.
//
// An input that starts "AC" is a drawing as it is. Any other is a drawing spelt in pieces
// (CompactInput.h) of up to 8 GiB, read where its bytes lie: object maps of millions of
// entries, pages and counts at their caps, offsets past 2^32 and runs of empty map parts are
// then a few bytes away.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "CompactInput.h"
#include "FuzzCheck.h"
#include "draw/DxfPicture.h"
#include "dwg/DwgEntities.h"
#include "dwg/DwgModel.h"
#include "dwg/DwgPages.h"
#include "dxf/DxfShapes.h"
#include "preview/ByteSource.h"

namespace {

constexpr uint64_t kMaxSpelt = uint64_t{8} << 30;

void CheckEntity(const DxfEntity& entity) {
    FUZZ_CHECK(entity.pairs.size() <= kMaxDxfEntityPairs);
    DecodeLine(entity), DecodeCircle(entity), DecodeArc(entity), DecodePoint(entity);
    DecodeText(entity), DecodeInsert(entity), DecodeLwPolyline(entity);
}

// Byte 0 the type, byte 1 the references' size in bytes, byte 2 common flags and the release;
// then the bits.
void ReadAsLaterObject(const uint8_t* data, std::size_t size) {
    if (size < 3) return;
    DwgObject object;
    object.type = data[0];
    object.entityMode = data[2] & 3;
    object.noDictionary = data[2] & 4;
    object.colourHandle = data[2] & 8;
    object.linetypeFlags = object.plotStyleFlags = object.materialFlags = (data[2] & 16) ? 3 : 0;
    object.visualStyles = data[2] >> 6;
    DwgBits bits(std::span(data + 3, size - 3), (data[2] & 32) ? kR2018 : kR2010);
    const uint64_t references = uint64_t{data[1]} * 8;
    if (references > bits.End() || !bits.StringsEndingAt(bits.End() - references)) return;
    object.handleBits = bits.End() - references;
    DxfEntity entity;
    DwgBits handles = bits;
    DecodeEntityData(object, bits, entity);
    ReadEntityRefs(object, entity.type, handles);
    CheckEntity(entity);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::vector<uint8_t> room(size * 4 + 64);
    try {
        FUZZ_CHECK(DwgDecompress(std::span(data, size), room) <= room.size());
    } catch (const AppError& error) {
        FUZZ_CHECK(error.Kind() == ErrorKind::DamagedDwg);
    }
    try {
        FUZZ_CHECK(Dwg2007Decompress(std::span(data, size), room) <= room.size());
    } catch (const AppError& error) {
        FUZZ_CHECK(error.Kind() == ErrorKind::DamagedDwg);
    }
    ReadAsLaterObject(data, size);
    const std::span<const uint8_t> input(data, size);
    MemorySource raw(input);
    fuzz::CompactSource spelt(input, kMaxSpelt);
    const bool asItIs = size >= 2 && data[0] == 'A' && data[1] == 'C';
    ByteSource& source = asItIs ? static_cast<ByteSource&>(raw) : spelt;
    try {
        DwgModel model(source);
        // An object takes at least 4 bytes (its size, type bits and CRC).
        FUZZ_CHECK(model.Entities() <= source.Size() / 4);
        std::size_t visited = 0;
        const auto visit = [&](const DxfEntity& entity) {
            ++visited;
            CheckEntity(entity);
        };
        model.ModelEntities(visit);
        model.PaperEntities(visit);
        for (const DxfBlock& block : model.Tables().blocks) {
            FUZZ_CHECK(model.Tables().FindBlock(block.name) != nullptr);
            model.BlockEntities(block, visit);
        }
        // An entity is met in its owner's list, which is visited twice for the spaces (as a
        // space and as a block), and a child once more in each visit of its parent's list.
        FUZZ_CHECK(visited <= 4 * model.Entities());
    } catch (const AppError& error) {
        FUZZ_CHECK(fuzz::IsOneOf(error, {ErrorKind::DamagedDwg, ErrorKind::StreamRead}));
    }
    try {
        DrawRequest request;
        request.width = 1 + static_cast<int>(size % 97);
        const DxfPicture picture = DwgPictureOf(source, request);
        FUZZ_CHECK(picture.stored.empty());
        if (picture.drawn) {
            FUZZ_CHECK(std::max(picture.drawn->width, picture.drawn->height) <= request.width);
            FUZZ_CHECK(picture.drawn->pixels.size() ==
                       std::size_t(picture.drawn->width) * picture.drawn->height * 4);
        }
    } catch (const AppError& error) {
        FUZZ_CHECK(fuzz::IsOneOf(error, {ErrorKind::DamagedDwg, ErrorKind::StreamRead}));
    }
    return 0;
}
