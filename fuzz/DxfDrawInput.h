#pragma once
// How the whole-path DXF target spells a drawing. The first byte picks the form and the
// output, the next two the picture's size:
//
//   byte 0   bit 0: raw (the rest is a drawing in CompactInput.h's form) or described;
//            bit 1: binary, bit 2: one-byte codes (described drawings); bit 3: the stored
//            picture preferred; bits 4-5: the release written ($ACADVER)
//   byte 1   the picture's width or longer side, 1 to 64
//   byte 2   its height, 0 (follows the frame) to 64
//
// A described drawing is a list of operations, each an opcode byte and its operands, that a
// small generator turns into a well-formed DXF file: blocks that insert one another (or
// themselves), inserts with column and row arrays of up to 65535 each, polylines and splines
// that claim 2^31 points, coordinates up to 1e308, entity runs repeated to the size cap. Each
// operand byte the input lacks reads as 0; the file ends at kMaxDrawInput bytes, cut where
// it stands. So a few bytes reach every kind of entity and every count that costs work, while
// each execution reads at most 64 KiB.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace fuzz {

inline constexpr std::size_t kMaxDrawInput = std::size_t{8} << 10;

enum DrawForm : uint8_t {
    kDrawRaw = 1,
    kDrawBinary = 2,
    kDrawShortCodes = 4,
    kDrawPreferStored = 8,
};

// The operations of a described drawing (the opcode byte modulo kOpCount).
enum DrawOp : uint8_t {
    kOpBlock,       // name index: the entities that follow go into block B<n>
    kOpEndBlock,    // back to the entity list
    kOpLine,        // 6 numbers
    kOpCircle,      // 4 numbers (centre, radius), an arc when the flag byte is odd: 2 more
    kOpEllipse,     // 7 numbers
    kOpLwPolyline,  // claimed count, count n, flags, then n times (x, y, bulge)
    kOpPolyline,    // flags, mesh counts, count n, then n vertices of (x, y, z, bulge)
    kOpSpline,      // degree, claimed counts, n knots, n control points, weights, fit points
    kOpInsert,      // name index, attributes flag, 2 numbers, scale, rotation, cols, rows, spacing
    kOpText,        // kind (TEXT, MTEXT, ATTDEF, ATTRIB), string index, 6 numbers, alignment
    kOpHatch,       // solid flag, paths count, then each path: edges or polyline
    kOpDimension,   // block name index, 4 numbers
    kOpLinear,      // XLINE or RAY: 6 numbers
    kOpCorners,     // POINT, SOLID, TRACE or 3DFACE: 12 numbers
    kOpLeader,      // LEADER or MLINE: count n, n points
    kOpRepeat,      // 16-bit count: the last entity again that many times
    kOpPair,        // 16-bit code and a value: any pair, where it stands
    kOpLook,        // layer index, colour, a true colour, and the next entity's extrusion
    kOpBody,        // REGION, 3DSOLID, BODY or SURFACE
    kOpCount
};

// The DXF file a described input (the bytes after the first three) spells, in the form's
// spelling, at most kMaxDrawInput bytes.
std::string GenerateDrawing(std::span<const uint8_t> ops, uint8_t form);

}  // namespace fuzz
