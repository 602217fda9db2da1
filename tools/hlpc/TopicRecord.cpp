#include "TopicRecord.h"

#include <stdexcept>
#include <string>

#include "ContextHash.h"
#include "TextCodec.h"

namespace hlpc {
namespace {

constexpr std::uint16_t kSpaceBelowFollows = 0x0004;
constexpr std::uint16_t kTabStopsFollow = 0x0200;
constexpr std::uint16_t kTabStop = 120;  // half points: room for a short label before the tab

// Format commands.
constexpr std::uint8_t kCmdFont = 0x80;
constexpr std::uint8_t kCmdLineBreak = 0x81;
constexpr std::uint8_t kCmdParagraphEnd = 0x82;
constexpr std::uint8_t kCmdTab = 0x83;
constexpr std::uint8_t kCmdJumpEnd = 0x89;
constexpr std::uint8_t kCmdTopicJumpPlain = 0xE7;  // topic jump without font change
constexpr std::uint8_t kCmdEnd = 0xFF;

// Builds the format commands and the strings they interleave with: string i is shown before
// command i, so both lists end up the same length.
class CommandStream {
  public:
    void Command(std::uint8_t code) {
        Flush();
        commands_.U8(code);
    }
    void Font(FontNumber font) {
        Command(kCmdFont);
        commands_.U16(font);
    }
    void Jump(std::int32_t hash) {
        Command(kCmdTopicJumpPlain);
        commands_.I32(hash);
    }
    void Text(const std::string& text) {
        pending_ += text;
        doubleByteChars_ += CountDoubleByteChars(text);
    }
    std::size_t DoubleByteChars() const { return doubleByteChars_; }
    void SetDoubleByteChars(std::size_t count) { doubleByteChars_ = count; }

    Bytes TakeCommands() { return commands_.Take(); }
    Bytes TakeStrings() { return strings_.Take(); }

  private:
    void Flush() {
        strings_.CString(pending_);
        pending_.clear();
    }

    ByteWriter commands_;
    ByteWriter strings_;
    std::string pending_;
    std::size_t doubleByteChars_ = 0;
};

}  // namespace

TopicRecord EncodeParagraph(const Paragraph& paragraph, FontNumber font, std::int16_t spaceBelow,
                            std::size_t& doubleByteChars) {
    CommandStream stream;
    stream.SetDoubleByteChars(doubleByteChars);
    stream.Font(font);
    const std::vector<Run>& runs = paragraph.runs;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Run& run = runs[i];
        switch (run.kind) {
            case Run::Kind::Text:
                stream.Text(run.text);
                break;
            case Run::Kind::Tab:
                stream.Command(kCmdTab);
                break;
            case Run::Kind::LineBreak:
                // A jump that starts the next line takes the break into its hotspot, so that
                // its padding trails the line above instead of pushing the label right.
                if (i + 1 < runs.size() && runs[i + 1].kind == Run::Kind::Jump) break;
                stream.Command(kCmdLineBreak);
                break;
            case Run::Kind::Jump: {
                const bool startsLine = i > 0 && runs[i - 1].kind == Run::Kind::LineBreak;
                stream.Jump(ContextHash(run.target));
                if (stream.DoubleByteChars() > 0) {
                    stream.Font(kFontPad);
                    stream.Text(std::string(stream.DoubleByteChars(), ' '));
                }
                if (startsLine) stream.Command(kCmdLineBreak);
                stream.Font(kFontJump);
                stream.Text(run.text);
                stream.Command(kCmdJumpEnd);
                stream.Font(font);
                break;
            }
        }
    }
    stream.Command(kCmdParagraphEnd);
    stream.Command(kCmdEnd);
    doubleByteChars = stream.DoubleByteChars();
    Bytes commands = stream.TakeCommands();
    Bytes strings = stream.TakeStrings();
    if (strings.size() >= 0x4000) throw std::length_error("paragraph too long");

    ByteWriter format;
    auto length = static_cast<std::uint16_t>(strings.size());
    format.CompressedI32(length);  // size of the text part
    format.CompressedU16(length);  // characters it counts for text positions
    format.U8(0x00);
    format.U8(0x80);
    format.U16(0);  // paragraph id
    bool hasTab = false;
    for (const Run& run : runs) hasTab = hasTab || run.kind == Run::Kind::Tab;
    format.U16(kSpaceBelowFollows | (hasTab ? kTabStopsFollow : 0));
    format.CompressedI16(spaceBelow);
    if (hasTab) {
        format.CompressedI16(1);  // one left-aligned tab stop
        format.CompressedU16(kTabStop);
    }
    format.Append(commands);
    return {kRecordText, format.Take(), std::move(strings)};
}

}  // namespace hlpc
