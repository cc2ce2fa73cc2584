#include "menu/menu_logo.h"

#include "engine/base/engine_clock.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_paramvalue.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core.h"
#include "engine/core/engine_input.h"
#include "engine/render/engine_render.h"
#include "engine/sound/engine_soundqueue.h"
#include "settings/main_settings.h"
#include "settings/main_userfiles.h"

#include <algorithm>
#include <exception>

const char* const kSplashScreenFile = "Settings\\SplashScreen.xml";

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000;

int ClampAlpha(int alpha) { return std::clamp(alpha, 0, 255); }

// A fade step larger than the whole alpha range is as good as "at once".
int FadeStep(int speed) { return std::min(speed, 256); }

} // namespace

// ---------------------------------------------------------------------------------------------
// The splash sequence

CSplashImages::CSplashImages(const std::string& file)
{
    const CXMLFile doc(file);
    const CXMLNodeList splashes = doc.SelectNodes("//SplashScreens/Splash");
    for (int i = 0; i < splashes.GetLength(); ++i) ReadSplash(splashes.GetItem(i));
    const CXMLNode bar = doc.SelectSingleNode("//SplashScreens/Bar");
    if (bar.IsValid()) ReadBar(bar);
    Start(0);
}

CSplashImages::~CSplashImages() = default;

void CSplashImages::ReadSplash(const CXMLNode& node)
{
    SplashRecord r;
    ReadGraphics(node, r.graphics);
    r.x = node.GetFloatAttribute("pos_x", 0.0f);
    r.y = node.GetFloatAttribute("pos_y", 0.0f);
    r.bk_color = static_cast<uint32_t>(HexToInt(node.GetAttribute("bk_color", "FF000000")));
    r.min_alpha = ClampAlpha(node.GetIntAttribute("min_alpha", 0));
    r.max_alpha = ClampAlpha(node.GetIntAttribute("max_alpha", 0));
    r.fade_in_speed = node.GetIntAttribute("fade_in_speed", 0);
    r.fade_out_speed = node.GetIntAttribute("fade_out_speed", 0);
    r.ttl = std::max(0, node.GetIntAttribute("ttl", 0));
    r.has_bar = node.GetIntAttribute("has_bar", 0) != 0;

    auto sprite = std::make_unique<CSprite>();
    sprite->Init(r.x, r.y, r.graphics);
    sprite->SetAlpha(uint32_t(r.min_alpha));
    _records.push_back(std::move(r));
    _sprites.push_back(std::move(sprite));
}

void CSplashImages::ReadBar(const CXMLNode& node)
{
    _has_bar = true;
    ReadGraphics(node, _bar_graphics);
    _bar_x = node.GetFloatAttribute("pos_x", 0.0f);
    _bar_y = node.GetFloatAttribute("pos_y", 0.0f);
    // Whole units: the fractions of the file's numbers are dropped (a value out of any int's
    // reach counts as none).
    const auto whole = [](float v) { return (v > -1e9f && v < 1e9f) ? int(v) : 0; };
    _bar_max_size = std::max(0, whole(node.GetFloatAttribute("max_size", 0.0f)));
    _bar_speed = whole(node.GetFloatAttribute("speed", 0.0f));
    _bar_sprite = std::make_unique<CSprite>();
    _bar_sprite->Init(_bar_x, _bar_y, _bar_graphics);
    ShowBarProgress();
}

void CSplashImages::Start(size_t index)
{
    if (index >= _records.size()) {
        _running = false;
        return;
    }
    _running = true;
    _current = index;
    _shown = false;
    _shown_since = 0;
    if (_records[index].has_bar && _has_bar) {
        _bar_in_use = true;
        _bar_filled = false;
        _bar_progress = 0;
        // A bar that faded out with the splash before comes back in its own colour.
        _bar_sprite->SetColor(_bar_graphics.color);
        _bar_sprite->RestartAnimation();
        ShowBarProgress();
    } else {
        _bar_in_use = false;
        _bar_filled = false;
    }
}

int CSplashImages::GetAlpha() const
{
    return _running ? int(_sprites[_current]->GetAlpha()) : 0;
}

uint32_t CSplashImages::GetClearColour() const
{
    return _running ? _records[_current].bk_color : kOpaqueBlack;
}

void CSplashImages::SetBarAlpha(int alpha)
{
    if (_bar_in_use) _bar_sprite->SetAlpha(uint32_t(alpha));
}

