#include "engine/render/engine_texture_internal.h"

#include "engine/core/engine_core_internal.h"
#include "engine/base/engine_filesys.h"
#include "engine/base/engine_log.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// Largest side accepted from a file: keeps a damaged header from asking for gigabytes.
constexpr int kMaxTextureSide = 16384;
// Largest image accepted from a file, in pixels (256 MB of ARGB).
constexpr uint64_t kMaxTexturePixels = uint64_t(4096) * 4096 * 4;
// Result code logged when a file cannot be decoded.
constexpr unsigned kDecodeFailed = 0x80004005u;

uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

int BitCount(uint32_t v)
{
    int n = 0;
    for (; v; v &= v - 1) ++n;
    return n;
}

std::string Extension(const std::string& name)
{
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return std::string();
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

// 5-6-5 colour to 8-bit channels.
void Unpack565(uint16_t c, int& r, int& g, int& b)
{
    r = ((c >> 11) & 31) * 255 / 31;
    g = ((c >> 5) & 63) * 255 / 63;
    b = (c & 31) * 255 / 31;
}

uint32_t Argb(int a, int r, int g, int b)
{
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

// Decodes the colour part of a DXT block into 16 ARGB values (alpha 255, or 0 for the
// transparent entry of a one-bit-alpha DXT1 block).
void DecodeColorBlock(const uint8_t* block, bool dxt1, uint32_t out[16])
{
    const uint16_t c0 = uint16_t(block[0] | (block[1] << 8));
    const uint16_t c1 = uint16_t(block[2] | (block[3] << 8));
    int r[4], g[4], b[4], a[4] = {255, 255, 255, 255};
    Unpack565(c0, r[0], g[0], b[0]);
    Unpack565(c1, r[1], g[1], b[1]);
    if (!dxt1 || c0 > c1) {
        r[2] = (2 * r[0] + r[1]) / 3; g[2] = (2 * g[0] + g[1]) / 3; b[2] = (2 * b[0] + b[1]) / 3;
        r[3] = (r[0] + 2 * r[1]) / 3; g[3] = (g[0] + 2 * g[1]) / 3; b[3] = (b[0] + 2 * b[1]) / 3;
    } else {
        r[2] = (r[0] + r[1]) / 2; g[2] = (g[0] + g[1]) / 2; b[2] = (b[0] + b[1]) / 2;
        r[3] = g[3] = b[3] = 0;
        a[3] = 0;
    }
    const uint32_t bits = ReadU32(block + 4);
    for (int i = 0; i < 16; ++i) {
        const int k = (bits >> (2 * i)) & 3;
        out[i] = Argb(a[k], r[k], g[k], b[k]);
    }
}

void DecodeDxt(const uint8_t* data, int width, int height, CTexture::EFormat format,
               std::vector<uint32_t>& pixels)
{
    const int bw = std::max(1, (width + 3) / 4);
    const int bh = std::max(1, (height + 3) / 4);
    const size_t block_size = format == CTexture::fmtDXT1 ? 8 : 16;
    pixels.assign(size_t(width) * size_t(height), 0);
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            const uint8_t* block = data + (size_t(by) * bw + bx) * block_size;
            uint32_t texels[16];
            if (format == CTexture::fmtDXT1) {
                DecodeColorBlock(block, true, texels);
            } else {
                DecodeColorBlock(block + 8, false, texels);
                int alpha[16];
                if (format == CTexture::fmtDXT3) {
                    for (int i = 0; i < 16; ++i) {
                        const int nib = (block[i / 2] >> ((i & 1) * 4)) & 15;
                        alpha[i] = nib * 17;
                    }
                } else {
                    int a[8];
                    a[0] = block[0];
                    a[1] = block[1];
                    if (a[0] > a[1]) {
                        for (int i = 1; i < 7; ++i) a[i + 1] = ((7 - i) * a[0] + i * a[1]) / 7;
                    } else {
                        for (int i = 1; i < 5; ++i) a[i + 1] = ((5 - i) * a[0] + i * a[1]) / 5;
                        a[6] = 0;
                        a[7] = 255;
                    }
                    uint64_t bits = 0;
                    for (int i = 0; i < 6; ++i) bits |= uint64_t(block[2 + i]) << (8 * i);
                    for (int i = 0; i < 16; ++i) alpha[i] = a[(bits >> (3 * i)) & 7];
                }
                for (int i = 0; i < 16; ++i) texels[i] = (texels[i] & 0x00FFFFFFu) | (uint32_t(alpha[i]) << 24);
            }
            for (int py = 0; py < 4; ++py) {
                const int y = by * 4 + py;
                if (y >= height) break;
                for (int px = 0; px < 4; ++px) {
                    const int x = bx * 4 + px;
                    if (x >= width) break;
                    pixels[size_t(y) * width + x] = texels[py * 4 + px];
                }
            }
        }
    }
}

} // namespace

