// The texture cache: sharing by name, the colour key, gray copies, the own DDS reader, failures
// and render resets.
#include "engine/render/engine_texture_internal.h"
#include "support/render_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace rendertest;

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// A DDS file: header fields as given, then the image bytes.
std::vector<uint8_t> MakeDds(uint32_t width, uint32_t height, uint32_t pf_flags, const char* fourcc,
                             const uint32_t masks[4], const std::vector<uint8_t>& image,
                             uint32_t flags = 0x1007, uint32_t pitch = 0, uint32_t mips = 0)
{
    std::vector<uint8_t> b(128, 0);
    std::memcpy(b.data(), "DDS ", 4);
    Put32(b, 4, 124);
    Put32(b, 8, flags);
    Put32(b, 12, height);
    Put32(b, 16, width);
    Put32(b, 20, pitch);
    Put32(b, 28, mips);
    Put32(b, 76, 32);
    Put32(b, 80, pf_flags);
    if (fourcc) std::memcpy(b.data() + 84, fourcc, 4);
    if (masks) {
        Put32(b, 88, 32);
        for (int i = 0; i < 4; ++i) Put32(b, 92 + 4 * i, masks[i]);
    }
    b.insert(b.end(), image.begin(), image.end());
    return b;
}

const uint32_t kMasks8888[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
const uint32_t kMasks4444[4] = {0x0F00, 0x00F0, 0x000F, 0xF000};
const uint32_t kMasks565[4] = {0xF800, 0x07E0, 0x001F, 0};

std::vector<uint8_t> Le32(std::initializer_list<uint32_t> values)
{
    std::vector<uint8_t> b;
    for (uint32_t v : values)
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
    return b;
}

class TextureCache : public ::testing::Test {
protected:
    TextureCache() : _dir(kFixtureDir) { CTextureCacher::Instance().Clear(); }
    ~TextureCache() override { CTextureCacher::Instance().Clear(); }
    ScopedChdir _dir;
    RecordingEngine _engine;
};

TEST_F(TextureCache, OneTexturePerNormalisedName)
{
    auto& cache = CTextureCacher::Instance();
    CTexturePtr a = cache.GetTexture("Textures\\Keyed.png");
    CTexturePtr b = cache.GetTexture("textures\\\\KEYED.PNG");
    ASSERT_TRUE(a);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->GetUseCount(), 2);
    EXPECT_EQ(cache.GetCount(), 1u);
    EXPECT_FLOAT_EQ(a->GetWidth(), 4.0f);
    EXPECT_FLOAT_EQ(a->GetHeight(), 2.0f);
    cache.Release(a);
    EXPECT_EQ(a->GetUseCount(), 1);
    cache.Release(CTexturePtr());  // nothing happens
}

TEST_F(TextureCache, ColourKeyMakesOpaqueBlackTransparent)
{
    for (const char* name : {"Textures\\Keyed.png", "Textures\\Keyed.tga"}) {
        CTexturePtr t = CTextureCacher::Instance().GetTexture(name);
        ASSERT_TRUE(t->IsLoaded()) << name;
        const auto& p = t->GetPixels();
        ASSERT_EQ(p.size(), 8u);
        EXPECT_EQ(p[0], 0x00000000u) << name;  // opaque black
        EXPECT_EQ(p[1], 0xFF010101u) << name;  // near black stays
        EXPECT_EQ(p[2], 0x80000000u) << name;  // half-transparent black stays
        EXPECT_EQ(p[3], 0xFFFFFFFFu) << name;
        EXPECT_EQ(p[4], 0x4DC8150Au) << name;
    }
}

TEST_F(TextureCache, MissingAndBrokenFilesAreLoggedOnceAndCachedEmpty)
{
    auto& cache = CTextureCacher::Instance();
    LogWatch log;
    CTexturePtr missing = cache.GetTexture("Textures\\Nowhere.png");
    CTexturePtr again = cache.GetTexture("Textures\\NOWHERE.png");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing, again);
    EXPECT_FALSE(missing->IsLoaded());
    EXPECT_FLOAT_EQ(missing->GetWidth(), 0.0f);
    EXPECT_EQ(log.Count("Error: failed to open texture file 'TEXTURES\\NOWHERE.PNG'!"), 1u);

    CTexturePtr broken = cache.GetTexture("Textures\\Broken.png");
    EXPECT_FALSE(broken->IsLoaded());
    EXPECT_TRUE(log.Has("Error: failed to create texture TEXTURES\\BROKEN.PNG (error code: 0x80004005)"));

    // No gray copy of nothing, and nothing cached under its gray name.
    LogWatch gray_log;
    EXPECT_FALSE(cache.GetGrayTexture(missing));
    EXPECT_TRUE(gray_log.Has("Creating clone texture TEXTURES\\NOWHERE.PNG failed."));
    EXPECT_EQ(cache.GetCount(), 2u);
    EXPECT_FALSE(cache.GetGrayTexture(CTexturePtr()));
}

