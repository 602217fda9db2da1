#include "HelpCompiler.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "BTree.h"
#include "ContextHash.h"
#include "InternalFileSystem.h"
#include "KeywordIndex.h"
#include "SystemFile.h"
#include "TopicFile.h"

namespace hlpc {
namespace {

Bytes U32Bytes(std::uint32_t value) {
    ByteWriter out;
    out.U32(value);
    return out.Take();
}

// The engine walks |CONTEXT comparing hashes as signed numbers.
Bytes ContextTree(const std::vector<Topic>& topics, const std::vector<std::uint32_t>& offsets) {
    std::vector<std::pair<std::int32_t, std::uint32_t>> pairs;
    for (std::size_t i = 0; i < topics.size(); ++i) {
        pairs.emplace_back(ContextHash(topics[i].context), offsets[i]);
    }
    std::sort(pairs.begin(), pairs.end());
    std::vector<BTreeEntry> entries;
    for (const auto& [hash, offset] : pairs) {
        entries.push_back({U32Bytes(static_cast<std::uint32_t>(hash)), U32Bytes(offset)});
    }
    return BuildBTree(ContextFormat(), entries);
}

// Topic offsets grow with the topic order, so the titles are already sorted.
Bytes TitleTree(const std::vector<Topic>& topics, const std::vector<std::uint32_t>& offsets) {
    std::vector<BTreeEntry> entries;
    for (std::size_t i = 0; i < topics.size(); ++i) {
        ByteWriter title;
        title.CString(topics[i].title);
        entries.push_back({U32Bytes(offsets[i]), title.Take()});
    }
    return BuildBTree(TitleFormat(), entries);
}

}  // namespace

Bytes CompileHelp(const HelpProject& project) {
    if (project.topics.empty()) throw std::invalid_argument("a help file needs a topic");
    TopicFile topics = BuildTopicFile(project.topics);
    SystemSettings settings{project.title, project.copyright, topics.offsets.front()};
    std::map<std::string, Bytes> files;
    files["|CONTEXT"] = ContextTree(project.topics, topics.offsets);
    files["|FONT"] = BuildFontFile(project.fontFace);
    files["|SYSTEM"] = BuildSystemFile(settings);
    files["|TOPIC"] = std::move(topics.bytes);
    files["|TTLBTREE"] = TitleTree(project.topics, topics.offsets);
    AddKeywordIndex(project.topics, topics.offsets, files);
    return BuildHelpFile(files);
}

Bytes CompileHelpSource(std::string_view utf8Source) {
    return CompileHelp(ParseHelpSource(utf8Source));
}

}  // namespace hlpc
