#pragma once
// |TOPIC: the topics' text as a chain of records ("topic links") in 4 KB blocks, stored
// without compression.
//
// Block: 12-byte header (i32 last link before this block, i32 first link starting in it,
//        i32 last topic header before it; -1 where there is none), then 4084 data bytes.
//        Records run on from one block's data into the next; the last block is zero-filled.
// Position of a record (TOPICPOS): block * 0x4000 + 12 + offset in the block's data.
// Record: i32 size, i32 size of text part, i32 previous record, i32 next record (-1 at the
//         ends), i32 size of the 21-byte head plus the format part, u8 type (2 = topic
//         header, 0x20 = text), the format part, the text part (zero-terminated strings).
// Position of text (TOPICOFFSET, used by |CONTEXT and |SYSTEM): block of the record's start
//         * 0x8000 + characters of the text records before it that start in the same block,
//         each text record counting all bytes of its text part.
#include <cstdint>
#include <vector>

#include "ByteWriter.h"
#include "HelpSource.h"
#include "TopicRecord.h"

namespace hlpc {

inline constexpr std::size_t kTopicBlockSize = 0x1000;
inline constexpr std::size_t kTopicBlockHeaderSize = 12;
inline constexpr std::size_t kTopicBlockData = kTopicBlockSize - kTopicBlockHeaderSize;
inline constexpr std::size_t kTopicLinkHeaderSize = 21;

struct TopicFile {
    Bytes bytes;                         // the internal file's content
    std::vector<std::uint32_t> offsets;  // TOPICOFFSET of each topic, in topic order
};

// Lays out all topics: a header record with the title, the title as a heading paragraph,
// then the topic's paragraphs.
TopicFile BuildTopicFile(const std::vector<Topic>& topics);

// TOPICPOS of a byte at `linear` in the concatenated data of all blocks.
std::uint32_t TopicPos(std::size_t linear);

}  // namespace hlpc