// ---- the own DDS reader ----

bool ReadDdsImage(const std::vector<uint8_t>& file, DdsImage& image)
{
    if (file.size() < 4 || ReadU32(file.data()) != 0x20534444u) return false;  // "DDS "
    if (file.size() <= 128) {
        GetLog().Error("Error: corrupted dds file!");
        return false;
    }
    const uint8_t* h = file.data();
    const uint32_t height = ReadU32(h + 12);
    const uint32_t width = ReadU32(h + 16);
    const uint32_t pitch = ReadU32(h + 20);
    const uint32_t flags = ReadU32(h + 8);
    const uint32_t mip_count = ReadU32(h + 28);
    const uint32_t pf_flags = ReadU32(h + 80);
    const uint32_t fourcc = ReadU32(h + 84);
    const uint32_t masks[4] = {ReadU32(h + 92), ReadU32(h + 96), ReadU32(h + 100), ReadU32(h + 104)};

    CTexture::EFormat format = CTexture::fmtNone;
    if (pf_flags & 4) {
        if (fourcc == ReadU32(reinterpret_cast<const uint8_t*>("DXT1"))) format = CTexture::fmtDXT1;
        else if (fourcc == ReadU32(reinterpret_cast<const uint8_t*>("DXT3"))) format = CTexture::fmtDXT3;
        else if (fourcc == ReadU32(reinterpret_cast<const uint8_t*>("DXT5"))) format = CTexture::fmtDXT5;
    } else {
        const int b0 = BitCount(masks[0]), b1 = BitCount(masks[1]), b2 = BitCount(masks[2]),
                  b3 = BitCount(masks[3]);
        if (b0 == 8 && b1 == 8 && b2 == 8 && b3 == 8) format = CTexture::fmtA8R8G8B8;
        else if (b0 == 4 && b1 == 4 && b2 == 4 && b3 == 4) format = CTexture::fmtA4R4G4B4;
    }
    if (format == CTexture::fmtNone) {
        GetLog().Error("Error: unknown dds format!");
        return false;
    }
    if (width == 0 || height == 0 || width > kMaxTextureSide || height > kMaxTextureSide) {
        GetLog().Error("Error: corrupted dds file!");
        return false;
    }
    // Only the top level is read, so further mip levels in the file are simply not used.
    size_t row_bytes = 0;
    size_t rows = 0;
    switch (format) {
    case CTexture::fmtA8R8G8B8: row_bytes = size_t(width) * 4; rows = height; break;
    case CTexture::fmtA4R4G4B4: row_bytes = size_t(width) * 2; rows = height; break;
    case CTexture::fmtDXT1: row_bytes = size_t((width + 3) / 4) * 8; rows = (height + 3) / 4; break;
    default: row_bytes = size_t((width + 3) / 4) * 16; rows = (height + 3) / 4; break;
    }
    // Uncompressed rows may be padded to the header's pitch (flag 0x8).
    size_t src_pitch = row_bytes;
    const bool compressed = format >= CTexture::fmtDXT1;
    if (!compressed && (flags & 0x8) && pitch >= row_bytes) src_pitch = pitch;
    const size_t need = src_pitch * (rows - 1) + row_bytes;
    if (file.size() - 128 < need) {
        GetLog().Error("Error: corrupted dds file!");
        return false;
    }
    const uint8_t* data = file.data() + 128;
    image.width = int(width);
    image.height = int(height);
    image.levels = int(mip_count);
    image.format = format;
    if (compressed) {
        DecodeDxt(data, int(width), int(height), format, image.pixels);
        return true;
    }
    image.pixels.assign(size_t(width) * height, 0);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = data + src_pitch * y;
        uint32_t* out = image.pixels.data() + size_t(y) * width;
        for (uint32_t x = 0; x < width; ++x) {
            if (format == CTexture::fmtA8R8G8B8) {
                out[x] = ReadU32(row + 4 * x);
            } else {
                const uint16_t p = uint16_t(row[2 * x] | (row[2 * x + 1] << 8));
                out[x] = Argb(((p >> 12) & 15) * 17, ((p >> 8) & 15) * 17, ((p >> 4) & 15) * 17, (p & 15) * 17);
            }
        }
    }
    return true;
}

