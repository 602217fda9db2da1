#include "InternalFileSystem.h"

#include <stdexcept>

#include "BTree.h"

namespace hlpc {
namespace {

void InternalFile(ByteWriter& out, const Bytes& content) {
    if (content.size() > 0x7FFFFFF0) throw std::length_error("internal file too large");
    auto used = static_cast<std::uint32_t>(content.size());
    out.U32(used + static_cast<std::uint32_t>(kInternalHeaderSize));
    out.U32(used);
    out.U8(4);
    out.Append(content);
}

}  // namespace

Bytes BuildHelpFile(const std::map<std::string, Bytes>& files) {
    ByteWriter out;
    out.U32(kHelpMagic);
    out.U32(0);  // directory offset, patched below
    out.U32(0xFFFFFFFF);
    out.U32(0);  // file size, patched below

    std::vector<BTreeEntry> directory;
    for (const auto& [name, content] : files) {
        if (name.empty() || name.find('\0') != std::string::npos) {
            throw std::invalid_argument("bad internal file name");
        }
        BTreeEntry entry;
        entry.key.assign(name.begin(), name.end());
        entry.key.push_back(0);
        ByteWriter offset;
        offset.U32(static_cast<std::uint32_t>(out.Size()));
        entry.value = offset.Take();
        directory.push_back(std::move(entry));
        InternalFile(out, content);
    }
    out.PatchU32(4, static_cast<std::uint32_t>(out.Size()));
    InternalFile(out, BuildBTree(DirectoryFormat(), directory));
    out.PatchU32(12, static_cast<std::uint32_t>(out.Size()));
    return out.Take();
}

}  // namespace hlpc