void CSplashImages::Update()
{
    if (!_running) return;
    const SplashRecord& s = _records[_current];
    CSprite& sprite = *_sprites[_current];
    const size_t index = _current;

    // A speed of 0 or less moves straight to the target: with the default 0 the picture would
    // otherwise never arrive there and the sequence would never end.
    if (!_shown) {
        const int alpha = s.fade_in_speed > 0 ? int(sprite.GetAlpha()) + FadeStep(s.fade_in_speed) : s.max_alpha;
        if (alpha < s.max_alpha) {
            sprite.SetAlpha(uint32_t(alpha));
        } else {
            sprite.SetAlpha(uint32_t(s.max_alpha));
            _shown = true;
            _shown_since = zf::ClockNow();
        }
    } else if (zf::ClockNow() - _shown_since >= uint32_t(s.ttl) && (!_has_bar || !_bar_in_use || _bar_filled)) {
        const int alpha = s.fade_out_speed > 0 ? int(sprite.GetAlpha()) - FadeStep(s.fade_out_speed) : s.min_alpha;
        if (alpha > s.min_alpha) {
            sprite.SetAlpha(uint32_t(alpha));
            SetBarAlpha(alpha);
        } else {
            sprite.SetAlpha(uint32_t(s.min_alpha));
            SetBarAlpha(s.min_alpha);
            Start(_current + 1);
        }
    }

    // The splash of this frame is drawn even when the next one has just been started.
    _sprites[index]->Draw();

    if (_has_bar && _bar_in_use) {
        if (_shown) {
            if (!_bar_sprite->IsPlaying()) _bar_sprite->ResumeAnimation();
            GrowBar();
        }
        _bar_sprite->Draw();
    }
}

void CSplashImages::GrowBar()
{
    if (_bar_progress < _bar_max_size) {
        // A bar without a speed fills at once, so that its splash can still end.
        _bar_progress = _bar_speed > 0 ? std::min(_bar_max_size, _bar_progress + std::min(_bar_speed, _bar_max_size))
                                       : _bar_max_size;
        ShowBarProgress();
    }
    if (_bar_progress >= _bar_max_size) _bar_filled = true;
}

void CSplashImages::ShowBarProgress()
{
    // A still bar picture is uncovered from its left end as the progress grows; an animated one
    // shows its frames as they play.
    if (!_bar_sprite || !_bar_graphics.animation.empty()) return;
    const float share = _bar_max_size > 0 ? float(_bar_progress) / float(_bar_max_size) : 1.0f;
    const float width = float(_bar_graphics.width) * share;
    const float* t = _bar_graphics.tex_rect;
    _bar_sprite->SetRects(FRect{_bar_x, _bar_y, _bar_x + width, _bar_y + float(_bar_graphics.height)},
                          FRect{t[0], t[1], t[0] + (t[2] - t[0]) * share, t[3]});
}

// ---------------------------------------------------------------------------------------------
// The logo scene

CLogoScene::CLogoScene(std::string splash_file) : AScene("Logo"), _splash_file(std::move(splash_file)) {}

CLogoScene::~CLogoScene() = default;

std::shared_ptr<CLogoScene> CreateLogoScene()
{
    return std::make_shared<CLogoScene>();
}

bool CLogoScene::Init()
{
    CLog& log = GetLog();
    log.Message("Initialize Logo...");
    try {
        _splash = std::make_shared<CSplashImages>(_splash_file);
    } catch (const std::exception& e) {
        // The splash pictures are not worth a failed start: without them the menu comes at once.
        log.Error("Error: splash screens not read from '%s' (%s), no splash screens.", _splash_file.c_str(),
                  e.what());
        _splash.reset();
        return true;
    }
    log.Message("Logo initialized.");
    return true;
}

void CLogoScene::Destroy()
{
    _splash.reset();
    _running = false;
}

void CLogoScene::Enter()
{
    SetNextScene("Menu");
    if (g_Mouse) {
        g_Mouse->Update();
        g_Mouse->SetPosition(g_EngineCore->GetHalfWidth(), g_EngineCore->GetHalfHeight());
    }
    if (!_splash || g_Settings.EnsureLoaded().no_logo || GetGlobalVars().GetBool("test_mode")) {
        SetResult(srNextScene);
        return;
    }
    _splash->Start(0);
    if (!_splash->IsRunning()) {
        SetResult(srNextScene);
        return;
    }
    GetLog().Message("Start Logo...");
    _running = true;
    _clear_colour = _splash->GetClearColour();
    if (g_Mouse) g_Mouse->ShowSystemCursor(false);
}

void CLogoScene::Leave()
{
    GetLog().Message("Logo stopped.");
    if (g_Mouse) g_Mouse->ShowSystemCursor(true);
}

void CLogoScene::BeginDraw()
{
    g_EngineCore->Clear(_clear_colour);
}

void CLogoScene::Frame()
{
    if (_running) {
        _splash->Update();
        _clear_colour = _splash->GetClearColour();
        if (!_splash->IsRunning()) Stop();
    }
    // Sounds asked for during the frame and music fades move on in every scene.
    g_SoundQueue.Update();
}

void CLogoScene::PostFrame()
{
    if (!_running) return;
    if (_splash->HasBar() && !_splash->IsBarFilled()) return;
    const bool pressed = (g_Mouse && g_Mouse->IsAnyButtonPressed()) || (g_Keyboard && g_Keyboard->IsAnyKeyPressed());
    if (pressed) Stop();
}

void CLogoScene::Stop()
{
    if (!_running) return;
    _splash->Start(_splash->GetCount());
    _running = false;
    _clear_colour = 0;
    GetLog().Message("Logo destroyed.");
    _splash.reset();
    SetResult(srNextScene);
}