// ---- image sizes from the headers ----

uint32_t ReadBe16(const uint8_t* p) { return (uint32_t(p[0]) << 8) | p[1]; }
uint32_t ReadBe32(const uint8_t* p) { return (ReadBe16(p) << 16) | ReadBe16(p + 2); }
uint32_t ReadLe16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }

// The size a JPEG's frame header gives; false when none is found.
bool JpegSize(const std::vector<uint8_t>& f, uint32_t& width, uint32_t& height)
{
    size_t i = 2;
    while (i + 4 <= f.size()) {
        if (f[i] != 0xFF) return false;
        const uint8_t marker = f[i + 1];
        if (marker == 0xFF) {   // fill byte
            ++i;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) {   // markers without a length
            i += 2;
            continue;
        }
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (i + 9 > f.size()) return false;
            height = ReadBe16(&f[i + 5]);
            width = ReadBe16(&f[i + 7]);
            return true;
        }
        i += 2 + ReadBe16(&f[i + 2]);
    }
    return false;
}

// The size the header of a PNG, JPEG, BMP, GIF or (by the name's extension) TGA file claims,
// without decoding anything; false for other files.
bool ImageHeaderSize(const std::vector<uint8_t>& f, const std::string& ext, uint32_t& width, uint32_t& height)
{
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (f.size() >= 24 && std::memcmp(f.data(), kPng, 8) == 0 && std::memcmp(&f[12], "IHDR", 4) == 0) {
        width = ReadBe32(&f[16]);
        height = ReadBe32(&f[20]);
        return true;
    }
    if (f.size() >= 4 && f[0] == 0xFF && f[1] == 0xD8) return JpegSize(f, width, height);
    if (f.size() >= 26 && f[0] == 'B' && f[1] == 'M') {
        if (ReadU32(&f[14]) == 12) {   // the old core header: 16-bit sizes
            width = ReadLe16(&f[18]);
            height = ReadLe16(&f[20]);
        } else {
            width = ReadU32(&f[18]);
            const int32_t h = int32_t(ReadU32(&f[22]));   // negative: top-down rows
            height = h < 0 ? uint32_t(0) - uint32_t(h) : uint32_t(h);
        }
        return true;
    }
    if (f.size() >= 10 && std::memcmp(f.data(), "GIF8", 4) == 0) {
        width = ReadLe16(&f[6]);
        height = ReadLe16(&f[8]);
        return true;
    }
    if (ext == "TGA" && f.size() >= 18) {
        width = ReadLe16(&f[12]);
        height = ReadLe16(&f[14]);
        return true;
    }
    return false;
}

// ---- CTexture ----

CTexture::CTexture(const std::string& name, bool grayed) : _name(name), _grayed(grayed) {}

CTexture::~CTexture()
{
    ReleaseDeviceTexture();
}

