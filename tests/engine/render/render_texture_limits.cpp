// A texture whose header claims an absurd size is refused before anything is decoded.
#include "engine/render/engine_texture.h"
#include "support/render_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using namespace rendertest;
using zftest::TempDir;
using zftest::WriteBytes;

namespace {

std::vector<uint8_t> Png(uint32_t w, uint32_t h)
{
    std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t v : {w, h})
        for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(v >> shift));
    b.insert(b.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});   // depth, RGBA, methods, a CRC
    return b;
}

std::vector<uint8_t> Le16Header(std::vector<uint8_t> b, size_t at, uint32_t w, uint32_t h)
{
    b.resize(std::max(b.size(), at + 4), 0);
    b[at] = uint8_t(w), b[at + 1] = uint8_t(w >> 8), b[at + 2] = uint8_t(h), b[at + 3] = uint8_t(h >> 8);
    return b;
}

std::vector<uint8_t> Bmp(uint32_t w, int32_t h)
{
    std::vector<uint8_t> b(54, 0);
    b[0] = 'B', b[1] = 'M', b[14] = 40;
    for (int i = 0; i < 4; ++i) b[18 + i] = uint8_t(w >> (8 * i)), b[22 + i] = uint8_t(uint32_t(h) >> (8 * i));
    b[26] = 1, b[28] = 32;
    return b;
}

std::vector<uint8_t> Jpeg(uint32_t w, uint32_t h)
{
    // start, an application segment, then the frame header
    std::vector<uint8_t> b = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F', 0xFF, 0xC0, 0, 11, 8};
    b.insert(b.end(), {uint8_t(h >> 8), uint8_t(h), uint8_t(w >> 8), uint8_t(w), 1, 1, 0x11, 0});
    return b;
}

TEST(TextureLimits, AbsurdHeaderSizesAreRefusedBeforeDecoding)
{
    struct Case {
        const char* name;
        const char* file;
        std::vector<uint8_t> bytes;
        bool refused;
    };
    const Case cases[] = {
        {"png 100000 x 100000", "huge.png", Png(100000, 100000), true},
        {"png one side too long", "long.png", Png(16385, 1), true},
        {"png too many pixels", "many.png", Png(16384, 8192), true},
        {"png at the side limit", "edge.png", Png(16384, 2), false},
        {"bmp", "huge.bmp", Bmp(100000, 100000), true},
        {"bmp top-down", "down.bmp", Bmp(100000, -100000), true},
        {"jpeg", "huge.jpg", Jpeg(65535, 65535), true},
        {"tga (by its name)", "huge.tga", Le16Header(std::vector<uint8_t>(18, 0), 12, 65535, 65535), true},
        {"gif", "huge.gif", Le16Header({'G', 'I', 'F', '8', '9', 'a'}, 6, 65535, 65535), true},
        {"small png", "small.png", Png(64, 64), false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / c.file;
        WriteBytes(path, c.bytes);
        LogWatch log;
        CTexture texture(path);
        EXPECT_FALSE(texture.Load());   // none of them holds an image
        EXPECT_EQ(log.Has("pixels, beyond the limit of 16384 per side and 67108864 in all; not decoded."), c.refused)
            << log.Text();
        EXPECT_EQ(log.Has("Error: failed to create texture"), !c.refused) << log.Text();
        EXPECT_FALSE(texture.IsLoaded());
    }
}

} // namespace
