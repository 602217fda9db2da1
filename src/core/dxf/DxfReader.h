#pragma once
// What a DXF drawing holds for drawing a picture of it, read in one pass: the HEADER's few
// variables, the LAYER and VPORT tables, an index of the BLOCKS (where each block's entities
// lie, read again when an insert needs them), the THUMBNAILIMAGE, and the ENTITIES handed one
// at a time to a visitor, never all held. Every other section is skipped.
//
// A POLYLINE's VERTEX records and its SEQEND (and an INSERT's ATTRIBs) are handed over as
// records of their own, in file order, right after it: the visitor groups them.
//
// The data may end between two pairs (no EOF, a section without ENDSEC): the result holds what
// was read and says it is incomplete. Anything else wrong is the damaged-DXF error.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dxf/DxfPairs.h"

class ByteSource;

struct DxfPoint {
    double x = 0, y = 0, z = 0;
};

struct DxfHeader {
    std::string releaseCode;  // "$ACADVER" AC1015 -> "1015", as the DWG reader gives it
    std::string codePage;     // "$DWGCODEPAGE", e.g. ANSI_932
    std::optional<int> tileMode;
    // "$EXTMIN"/"$EXTMAX" as written: writers leave them stale, so only a hint.
    std::optional<DxfPoint> extMin, extMax;
};

struct DxfLayer {
    std::string name;
    int colour = 7;  // ACI, always positive
    std::optional<uint32_t> trueColour;
    bool off = false;     // a negative colour
    bool frozen = false;  // flag bit 1
};

// The VPORT table's *ACTIVE entry: the view the drawing was saved with.
struct DxfViewport {
    DxfPoint centre;  // 12/22
    double height = 0, aspect = 0, twist = 0;
    DxfPoint direction{0, 0, 1}, target;
};

struct DxfBlock {
    std::string name;
    DxfPoint base;
    int flags = 0;
    uint64_t begin = 0, end = 0;  // the byte range of its entities, up to its ENDBLK
};

struct DxfEntity {
    std::string type;  // LINE, VERTEX, ...
    std::string layer, handle, owner;
    int colour = 256;  // ACI; 256 BYLAYER, 0 BYBLOCK
    std::optional<uint32_t> trueColour;
    DxfPoint extrusion{0, 0, 1};
    bool paperSpace = false;
    // Every pair after the type, in file order, for the kinds decoded later. Capped: what
    // lies past the cap is dropped and `pairsCut` says so.
    std::vector<DxfPair> pairs;
    bool pairsCut = false;
};
// The fuzz build lowers the cap, so that drawings of a few hundred kilobytes reach it.
#ifndef ORTHOLUX_MAX_DXF_ENTITY_PAIRS
#define ORTHOLUX_MAX_DXF_ENTITY_PAIRS (1 << 18)
#endif
inline constexpr std::size_t kMaxDxfEntityPairs = ORTHOLUX_MAX_DXF_ENTITY_PAIRS;

struct DxfDrawing {
    DxfFormat format = DxfFormat::Ascii;
    DxfHeader header;
    std::vector<DxfLayer> layers;
    std::optional<DxfViewport> activeViewport;
    std::vector<DxfBlock> blocks;
    std::vector<uint8_t> thumbnail;  // the THUMBNAILIMAGE's DIB, length-checked
    bool complete = false;           // read up to its EOF

    const DxfBlock* FindBlock(const std::string& name) const;
};

using DxfEntityVisitor = std::function<void(const DxfEntity&)>;

DxfDrawing ReadDxf(ByteSource& source, const DxfEntityVisitor& visit);
// The same into `drawing`, filled as the sections are read: the visitor sees the header and
// tables that precede the entities (the code page, the layers, the saved view). The block
// index is sorted, and FindBlock usable, only once it returns.
void ReadDxf(ByteSource& source, DxfDrawing& drawing, const DxfEntityVisitor& visit);
// The entities of one block of a drawing ReadDxf gave for the same source.
void ReadDxfBlock(ByteSource& source, const DxfBlock& block, const DxfEntityVisitor& visit);
