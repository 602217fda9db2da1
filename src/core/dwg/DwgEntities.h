#pragma once
// An R13-R2018 entity's own data as the DXF group pairs a DXF file gives for it, so that the
// decoders and the renderer take DWG and DXF entities alike. Only what a picture needs is
// decoded; a kind with nothing to draw keeps its type and common fields.
#include <cstdint>

#include "dwg/DwgFile.h"
#include "dxf/DxfReader.h"

// The type name DXF gives an object type ("LINE", "VERTEX", a class's DXF name); empty for
// types that are no entity.
std::string DwgEntityType(const DwgFile& file, uint16_t type);

// The handles an entity refers to that the model resolves to names.
struct DwgEntityRefs {
    uint64_t owner = 0;  // entity mode 0 only
    uint64_t layer = 0;
    uint64_t block = 0;  // INSERT, MINSERT, DIMENSION
};

// Reads the common handle references (and the block's, where there is one) from `bits`.
DwgEntityRefs ReadEntityRefs(const DwgObject& object, const std::string& type, DwgBits& bits);

// Appends `entity`'s pairs for the data after the common fields; `bits` stands there. A field
// cut short ends the pairs where it stopped.
void DecodeEntityData(const DwgObject& object, DwgBits& bits, DxfEntity& entity);

// The $DWGCODEPAGE name of the header's code page number; empty when unknown.
std::string DwgCodePageName(uint16_t number);