TEST_F(TextureCache, GrayCopies)
{
    auto& cache = CTextureCacher::Instance();
    CTexturePtr plain = cache.GetTexture("Textures\\Keyed.png");
    CTexturePtr gray = cache.GetGrayTexture(plain);
    ASSERT_TRUE(gray);
    EXPECT_NE(gray, plain);
    EXPECT_TRUE(gray->IsGrayed());
    EXPECT_EQ(gray->GetName(), "TEXTURES\\KEYED.PNG(gray)");
    // blue 10, green 21, red 200 -> 15 in all three; alpha kept
    EXPECT_EQ(gray->GetPixels()[4], 0x4D0F0F0Fu);
    EXPECT_EQ(gray->GetPixels()[6], 0xFF000000u);  // pure red has no blue or green
    EXPECT_EQ(plain->GetPixels()[4], 0x4DC8150Au); // the source is untouched

    EXPECT_EQ(cache.GetGrayTexture(plain), gray);
    EXPECT_EQ(cache.GetGrayTexture(gray), gray);  // a gray texture is its own gray copy
    EXPECT_EQ(gray->GetUseCount(), 3);
    EXPECT_FALSE(gray->Load());                   // a gray copy is never reloaded from a file
}

TEST_F(TextureCache, DeviceTexturesAreDroppedOnResetAndUploadedAgain)
{
    DeviceRecordingEngine engine;
    CTexturePtr t = CTextureCacher::Instance().GetTexture("Textures\\Keyed.png");
    ASSERT_NE(GetD3DTexture(*t), nullptr);
    EXPECT_TRUE(t->HasDeviceTexture());
    engine.SimulateDeviceReset();
    EXPECT_FALSE(t->HasDeviceTexture());
    EXPECT_NE(GetD3DTexture(*t), nullptr);
    EXPECT_TRUE(t->IsLoaded());
}

// An engine core with a software renderer that, like the real core, tells its reset listeners
// before its renderer goes.
class AnnouncingEngine : public RecordingEngine {
public:
    AnnouncingEngine()
    {
        _surface = SDL_CreateRGBSurfaceWithFormat(0, 16, 16, 32, SDL_PIXELFORMAT_ARGB8888);
        _device = _surface ? SDL_CreateSoftwareRenderer(_surface) : nullptr;
    }
    ~AnnouncingEngine() override
    {
        auto listeners = reset_listeners;
        for (auto& l : listeners) l.second(false);
        if (_device) SDL_DestroyRenderer(_device);
        if (_surface) SDL_FreeSurface(_surface);
    }
    SDL_Renderer* GetDevice() const override { return _device; }

private:
    SDL_Surface* _surface = nullptr;
    SDL_Renderer* _device = nullptr;
};

TEST_F(TextureCache, ListensToEveryEngineItUploadsTo)
{
    // Two engine cores one after the other at the same address: the cache hears the resets of
    // the second one too, and leaves it without a listener once the cache is emptied and gone.
    alignas(AnnouncingEngine) unsigned char storage[sizeof(AnnouncingEngine)];
    CTexturePtr t = CTextureCacher::Instance().GetTexture("Textures\\Keyed.png");

    auto* first = new (storage) AnnouncingEngine;
    ASSERT_NE(first->GetDevice(), nullptr);
    ASSERT_NE(GetD3DTexture(*t), nullptr);
    EXPECT_EQ(first->reset_listeners.size(), 1u);
    first->~AnnouncingEngine();
    EXPECT_FALSE(t->HasDeviceTexture());

    auto* second = new (storage) AnnouncingEngine;
    ASSERT_NE(GetD3DTexture(*t), nullptr);
    ASSERT_NE(GetD3DTexture(*t), nullptr);     // one upload, one listener
    EXPECT_EQ(second->reset_listeners.size(), 1u);
    second->SimulateDeviceReset();
    EXPECT_FALSE(t->HasDeviceTexture());

    // Emptying the cache drops uploads even of textures held elsewhere.
    ASSERT_NE(GetD3DTexture(*t), nullptr);
    CTextureCacher::Instance().Clear();
    EXPECT_FALSE(t->HasDeviceTexture());
    second->~AnnouncingEngine();
}