bool CTexture::Decode(const std::vector<uint8_t>& file)
{
    DdsImage dds;
    if (ReadDdsImage(file, dds)) {
        _pixels = std::move(dds.pixels);
        _width = float(dds.width);
        _height = float(dds.height);
        _format = dds.format;
        return true;
    }

    // TGA has no signature: the name's extension tells it.
    const std::string ext = Extension(_name);
    // A damaged header must not make the decoder ask for gigabytes: the claimed size is checked first.
    uint32_t claimed_w = 0, claimed_h = 0;
    if (ImageHeaderSize(file, ext, claimed_w, claimed_h) &&
        (claimed_w > uint32_t(kMaxTextureSide) || claimed_h > uint32_t(kMaxTextureSide) ||
         uint64_t(claimed_w) * claimed_h > kMaxTexturePixels)) {
        GetLog().Error("Error: texture %s claims %u x %u pixels, beyond the limit of %d per side and %llu in all; "
                       "not decoded.",
                       _name.c_str(), claimed_w, claimed_h, kMaxTextureSide,
                       static_cast<unsigned long long>(kMaxTexturePixels));
        return false;
    }
    SDL_RWops* rw = SDL_RWFromConstMem(file.data(), int(file.size()));
    SDL_Surface* surface = nullptr;
    if (rw) surface = IMG_LoadTyped_RW(rw, 1, ext.empty() ? nullptr : ext.c_str());
    SDL_Surface* argb = nullptr;
    if (surface) {
        argb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(surface);
    }
    if (!argb || argb->w <= 0 || argb->h <= 0 || argb->w > kMaxTextureSide || argb->h > kMaxTextureSide) {
        if (argb) SDL_FreeSurface(argb);
        GetLog().Error("Error: failed to create texture %s (error code: 0x%X)", _name.c_str(), kDecodeFailed);
        GetLog().Error("Error: %s", IMG_GetError());
        return false;
    }
    _pixels.resize(size_t(argb->w) * size_t(argb->h));
    SDL_LockSurface(argb);
    for (int y = 0; y < argb->h; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(argb->pixels) + size_t(y) * argb->pitch;
        std::memcpy(_pixels.data() + size_t(y) * argb->w, row, size_t(argb->w) * 4);
    }
    SDL_UnlockSurface(argb);
    _width = float(argb->w);
    _height = float(argb->h);
    SDL_FreeSurface(argb);
    // The colour key: opaque black becomes fully transparent.
    for (uint32_t& p : _pixels)
        if (p == 0xFF000000u) p = 0;
    _format = fmtA8R8G8B8;
    return true;
}

bool CTexture::Load(int /*levels*/)
{
    if (_name.empty() || _grayed) return false;
    ReleaseDeviceTexture();
    _pixels.clear();
    _width = _height = 0.0f;
    _format = fmtNone;
    _upload_failed = false;

    ByteVector file;
    if (!CFileSystem::Instance().ReadFile(_name, file)) {
        GetLog().Error("Error: failed to open texture file '%s'!", _name.c_str());
        return false;
    }
    if (!Decode(file)) {
        _pixels.clear();
        _width = _height = 0.0f;
        _format = fmtNone;
        return false;
    }
    return true;
}

bool CTexture::Create(int width, int height, const uint32_t* argb)
{
    if (width <= 0 || height <= 0 || width > kMaxTextureSide || height > kMaxTextureSide) return false;
    ReleaseDeviceTexture();
    _upload_failed = false;
    const size_t n = size_t(width) * size_t(height);
    if (argb) _pixels.assign(argb, argb + n);
    else _pixels.assign(n, 0);
    _width = float(width);
    _height = float(height);
    _format = fmtA8R8G8B8;
    return true;
}

bool CTexture::CopyFrom(const CTexture& source)
{
    if (source._pixels.empty()) return false;
    ReleaseDeviceTexture();
    _upload_failed = false;
    _pixels = source._pixels;
    _width = source._width;
    _height = source._height;
    _format = source._format;
    return true;
}

bool CTexture::MakeGray()
{
    if (_pixels.empty()) return false;
    if (_grayed) return true;
    for (uint32_t& p : _pixels) {
        const uint32_t b = p & 0xFF;
        const uint32_t g = (p >> 8) & 0xFF;
        const uint32_t v = (b + g) / 2;
        p = (p & 0xFF000000u) | (v << 16) | (v << 8) | v;
    }
    ReleaseDeviceTexture();
    _grayed = true;
    return true;
}

