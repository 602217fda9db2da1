#include "TopicFile.h"

#include <stdexcept>

namespace hlpc {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;
constexpr std::size_t kTopicHeaderSize = 28;
constexpr std::int16_t kHeadingSpace = 16;  // space below, half points
constexpr std::int16_t kBodySpace = 8;

struct Placed {
    TopicRecord record;
    std::size_t linear = 0;  // start in the concatenated data of all blocks
};

std::size_t RecordSize(const TopicRecord& record) {
    return kTopicLinkHeaderSize + record.format.size() + record.text.size();
}

std::size_t BlockOf(std::size_t linear) { return linear / kTopicBlockData; }

TopicRecord TopicHeaderRecord(const Topic& topic) {
    ByteWriter title;
    title.CString(topic.title);
    return {kRecordTopicHeader, Bytes(kTopicHeaderSize, 0), title.Take()};  // filled later
}

// Every topic: its header record, its title as a heading, its paragraphs. Returns the index
// of each topic's header record.
std::vector<std::size_t> AddRecords(const std::vector<Topic>& topics, std::vector<Placed>& placed) {
    std::vector<std::size_t> headers;
    for (const Topic& topic : topics) {
        headers.push_back(placed.size());
        placed.push_back({TopicHeaderRecord(topic)});
        std::size_t doubleByteChars = 0;
        Paragraph heading{{{Run::Kind::Text, topic.title, {}}}};
        placed.push_back({EncodeParagraph(heading, kFontHeading, kHeadingSpace, doubleByteChars)});
        for (const Paragraph& paragraph : topic.paragraphs) {
            placed.push_back({EncodeParagraph(paragraph, kFontBody, kBodySpace, doubleByteChars)});
        }
    }
    return headers;
}

// TOPICOFFSET of each topic header: characters restart at each block a record starts in.
std::vector<std::uint32_t> TopicOffsets(const std::vector<Placed>& placed) {
    std::vector<std::uint32_t> offsets;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const std::size_t block = BlockOf(placed[i].linear);
        if (i > 0 && block != BlockOf(placed[i - 1].linear)) chars = 0;
        if (placed[i].record.type == kRecordTopicHeader) {
            offsets.push_back(static_cast<std::uint32_t>(block * 0x8000 + chars));
        } else {
            chars += placed[i].record.text.size();
        }
    }
    return offsets;
}

// Topic header: size of the topic's records, browse sequence (none), topic number,
// non-scrolling region (none), scrolling region (its first paragraph), next topic header.
Bytes TopicHeader(const std::vector<Placed>& placed, std::size_t first, std::size_t end,
                  std::size_t number, std::size_t dataSize) {
    const bool last = end == placed.size();
    const std::size_t endLinear = last ? dataSize : placed[end].linear;
    ByteWriter header;
    header.U32(static_cast<std::uint32_t>(endLinear - placed[first].linear));
    header.U32(kNone);
    header.U32(kNone);
    header.U32(static_cast<std::uint32_t>(number));
    header.U32(kNone);
    header.U32(TopicPos(placed[first + 1].linear));
    header.U32(last ? kNone : TopicPos(placed[end].linear));
    return header.Take();
}

void AppendLink(Bytes& data, const TopicRecord& record, std::uint32_t previous,
                std::uint32_t next) {
    ByteWriter link;
    link.U32(static_cast<std::uint32_t>(RecordSize(record)));
    link.U32(static_cast<std::uint32_t>(record.text.size()));
    link.U32(previous);
    link.U32(next);
    link.U32(static_cast<std::uint32_t>(kTopicLinkHeaderSize + record.format.size()));
    link.U8(record.type);
    link.Append(record.format);
    link.Append(record.text);
    data.insert(data.end(), link.Data().begin(), link.Data().end());
}

// Cuts the data into blocks, each behind its header; the last block is zero-filled.
Bytes WriteBlocks(Bytes data, const std::vector<Placed>& placed) {
    const std::size_t blocks =
        data.empty() ? 1 : (data.size() + kTopicBlockData - 1) / kTopicBlockData;
    data.resize(blocks * kTopicBlockData, 0);
    ByteWriter out;
    std::size_t next = 0;  // first record that does not start before the current block
    std::uint32_t lastLink = kNone;
    std::uint32_t lastHeader = kNone;
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t begin = b * kTopicBlockData;
        for (; next < placed.size() && placed[next].linear < begin; ++next) {
            lastLink = TopicPos(placed[next].linear);
            if (placed[next].record.type == kRecordTopicHeader) lastHeader = lastLink;
        }
        const bool startsHere = next < placed.size() && BlockOf(placed[next].linear) == b;
        out.U32(lastLink);
        out.U32(startsHere ? TopicPos(placed[next].linear) : kNone);
        out.U32(lastHeader);
        out.Append(Bytes(data.begin() + static_cast<std::ptrdiff_t>(begin),
                         data.begin() + static_cast<std::ptrdiff_t>(begin + kTopicBlockData)));
    }
    return out.Take();
}

}  // namespace

std::uint32_t TopicPos(std::size_t linear) {
    const std::size_t block = BlockOf(linear);
    if (block >= 0x40000) throw std::length_error("topic data too large");
    return static_cast<std::uint32_t>((block << 14) + kTopicBlockHeaderSize +
                                      linear % kTopicBlockData);
}

TopicFile BuildTopicFile(const std::vector<Topic>& topics) {
    std::vector<Placed> placed;
    const std::vector<std::size_t> headers = AddRecords(topics, placed);
    std::size_t linear = 0;
    for (Placed& p : placed) {
        p.linear = linear;
        linear += RecordSize(p.record);
    }
    const std::size_t dataSize = linear;

    TopicFile file;
    file.offsets = TopicOffsets(placed);
    for (std::size_t t = 0; t < headers.size(); ++t) {
        const std::size_t end = t + 1 < headers.size() ? headers[t + 1] : placed.size();
        placed[headers[t]].record.format = TopicHeader(placed, headers[t], end, t, dataSize);
    }

    Bytes data;
    data.reserve(dataSize);
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const std::uint32_t previous = i == 0 ? kNone : TopicPos(placed[i - 1].linear);
        const std::uint32_t next = i + 1 < placed.size() ? TopicPos(placed[i + 1].linear) : kNone;
        AppendLink(data, placed[i].record, previous, next);
    }
    file.bytes = WriteBlocks(std::move(data), placed);
    return file;
}

}  // namespace hlpc
