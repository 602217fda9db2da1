#pragma once
// The container: a help file is a small file system of named internal files.
//
//   file header: u32 magic 0x00035F3F, u32 offset of the directory, u32 free list (-1),
//                u32 size of the whole file
//   internal file: u32 reserved size (with this 9-byte head), u32 used size, u8 flags (4),
//                  then the content
//   directory: an internal file holding a B+ tree of (zero-terminated name, u32 offset of
//              the internal file), sorted by name byte by byte.
#include <map>
#include <string>

#include "ByteWriter.h"

namespace hlpc {

inline constexpr std::uint32_t kHelpMagic = 0x00035F3F;
inline constexpr std::size_t kHelpHeaderSize = 16;
inline constexpr std::size_t kInternalHeaderSize = 9;

// Writes the files in name order, then the directory. Names compare as std::string does,
// byte by byte, the order the engine searches them in.
Bytes BuildHelpFile(const std::map<std::string, Bytes>& files);

}  // namespace hlpc