SDL_Texture* GetD3DTexture(CTexture& texture)
{
    return CTexture::DeviceCopy::Get(texture, EngineDevice());
}

namespace {

// A static ARGB texture of the pixels on the renderer, filtered linearly; null (logged) on failure.
SDL_Texture* Upload(SDL_Renderer* renderer, const std::string& name, int w, int h, const uint32_t* pixels,
                    DeviceTextureTraits* traits)
{
    SDL_Texture* tex = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, w, h);
    if (!tex || SDL_UpdateTexture(tex, nullptr, pixels, w * 4) != 0) {
        GetLog().Error("Error: unable to create texture %s (%s)", name.c_str(), SDL_GetError());
        if (tex) SDL_DestroyTexture(tex);
        return nullptr;
    }
    SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(tex, SDL_ScaleModeLinear);
    SDL_SetTextureUserData(tex, traits);
    // Equal draws may show another picture from now on.
    if (IEnginePlatform* platform = EnginePlatform()) platform->InvalidateFrame();
    return tex;
}

// Destroys a texture of the engine's renderer (one of an earlier renderer went with it).
void DestroyOnEngine(SDL_Texture*& texture, SDL_Renderer* renderer)
{
    if (texture && g_EngineCore && EngineDevice() == renderer) {
        SDL_DestroyTexture(texture);
        if (IEnginePlatform* platform = EnginePlatform()) platform->InvalidateFrame();
    }
    texture = nullptr;
}

// How many draws in a row must ask for one tint before it is multiplied into a copy.
constexpr int kFixedTintDraws = 3;

} // namespace

SDL_Texture* CTexture::DeviceCopy::Get(CTexture& t, SDL_Renderer* renderer)
{
    if (t._pixels.empty() || !renderer) return nullptr;
    if (!t._device) t._device = std::make_unique<DeviceCopy>();
    DeviceCopy& copy = *t._device;
    if (copy.texture && copy.renderer == renderer) return copy.texture;
    if (copy.texture && copy.renderer != renderer) {
        // The old renderer may be gone: its textures went with it.
        copy.texture = nullptr;
        copy.tinted = nullptr;
        copy.renderer = nullptr;
    }
    if (t._upload_failed) return nullptr;
    // An upload to the engine's renderer must be dropped when that renderer resets or goes.
    if (g_EngineCore && renderer == EngineDevice()) CTextureCacher::Instance().AttachToEngine();
    copy.traits = DeviceTextureTraits();
    copy.traits.opaque = std::all_of(t._pixels.begin(), t._pixels.end(), [](uint32_t p) { return p >= 0xFF000000u; });
    SDL_Texture* tex = Upload(renderer, t._name, int(t._width), int(t._height), t._pixels.data(), &copy.traits);
    if (!tex) {
        t._upload_failed = true;
        return nullptr;
    }
    copy.texture = tex;
    copy.renderer = renderer;
    copy.tint_draws = 0;
    return copy.texture;
}

SDL_Texture* CTexture::DeviceCopy::GetTinted(CTexture& t, SDL_Renderer* renderer, uint32_t rgb)
{
    SDL_Texture* plain = Get(t, renderer);
    if (!plain) return nullptr;
    DeviceCopy& copy = *t._device;
    rgb &= 0xFFFFFFu;
    if (copy.tinted && copy.tinted_traits.tint == rgb) return copy.tinted;
    if (rgb != copy.tint_seen) {
        copy.tint_seen = rgb;
        copy.tint_draws = 0;
    }
    if (rgb == 0xFFFFFFu || ++copy.tint_draws < kFixedTintDraws) return plain;

    // Each channel multiplied as the renderer's colour modulation does it.
    std::vector<uint32_t> pixels(t._pixels);
    const uint32_t tr = rgb >> 16, tg = (rgb >> 8) & 0xFF, tb = rgb & 0xFF;
    for (uint32_t& p : pixels) {
        const uint32_t r = ((p >> 16) & 0xFF) * tr / 255, g = ((p >> 8) & 0xFF) * tg / 255, b = (p & 0xFF) * tb / 255;
        p = (p & 0xFF000000u) | (r << 16) | (g << 8) | b;
    }
    DestroyOnEngine(copy.tinted, copy.renderer);
    copy.tinted_traits = copy.traits;
    copy.tinted_traits.tinted = true;
    copy.tinted_traits.tint = rgb;
    copy.tinted = Upload(renderer, t._name, int(t._width), int(t._height), pixels.data(), &copy.tinted_traits);
    return copy.tinted ? copy.tinted : plain;
}

