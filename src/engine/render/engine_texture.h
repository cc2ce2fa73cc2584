// Textures shared by name. Every texture keeps its pixels on the CPU (32-bit ARGB, rows top to
// bottom) and uploads them to the engine's renderer when it is first drawn; gray copies are made
// from those pixels and a render reset only drops the uploaded copies. Files are read through the
// file system (package first, then the loose file). Plain DDS files (32-bit and 16-bit ARGB, DXT1,
// DXT3, DXT5; top level only) are read by our own reader; everything else (PNG, TGA, JPEG, BMP ...)
// is decoded by the image library, and there opaque black (0xFF000000) becomes fully transparent.
// The uploaded copies are engine-internal (engine_texture_internal.h).
#pragma once

#include "engine/base/engine_helpers.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class IEngineCore;

class CTexture {
public:
    // Pixel formats a texture may come from (its pixels are always held as 32-bit ARGB).
    enum EFormat { fmtNone = 0, fmtA8R8G8B8, fmtA4R4G4B4, fmtDXT1, fmtDXT3, fmtDXT5 };

    explicit CTexture(const std::string& name = std::string(), bool grayed = false);
    ~CTexture();
    CTexture(const CTexture&) = delete;
    CTexture& operator=(const CTexture&) = delete;

    // Reads and decodes the file of the texture's name. False (logged) for a missing or undecodable
    // file; false without a message for an empty name or a gray copy.
    bool Load(int levels = 1);
    // Makes a texture of the given size from ARGB pixels (w * h values, rows top to bottom).
    bool Create(int width, int height, const uint32_t* argb = nullptr);
    // Takes a copy of the source's pixels and size. False when the source has none.
    bool CopyFrom(const CTexture& source);
    // Turns every pixel gray: blue, green and red all become (blue + green) / 2; alpha kept.
    // False when there are no pixels; true at once when already grayed.
    bool MakeGray();

    const std::string& GetName() const { return _name; }
    bool IsGrayed() const { return _grayed; }
    // Width and height of the image in pixels (0 while nothing is loaded).
    float GetWidth() const { return _width; }
    float GetHeight() const { return _height; }
    int GetUseCount() const { return _use_count; }
    EFormat GetFormat() const { return _format; }
    // True when the texture holds pixels.
    bool IsLoaded() const { return !_pixels.empty(); }
    const std::vector<uint32_t>& GetPixels() const { return _pixels; }

    // Drops the uploaded copy (a render reset); the pixels stay for the next upload.
    void ReleaseDeviceTexture();
    bool HasDeviceTexture() const;

    // The copy uploaded to a renderer (engine_texture_internal.h).
    struct DeviceCopy;

    void AddUse() { ++_use_count; }
    void ReleaseUse() { --_use_count; }

private:
    bool Decode(const std::vector<uint8_t>& file);

    std::string _name;
    bool _grayed = false;
    float _width = 0.0f;
    float _height = 0.0f;
    int _use_count = 0;
    EFormat _format = fmtNone;
    std::vector<uint32_t> _pixels;
    std::unique_ptr<DeviceCopy> _device;     // null until the first upload
    bool _upload_failed = false;
};

using CTexturePtr = std::shared_ptr<CTexture>;

// Result of the own DDS reader.
struct DdsImage {
    int width = 0;
    int height = 0;
    int levels = 0;                   // the header's mip-map count
    CTexture::EFormat format = CTexture::fmtNone;
    std::vector<uint32_t> pixels;     // top level as ARGB
};
// Reads a DDS file. False when the bytes are not a DDS file (no message) or when the file cannot be
// used (logged: "Error: corrupted dds file!", "Error: unknown dds format!").
bool ReadDdsImage(const std::vector<uint8_t>& file, DdsImage& image);

// The one texture cache: one texture per normalised name, never evicted while the cache lives.
class CTextureCacher : public siv::singleton<CTextureCacher> {
    friend class siv::singleton<CTextureCacher>;
public:
    // The texture of that name, loaded on first request. A texture that could not be loaded is
    // cached empty (drawn as nothing) and not tried again. Raises its use count.
    CTexturePtr GetTexture(const std::string& name);
    // The gray copy of the source, cached under the source's name + "(gray)". A grayed source is
    // returned itself. Empty for an empty source or one without pixels; nothing is cached then.
    CTexturePtr GetGrayTexture(const CTexturePtr& source);
    // Lowers the use count of a cached texture; nothing for an empty pointer.
    void Release(const CTexturePtr& texture);

    // Drops every uploaded copy (pixels stay); the next draw uploads again.
    void ReleaseDeviceTextures();
    // Listens to the reset of the current engine core's renderer, once per core (done when a
    // texture is uploaded to it).
    void AttachToEngine();
    size_t GetCount() const { return _textures.size(); }
    // Drops the uploaded copies of every texture and empties the cache (tests).
    void Clear();

    ~CTextureCacher();

private:
    CTextureCacher();
    void DetachFromEngines();

    // One reset listener registered with a core. The core holds the listener, and the listener
    // holds its link: the link lives exactly as long as the core keeps the listener, so a core
    // that is gone (or another one later made at its address) is never taken for a live one.
    struct EngineLink {
        IEngineCore* core = nullptr;
        int id = 0;
    };
    std::map<std::string, CTexturePtr> _textures;
    std::vector<std::weak_ptr<EngineLink>> _links;
};
