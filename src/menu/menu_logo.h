// The logo scene shown at every start before the menu, and the splash sequence it plays.
#pragma once

#include "engine/base/engine_layout.h"
#include "engine/core/engine_scene.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CSprite;
class CXMLNode;

// The file of the splash sequence.
extern const char* const kSplashScreenFile;

// One splash picture of "SplashScreen.xml": it fades in over its background colour, stays for its
// time to live, then fades out.
struct SplashRecord {
    GraphicsDesc graphics;
    uint32_t bk_color = 0xFF000000;   // ARGB
    float x = 0.0f;
    float y = 0.0f;
    int min_alpha = 0;                // 0 to 255
    int max_alpha = 0;                // 0 to 255
    int fade_in_speed = 0;            // alpha per frame; 0 or less: at once
    int fade_out_speed = 0;           // alpha per frame; 0 or less: at once
    int ttl = 0;                      // milliseconds at full alpha
    bool has_bar = false;             // the splash shows the progress bar
};

// The splash pictures in file order, played one after the other. A splash with the bar waits for
// the bar to fill before it fades out. Every sprite has a renderer of its own.
class CSplashImages {
public:
    // Reads the sequence from the file and builds its sprites. Throws when the file cannot be read
    // or parsed (the XML layer logs it).
    explicit CSplashImages(const std::string& file);
    ~CSplashImages();
    CSplashImages(const CSplashImages&) = delete;
    CSplashImages& operator=(const CSplashImages&) = delete;

    // Starts the splash of that index; at or beyond the count the sequence ends.
    void Start(size_t index);
    // One frame: fading, timing and drawing of the current splash (and the bar).
    void Update();
    // The current splash's background colour while running, else opaque black.
    uint32_t GetClearColour() const;

    bool IsRunning() const { return _running; }
    size_t GetCount() const { return _records.size(); }
    size_t GetCurrent() const { return _current; }
    // The current splash stands at full alpha (its time to live runs).
    bool IsShown() const { return _shown; }
    const SplashRecord& GetRecord(size_t index) const { return _records[index]; }
    CSprite& GetSprite(size_t index) { return *_sprites[index]; }
    // The alpha of the current splash's picture.
    int GetAlpha() const;

    // The bar: present when the file has a "Bar" element.
    bool HasBar() const { return _has_bar; }
    bool IsBarInUse() const { return _bar_in_use; }
    bool IsBarFilled() const { return _bar_filled; }
    int GetBarProgress() const { return _bar_progress; }
    int GetBarMaxSize() const { return _bar_max_size; }
    CSprite* GetBarSprite() { return _bar_sprite.get(); }

private:
    void ReadSplash(const CXMLNode& node);
    void ReadBar(const CXMLNode& node);
    void SetBarAlpha(int alpha);
    void GrowBar();
    void ShowBarProgress();

    std::vector<SplashRecord> _records;
    std::vector<std::unique_ptr<CSprite>> _sprites;

    bool _has_bar = false;
    GraphicsDesc _bar_graphics;
    float _bar_x = 0.0f;
    float _bar_y = 0.0f;
    int _bar_max_size = 0;
    int _bar_speed = 0;
    std::unique_ptr<CSprite> _bar_sprite;

    bool _running = false;
    size_t _current = 0;
    bool _shown = false;              // faded in; _shown_since holds the time
    uint32_t _shown_since = 0;        // engine clock, milliseconds
    bool _bar_in_use = false;
    bool _bar_filled = false;
    int _bar_progress = 0;
};

// The logo scene ("Logo"): plays the splash sequence, then goes on to the menu (result 2). A key or
// a mouse button skips it, except while the bar is present and not yet filled. The "no_logo"
// setting, test mode or an empty sequence skip it at once.
class CLogoScene : public AScene {
public:
    // The sequence is read from the file at Init.
    explicit CLogoScene(std::string splash_file = kSplashScreenFile);
    ~CLogoScene() override;

    bool Init() override;
    void Destroy() override;
    void Enter() override;
    void Leave() override;
    void PostFrame() override;
    void BeginDraw() override;
    void Frame() override;

    // Ends the sequence and the scene (2, toward the menu).
    void Stop();

    bool IsRunning() const { return _running; }
    uint32_t GetClearColour() const { return _clear_colour; }
    // Null once the scene has stopped.
    CSplashImages* GetSplashImages() const { return _splash.get(); }

private:
    std::string _splash_file;
    std::shared_ptr<CSplashImages> _splash;
    bool _running = false;
    uint32_t _clear_colour = 0xFF000000;
};

std::shared_ptr<CLogoScene> CreateLogoScene();