bool CTexture::HasDeviceTexture() const
{
    return _device && _device->texture != nullptr;
}

void CTexture::ReleaseDeviceTexture()
{
    if (!_device) return;
    // A texture belongs to its renderer and goes with it; it is destroyed here only while that
    // renderer is still the engine's one.
    DestroyOnEngine(_device->tinted, _device->renderer);
    DestroyOnEngine(_device->texture, _device->renderer);
    _device->renderer = nullptr;
    _device->tint_draws = 0;
}

// ---- CTextureCacher ----

CTextureCacher::CTextureCacher()
{
    GetLog();
    CFileSystem::Instance();
    // The textures release their uploads through the engine core: it must outlive the cache.
    CEngineCore::Instance();
}

CTextureCacher::~CTextureCacher()
{
    DetachFromEngines();
    _textures.clear();
}

void CTextureCacher::AttachToEngine()
{
    if (!g_EngineCore) return;
    std::erase_if(_links, [](const std::weak_ptr<EngineLink>& l) { return l.expired(); });
    for (const auto& l : _links) {
        const auto link = l.lock();
        if (link && link->core == g_EngineCore) return;
    }
    auto link = std::make_shared<EngineLink>();
    link->core = g_EngineCore;
    link->id = g_EngineCore->AddDeviceResetListener([this, link](bool) { ReleaseDeviceTextures(); });
    _links.push_back(link);
}

void CTextureCacher::DetachFromEngines()
{
    for (const auto& l : _links)
        if (const auto link = l.lock()) link->core->RemoveDeviceResetListener(link->id);
    _links.clear();
}

CTexturePtr CTextureCacher::GetTexture(const std::string& name)
{
    std::string key = name;
    NormalizePath(key);
    auto it = _textures.find(key);
    if (it != _textures.end()) {
        it->second->AddUse();
        return it->second;
    }
    auto texture = std::make_shared<CTexture>(key);
    texture->Load(1);
    texture->AddUse();
    _textures.emplace(key, texture);
    return texture;
}

CTexturePtr CTextureCacher::GetGrayTexture(const CTexturePtr& source)
{
    if (!source) return CTexturePtr();
    if (source->IsGrayed()) {
        source->AddUse();
        return source;
    }
    const std::string key = source->GetName() + "(gray)";
    auto it = _textures.find(key);
    if (it != _textures.end()) {
        it->second->AddUse();
        return it->second;
    }
    auto gray = std::make_shared<CTexture>(key);
    if (!gray->CopyFrom(*source)) {
        GetLog().Error("Creating clone texture %s failed.", source->GetName().c_str());
        return CTexturePtr();
    }
    if (!gray->MakeGray()) return CTexturePtr();
    gray->AddUse();
    _textures.emplace(key, gray);
    return gray;
}

void CTextureCacher::Release(const CTexturePtr& texture)
{
    if (!texture) return;
    auto it = _textures.find(texture->GetName());
    if (it != _textures.end() && it->second == texture) texture->ReleaseUse();
}

void CTextureCacher::ReleaseDeviceTextures()
{
    for (auto& [name, texture] : _textures) texture->ReleaseDeviceTexture();
}

void CTextureCacher::Clear()
{
    // Textures still held elsewhere must not keep an upload past the renderer it was made on.
    ReleaseDeviceTextures();
    _textures.clear();
}
