#pragma once
// The help source: a UTF-8 text file turned into topics of Shift-JIS paragraphs.
//
//   # comment                       (anywhere, at the start of a line)
//   title: Ortholux ヘルプ           settings, before the first topic: title (required),
//   font: ＭＳ Ｐゴシック              font (required), copyright (optional)
//   @topic <context> <title>        starts a topic; the first topic is the contents topic
//   text lines                      consecutive lines form one paragraph, shown line by line
//   (blank line)                    ends a paragraph
//   [[context|label]]               a jump to the topic named context, shown as label
//   a tab character                 a tab stop
//
// Each topic shows its title as a heading before its paragraphs.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hlpc {

struct Run {
    enum class Kind { Text, Tab, LineBreak, Jump };
    Kind kind;
    std::string text;    // Shift-JIS; the label of a jump
    std::string target;  // context name of a jump
};

struct Paragraph {
    std::vector<Run> runs;
};

struct Topic {
    std::string context;  // ASCII context name
    std::string title;    // Shift-JIS
    std::vector<Paragraph> paragraphs;
};

struct HelpProject {
    std::string title;      // Shift-JIS; the help window's caption
    std::string fontFace;   // Shift-JIS face name of the text font
    std::string copyright;  // Shift-JIS, may be empty
    std::vector<Topic> topics;
};

class HelpSourceError : public std::runtime_error {
  public:
    HelpSourceError(int line, const std::string& message)
        : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}
    int Line() const { return line_; }

  private:
    int line_;
};

// Parses and checks the source: settings present, context names valid and unique, every
// jump target defined, texts convertible to Shift-JIS. Throws HelpSourceError.
HelpProject ParseHelpSource(std::string_view utf8Source);

}  // namespace hlpc
