#pragma once
// What a DWG drawing of R13 to R2018 (R2007 aside) holds for drawing a picture of it, given as the
// DXF reader gives it: the tables as a DxfDrawing (release code, code page, layers, the active
// view, the blocks) and the entities as DxfEntity records with the pairs DXF writes for them.
//
// Opening reads the object map and every object once, keeping the tables and an index of the
// entities (handle, offset, owner), never the entities themselves: each visit reads them again
// object by object. A POLYLINE's VERTEX records and SEQEND, and an INSERT's ATTRIBs, are handed
// over right after it, as DXF writes them.
//
// Objects that cannot be read (past the file, a wrong CRC, bits that end mid-field) are left
// out and counted: the result is partial, never a crash. A file whose header, classes or object
// map cannot be read is the damaged-DWG error.
#include <cstdint>
#include <vector>

#include "dwg/DwgFile.h"
#include "dxf/DxfReader.h"

class ByteSource;

class DwgModel {
  public:
    explicit DwgModel(ByteSource& source);

    // Whether the source is a drawing of a release this reader reads (1012, 1014, 1015, 1018,
    // 1024, 1027, 1032).
    static bool Reads(ByteSource& source);

    const DxfDrawing& Tables() const { return tables_; }
    void ModelEntities(const DxfEntityVisitor& visit);
    void PaperEntities(const DxfEntityVisitor& visit);
    void BlockEntities(const DxfBlock& block, const DxfEntityVisitor& visit);

    std::size_t Objects() const { return objects_; }
    std::size_t Entities() const { return index_.size(); }
    std::size_t Unread() const { return unread_; }  // objects left out as unreadable

  private:
    struct Entry {
        uint64_t group;  // the owning block record, or the entity a VERTEX belongs to
        uint64_t handle;
        uint32_t offset;
        uint16_t type;
    };

    void Index();
    void ReadTable(const DwgObject& object, DwgBits& bits);
    void Visit(uint64_t group, const DxfEntityVisitor& visit, int depth);
    bool Entity(const Entry& entry, DxfEntity& entity);
    std::string NameOf(uint64_t handle, bool block) const;

    DwgFile file_;
    DxfDrawing tables_;
    std::vector<Entry> index_;                                         // by group, then handle
    std::vector<std::pair<uint64_t, std::size_t>> layerAt_, blockAt_;  // by handle
    std::vector<std::string> blockNames_;
    uint64_t model_ = 0, paper_ = 0;
    // While indexing: the layers with their handles, and the first active view's handle.
    std::vector<std::pair<uint64_t, DxfLayer>> layers;
    uint64_t activeHandle = UINT64_MAX;
    std::size_t unread_ = 0, objects_ = 0;
};
