// Real drawings from real CAD programs: outcome, code, size and the rebuilt image's digest.
#include <gtest/gtest.h>

#include <random>

#include "FileSource.h"
#include "Fixtures.h"
#include "PreviewTestUtil.h"
#include "Sha256.h"
#include "image/DrawingPicture.h"
#include "preview/Preview.h"

namespace {

const char* OutcomeName(PreviewOutcome o) {
    switch (o) {
        case PreviewOutcome::BelowRange:
            return "BelowRange";
        case PreviewOutcome::NoBitmap:
            return "NoBitmap";
        case PreviewOutcome::Ready:
            return "Ready";
    }
    return "?";
}

class RealDrawings : public ::testing::Test {
  protected:
    void SetUp() override {
        rows_ = LoadFixtureExpectations();
        if (rows_.empty()) GTEST_SKIP() << "no fixtures at " << FixturesDir();
    }
    std::vector<FixtureExpectation> rows_;
};

TEST_F(RealDrawings, MatchTheirExpectedResults) {
    for (const auto& e : rows_) {
        SCOPED_TRACE(e.file);
        const std::string path = (FixturesDir() / e.file).string();
        if (e.outcome == "Error") {
            ExpectAppError([&] { ReadDrawingPreview(path); }, msg::kStreamRead);
            continue;
        }
        const DrawingPreview p = ReadDrawingPreview(path);
        EXPECT_EQ(OutcomeName(p.outcome), e.outcome);
        EXPECT_EQ(p.info.releaseCode, e.releaseCode);
        if (p.outcome != PreviewOutcome::Ready) continue;
        EXPECT_EQ(std::to_string(p.info.width) + "x" + std::to_string(p.info.height),
                  e.thumbnailSize);
        EXPECT_EQ(p.info.kind == ImageKind::Png ? "png" : "bmp", e.imageKind);
        EXPECT_EQ(std::to_string(p.image.size()), e.imageBytes);
        EXPECT_EQ(Sha256Hex(p.image), e.imageSha256);
    }
}

// Telling a DWG drawing from a DXF one costs the header's first bytes: the Explorer handlers
// read no more of a DWG drawing than its header, directory and thumbnail. A drawing that
// stores no bitmap is drawn from its objects instead, which reads them.
TEST_F(RealDrawings, AreToldFromDxfDrawingsByTheirFirstBytes) {
    for (const auto& e : rows_) {
        SCOPED_TRACE(e.file);
        if (e.outcome == "Error") continue;
        const auto bytes = ReadFileBytes(FixturesDir() / e.file);
        MemorySource alone(bytes), told(bytes);
        const DrawingPreview p = ReadDrawingPreview(alone);
        PictureRequest request;
        request.decodes = false;
        const DrawingPicture picture = ReadDrawingPicture(told, request);
        EXPECT_FALSE(picture.dxf);
        EXPECT_EQ(picture.preview.image, p.image);
        if (picture.outcome == PictureOutcome::Drawn) {
            EXPECT_EQ(e.outcome, "NoBitmap");
            continue;
        }
        EXPECT_LE(told.BytesRead(), alone.BytesRead() + 32);
    }
}

// Every cut up to the end of the thumbnail, and random cuts beyond, either succeeds or fails
// with the stream-read error; nothing reads out of bounds (run under ASan too).
TEST_F(RealDrawings, SurviveTruncationAtEveryLength) {
    std::mt19937 random(20261208);
    for (const auto& e : rows_) {
        SCOPED_TRACE(e.file);
        const auto whole = ReadFileBytes(FixturesDir() / e.file);
        PreviewInfo info;
        std::size_t thumbnailEnd = 64;
        try {
            if (ReadPreviewHeader(whole, info) == PreviewOutcome::Ready) {
                thumbnailEnd = std::size_t{info.bitmapStart} + info.bitmapLength;
            }
        } catch (const AppError&) {
        }
        std::vector<std::size_t> cuts;
        for (std::size_t n = 0; n <= std::min(thumbnailEnd, whole.size()); ++n) cuts.push_back(n);
        for (int i = 0; i < 200; ++i) cuts.push_back(random() % (whole.size() + 1));
        for (std::size_t n : cuts) {
            const std::span<const uint8_t> part(whole.data(), n);
            try {
                PreviewInfo cutInfo;
                if (ReadPreviewHeader(part, cutInfo) == PreviewOutcome::Ready) {
                    BuildBitmapStream(part, cutInfo);
                }
            } catch (const AppError& error) {
                ASSERT_EQ(ErrorText(error), msg::kStreamRead) << "cut at " << n;
            }
        }
    }
}

}  // namespace
