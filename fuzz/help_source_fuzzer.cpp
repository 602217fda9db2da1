// The help compiler's source reader: any text is a checked project or a HelpSourceError naming
// a line of the text; a project holds only what the checks promise.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "ContextHash.h"
#include "FuzzCheck.h"
#include "HelpSource.h"

namespace {

using hlpc::Run;

void CheckParagraph(const hlpc::Paragraph& paragraph, const std::set<std::string>& contexts) {
    FUZZ_CHECK(!paragraph.runs.empty());
    FUZZ_CHECK(paragraph.runs.front().kind != Run::Kind::LineBreak);
    FUZZ_CHECK(paragraph.runs.back().kind != Run::Kind::LineBreak);
    for (const Run& run : paragraph.runs) {
        if (run.kind == Run::Kind::Text) FUZZ_CHECK(!run.text.empty());
        if (run.kind == Run::Kind::Jump) {
            FUZZ_CHECK(!run.text.empty() && contexts.count(run.target) == 1);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    hlpc::HelpProject project;
    try {
        project = hlpc::ParseHelpSource(source);
    } catch (const hlpc::HelpSourceError& error) {
        const auto lines = std::count(source.begin(), source.end(), '\n') + 1;
        FUZZ_CHECK(error.Line() >= 1 && error.Line() <= lines);
        return 0;
    }
    FUZZ_CHECK(!project.title.empty() && project.title.size() <= 50);
    FUZZ_CHECK(!project.fontFace.empty() && project.fontFace.size() <= 19);
    FUZZ_CHECK(!project.topics.empty());

    std::set<std::string> contexts;
    std::set<int32_t> hashes;  // the help file knows topics by hash alone
    for (const hlpc::Topic& topic : project.topics) {
        FUZZ_CHECK(hlpc::IsValidContextName(topic.context));
        FUZZ_CHECK(contexts.insert(topic.context).second);
        FUZZ_CHECK(hashes.insert(hlpc::ContextHash(topic.context)).second);
    }
    for (const hlpc::Topic& topic : project.topics) {
        for (const hlpc::Paragraph& paragraph : topic.paragraphs)
            CheckParagraph(paragraph, contexts);
    }
    return 0;
}
