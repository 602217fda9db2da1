#pragma once
// The container of an R13, R14 or R2000 drawing (release codes 1012, 1014, 1015), and the
// objects of R2004 (1018) too:
//
//   0x00  6 bytes   "AC1015"
//   0x13  RS        code page
//   0x15  RL        n, the number of section locators; from 0x19, n records of 9 bytes:
//                   RC number, RL offset, RL size. 0 header variables, 1 classes, 2 object map
//   classes         16-byte sentinel, RL size, then classes to its end: BS number (500 on),
//                   BS flags, TV application, TV C++ name, TV DXF name, B zombie, BS 0x1F2 for
//                   entities
//   object map      parts of at most 2032 bytes: RS big-endian size (2 ends the map), then
//                   pairs of UMC handle delta and MC offset delta, both from 0 in each part,
//                   then a CRC
//   object          MS size, then its bits: BS type, (R2000) RL bits up to its handles, H its
//                   handle, extended data, ..., its handle references; RS CRC over MS and data
//
// From R2004 (1018) the same classes, map and objects lie in the sections AcDb:Classes,
// AcDb:Handles and AcDb:AcDbObjects of the paged container (DwgPages.h), offsets counted in
// the expanded AcDbObjects; classes gain a few fields, objects a few bits.
//
// R2010, R2013, R2018 (1024, 1027, 1032) lay out the same sections; their objects change:
//
//   object          MS size, UMC the handle references' size in bits (they end the data), then
//                   OT type, H handle, ... (no RL); from R2007 texts lie in a string stream
//                   ending just before the references: its last bit says whether there is one,
//                   the RS before it its size in bits (0x8000 set: another RS before that
//                   gives the high bits), and the stream lies right before those
//   common fields   R2007: BB material, RC shadow flags; R2010: 3 B visual styles, each a
//                   handle; R2013: B binary data, for entities and other objects alike;
//                   R2010: an entity's picture size is a BLL
//   classes         R2007: an RL bit size after the RL size (R2013 on and some R2010 an RL
//                   more before it), counted from its own field; the class strings lie in a
//                   stream ending there, which may end past the RL size
//
// Objects are read one at a time where they lie, through a window over the source.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dwg/DwgBits.h"
#include "dwg/DwgPages.h"

class ByteSource;

// An object read whole: its data bits and what every object starts with.
struct DwgObject {
    uint16_t type = 0;
    uint64_t handle = 0;
    uint64_t handleBits = 0;  // where its handle references start, from the data's start
    uint64_t extent = 0;      // its bytes in the file (size, data, CRC), once its size is read
    uint32_t reactors = 0;
    // Entities only:
    uint8_t entityMode = 0;  // 0 an owner follows, 1 paper space, 2 model space
    bool noLinks = true, byLayerLinetype = true;
    uint8_t linetypeFlags = 0, plotStyleFlags = 0, materialFlags = 0;
    uint8_t visualStyles = 0;  // R2010: handles of visual styles among the references
    int colour = 256;
    std::optional<uint32_t> trueColour;
    bool noDictionary = false;  // R2004: no extension dictionary handle
    bool colourHandle = false;  // R2004: a colour book handle follows the dictionary's
};

class DwgFile {
  public:
    struct Class {
        uint16_t number = 0;
        std::string dxfName;
        bool entity = false;
    };
    struct Location {
        uint64_t handle = 0;
        uint32_t offset = 0;
    };

    // Reads the header, the classes and the object map; the damaged-DWG error when they are
    // not there to read.
    explicit DwgFile(ByteSource& source);

    const std::string& ReleaseCode() const { return release_; }
    int ReleaseNumber() const { return releaseNumber_; }
    bool R2000() const { return releaseNumber_ >= kR2000; }  // R2000 or later
    bool R2004() const { return releaseNumber_ >= kR2004; }
    bool R2007() const { return releaseNumber_ >= kR2007; }
    bool R2010() const { return releaseNumber_ >= kR2010; }
    bool R2013() const { return releaseNumber_ >= kR2013; }
    uint16_t CodePage() const { return codePage_; }
    const std::vector<Location>& Objects() const { return objects_; }  // in handle order
    bool MapComplete() const { return mapComplete_; }
    void ForgetObjectMap() { std::vector<Location>().swap(objects_); }
    // The DXF name of a class's type; empty when there is no such class.
    const Class* ClassOf(uint16_t type) const;

    // Reads the object at `offset` into `bits` and its common start into `object`; false when
    // it does not lie in the file, fails its CRC or ends inside its common fields. `bits`
    // refers to a buffer the next call replaces.
    // `checkCrc` false: an object whose CRC was checked once already (reading the index).
    bool ReadObject(uint32_t offset, DwgObject& object, DwgBits& bits, bool checkCrc = true);
    bool IsEntityType(uint16_t type) const;

  private:
    void ReadClasses(std::span<const uint8_t> data);
    void ReadObjectMap(ByteSource& in, uint64_t offset);
    std::span<const uint8_t> Bytes(uint64_t offset, uint64_t size);

    std::unique_ptr<DwgPages> pages_;
    std::unique_ptr<ByteSource> objectSection_;
    ByteSource* source_;  // where the objects lie
    std::string release_;
    int releaseNumber_ = 0;  // as DwgBits takes it
    bool wideClasses_ = false;
    uint16_t codePage_ = 0;
    std::vector<Class> classes_;
    std::vector<Location> objects_;
    bool mapComplete_ = false;
    std::vector<uint8_t> window_;
    uint64_t windowStart_ = 0;
    std::vector<uint8_t> object_;
};

// Caps: an object larger than this is damaged (a polyline of half a million vertices fits),
// and a map of more objects is cut there: the map (16 bytes an object) and the index (24) then
// take 20 MiB at most, the object and window buffers 16 MiB, an entity's pairs 16 MiB.
#ifndef ORTHOLUX_MAX_DWG_OBJECT_BYTES
#define ORTHOLUX_MAX_DWG_OBJECT_BYTES (8u << 20)
#endif
inline constexpr uint32_t kMaxDwgObjectBytes = ORTHOLUX_MAX_DWG_OBJECT_BYTES;
#ifndef ORTHOLUX_MAX_DWG_OBJECTS
#define ORTHOLUX_MAX_DWG_OBJECTS (std::size_t{1} << 19)
#endif
inline constexpr std::size_t kMaxDwgObjects = ORTHOLUX_MAX_DWG_OBJECTS;
#ifndef ORTHOLUX_DWG_OBJECT_CRC
#define ORTHOLUX_DWG_OBJECT_CRC 1
#endif