TEST(DdsReader, DecodesTheAcceptedFormats)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        int width, height;
        CTexture::EFormat format;
        std::vector<uint32_t> pixels;
    };
    // DXT1 four-colour block: red, blue and the two thirds between them.
    std::vector<uint8_t> dxt1 = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00};
    // DXT1 three-colour block (c0 <= c1): index 3 is transparent.
    std::vector<uint8_t> dxt1a = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00};
    // DXT3: explicit alpha nibbles 0, F, 8, ... then a white colour block.
    std::vector<uint8_t> dxt3 = {0xF0, 0x08, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    // DXT5: alpha 255 and 0 with indices 0, 1, 2; white colour block.
    std::vector<uint8_t> dxt5 = {0xFF, 0x00, 0x88, 0x00, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    std::vector<uint8_t> a4r4g4b4 = {0x2F, 0xF1, 0x00, 0x80};
    // Rows padded to a pitch of 12 bytes.
    std::vector<uint8_t> padded = Le32({0xFF102030, 0x80405060, 0xDEADBEEF, 0x01020304, 0xFFFFFFFF, 0});

    Case cases[] = {
        {"A8R8G8B8", MakeDds(2, 2, 0x41, nullptr, kMasks8888, Le32({0xFF112233, 0x00000000, 0x80FF0000, 0xFF000000})),
         2, 2, CTexture::fmtA8R8G8B8, {0xFF112233, 0x00000000, 0x80FF0000, 0xFF000000}},
        {"A8R8G8B8 with pitch", MakeDds(2, 2, 0x41, nullptr, kMasks8888, padded, 0x100F, 12),
         2, 2, CTexture::fmtA8R8G8B8, {0xFF102030, 0x80405060, 0x01020304, 0xFFFFFFFF}},
        {"A4R4G4B4", MakeDds(2, 1, 0x41, nullptr, kMasks4444, a4r4g4b4),
         2, 1, CTexture::fmtA4R4G4B4, {0xFF1122FF, 0x88000000}},
        {"DXT1", MakeDds(4, 1, 4, "DXT1", nullptr, dxt1), 4, 1, CTexture::fmtDXT1,
         {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA}},
        {"DXT1 one-bit alpha", MakeDds(4, 1, 4, "DXT1", nullptr, dxt1a), 4, 1, CTexture::fmtDXT1,
         {0xFF0000FF, 0xFFFF0000, 0xFF7F007F, 0x00000000}},
        {"DXT3", MakeDds(4, 1, 4, "DXT3", nullptr, dxt3), 4, 1, CTexture::fmtDXT3,
         {0x00FFFFFF, 0xFFFFFFFF, 0x88FFFFFF, 0x00FFFFFF}},
        {"DXT5", MakeDds(4, 1, 4, "DXT5", nullptr, dxt5), 4, 1, CTexture::fmtDXT5,
         {0xFFFFFFFF, 0x00FFFFFF, 0xDAFFFFFF, 0xFFFFFFFF}},
        // A mip-map count without a linear size: the top level is read, the rest ignored.
        {"mip-mapped", MakeDds(1, 1, 0x41, nullptr, kMasks8888, Le32({0xFF445566, 0x11111111}), 0x21007, 0, 2),
         1, 1, CTexture::fmtA8R8G8B8, {0xFF445566}},
    };
    for (const auto& c : cases) {
        DdsImage image;
        ASSERT_TRUE(ReadDdsImage(c.file, image)) << c.what;
        EXPECT_EQ(image.width, c.width) << c.what;
        EXPECT_EQ(image.height, c.height) << c.what;
        EXPECT_EQ(image.format, c.format) << c.what;
        ASSERT_EQ(image.pixels.size(), c.pixels.size()) << c.what;
        for (size_t i = 0; i < c.pixels.size(); ++i)
            EXPECT_EQ(image.pixels[i], c.pixels[i]) << c.what << " pixel " << i;
    }
}

TEST(DdsReader, RefusesWhatItCannotUse)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        const char* log;  // null: not a DDS file, no message
    } cases[] = {
        {"empty", {}, nullptr},
        {"a PNG", {0x89, 'P', 'N', 'G', 0, 0, 0, 0}, nullptr},
        {"header only", std::vector<uint8_t>(MakeDds(2, 2, 0x41, nullptr, kMasks8888, {})), "Error: corrupted dds file!"},
        {"short image", MakeDds(2, 2, 0x41, nullptr, kMasks8888, Le32({1, 2, 3})), "Error: corrupted dds file!"},
        {"R5G6B5", MakeDds(1, 1, 0x40, nullptr, kMasks565, {1, 2, 3, 4}), "Error: unknown dds format!"},
        {"unknown four-cc", MakeDds(4, 4, 4, "ATI2", nullptr, std::vector<uint8_t>(16)), "Error: unknown dds format!"},
        {"huge", MakeDds(1u << 30, 1u << 30, 0x41, nullptr, kMasks8888, {1, 2, 3, 4}), "Error: corrupted dds file!"},
        {"zero width", MakeDds(0, 4, 0x41, nullptr, kMasks8888, {1, 2, 3, 4}), "Error: corrupted dds file!"},
    };
    for (const auto& c : cases) {
        LogWatch log;
        DdsImage image;
        EXPECT_FALSE(ReadDdsImage(c.file, image)) << c.what;
        if (c.log) EXPECT_TRUE(log.Has(c.log)) << c.what;
        else EXPECT_EQ(log.Text().find("Error"), std::string::npos) << c.what;
    }
}

TEST(DdsReader, UnknownFormatFallsBackToTheGeneralDecoder)
{
    RecordingEngine engine;
    const std::string path = std::filesystem::temp_directory_path() / "zf-render-565.dds";
    {
        auto bytes = MakeDds(1, 1, 0x40, nullptr, kMasks565, {1, 2, 3, 4});
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    LogWatch log;
    CTexture t(path);
    EXPECT_FALSE(t.Load());
    EXPECT_TRUE(log.Has("Error: unknown dds format!"));
    EXPECT_TRUE(log.Has("Error: failed to create texture " + path + " (error code: 0x80004005)"));
    std::filesystem::remove(path);
}

} // namespace
