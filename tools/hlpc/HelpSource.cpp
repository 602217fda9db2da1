#include "HelpSource.h"

#include <map>

#include "ContextHash.h"
#include "TextCodec.h"

namespace hlpc {
namespace {

constexpr std::size_t kMaxTitleBytes = 50;  // the window caption field holds 51 with its zero
constexpr std::size_t kMaxFaceBytes = 19;   // face names are stored in 20 bytes

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

class Parser {
  public:
    HelpProject Parse(std::string_view source) {
        std::size_t pos = 0;
        while (pos <= source.size()) {
            std::size_t end = source.find('\n', pos);
            if (end == std::string_view::npos) end = source.size();
            std::string_view line = source.substr(pos, end - pos);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            ++line_;
            ParseLine(line);
            pos = end + 1;
        }
        EndParagraph();
        Check();
        return std::move(project_);
    }

  private:
    void ParseLine(std::string_view line) {
        if (!line.empty() && line.front() == '#') return;
        if (line.rfind("@topic", 0) == 0) return StartTopic(line.substr(6));
        if (project_.topics.empty()) return ParseSetting(line);
        if (Trim(line).empty()) return EndParagraph();
        if (!inParagraph_) {
            project_.topics.back().paragraphs.emplace_back();
            inParagraph_ = true;
        } else {
            Current().runs.push_back({Run::Kind::LineBreak, {}, {}});
        }
        ParseText(line);
    }

    void ParseSetting(std::string_view line) {
        if (Trim(line).empty()) return;
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) Fail("expected 'name: value' or @topic");
        std::string_view name = Trim(line.substr(0, colon));
        std::string value = Convert(Trim(line.substr(colon + 1)));
        if (name == "title") {
            if (value.size() > kMaxTitleBytes) Fail("title longer than 50 Shift-JIS bytes");
            project_.title = value;
        } else if (name == "font") {
            if (value.size() > kMaxFaceBytes) Fail("font name longer than 19 Shift-JIS bytes");
            project_.fontFace = value;
        } else if (name == "copyright") {
            project_.copyright = value;
        } else {
            Fail("unknown setting '" + std::string(name) + "'");
        }
    }

    void StartTopic(std::string_view rest) {
        EndParagraph();
        if (rest.empty() || (rest.front() != ' ' && rest.front() != '\t')) {
            Fail("expected '@topic <context> <title>'");
        }
        rest = Trim(rest);
        std::size_t space = rest.find_first_of(" \t");
        if (space == std::string_view::npos) Fail("topic has no title");
        std::string context(rest.substr(0, space));
        std::string_view title = Trim(rest.substr(space));
        if (!IsValidContextName(context)) Fail("bad context name '" + context + "'");
        for (const auto& [name, line] : contexts_) {
            if (ContextHash(name) == ContextHash(context)) {
                Fail("context '" + context + "' clashes with '" + name + "' of line " +
                     std::to_string(line));
            }
        }
        contexts_.emplace(context, line_);
        project_.topics.push_back({context, Convert(title), {}});
    }

    void ParseText(std::string_view text) {
        while (!text.empty()) {
            std::size_t open = text.find("[[");
            std::size_t tab = text.find('\t');
            std::size_t next = std::min(open, tab);
            if (next == std::string_view::npos) {
                AddText(text);
                return;
            }
            AddText(text.substr(0, next));
            if (next == tab) {
                Current().runs.push_back({Run::Kind::Tab, {}, {}});
                text.remove_prefix(next + 1);
                continue;
            }
            std::size_t close = text.find("]]", open);
            if (close == std::string_view::npos) Fail("'[[' without ']]'");
            std::string_view inner = text.substr(open + 2, close - open - 2);
            std::size_t bar = inner.find('|');
            if (bar == std::string_view::npos) Fail("jump needs '[[context|label]]'");
            std::string target(Trim(inner.substr(0, bar)));
            std::string label = Convert(inner.substr(bar + 1));
            if (label.empty()) Fail("jump to '" + target + "' has no label");
            jumps_.push_back({target, line_});
            Current().runs.push_back({Run::Kind::Jump, label, target});
            text.remove_prefix(close + 2);
        }
    }

    void AddText(std::string_view text) {
        if (text.empty()) return;
        std::string converted = Convert(text);
        auto& runs = Current().runs;
        if (!runs.empty() && runs.back().kind == Run::Kind::Text) {
            runs.back().text += converted;
        } else {
            runs.push_back({Run::Kind::Text, converted, {}});
        }
    }

    void EndParagraph() { inParagraph_ = false; }

    void Check() {
        if (project_.title.empty()) Fail("no 'title:' setting");
        if (project_.fontFace.empty()) Fail("no 'font:' setting");
        if (project_.topics.empty()) Fail("no @topic");
        for (const auto& [target, line] : jumps_) {
            if (!contexts_.count(target)) {
                throw HelpSourceError(line, "jump to unknown topic '" + target + "'");
            }
        }
    }

    std::string Convert(std::string_view utf8) {
        try {
            return Utf8ToShiftJis(utf8);
        } catch (const std::runtime_error& e) {
            Fail(e.what());
        }
    }

    Paragraph& Current() { return project_.topics.back().paragraphs.back(); }
    [[noreturn]] void Fail(const std::string& message) { throw HelpSourceError(line_, message); }

    HelpProject project_;
    std::map<std::string, int> contexts_;
    std::vector<std::pair<std::string, int>> jumps_;
    bool inParagraph_ = false;
    int line_ = 0;
};

}  // namespace

HelpProject ParseHelpSource(std::string_view utf8Source) { return Parser().Parse(utf8Source); }

}  // namespace hlpc
