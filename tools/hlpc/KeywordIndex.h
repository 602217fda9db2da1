#pragma once
// The keyword index behind the engine's Index tab (and its "help topics" finder):
//   |KWBTREE: B+ tree of (zero-terminated keyword, u16 topic count, u32 offset into |KWDATA),
//             sorted byte by byte
//   |KWDATA:  the TOPICOFFSETs of the topics, keyword after keyword
//   |KWMAP:   per leaf page, u32 number of its first keyword and u16 page number
// Each topic but the contents topic is indexed under its title.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ByteWriter.h"
#include "HelpSource.h"

namespace hlpc {

// Adds |KWBTREE, |KWDATA and |KWMAP to `files`.
void AddKeywordIndex(const std::vector<Topic>& topics, const std::vector<std::uint32_t>& offsets,
                     std::map<std::string, Bytes>& files);

}  // namespace hlpc
