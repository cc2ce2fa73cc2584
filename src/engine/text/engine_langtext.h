// Localized text: the languages, the text labels of the selected language (found by alias), the
// bitmap fonts that draw them, the safe formatter of label parameters, and CStaticLabel, a label
// laid out as one textured quad per letter.
#pragma once

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_paramvalue.h"
#include "engine/render/engine_render.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CXMLNode;

// The appearance of a label: the "seven style words".
struct TextStyle {
    float height = 12.0f;           // drawn line height in pixels
    int32_t spacing = 3;            // extra pixels between letters
    uint32_t color = 0xFFFFFFFF;    // ARGB
    bool shadow = false;            // draw a drop shadow
    uint32_t shadow_color = 0xFFFFFFFF;
    float shadow_offset_x = 1.0f;
    float shadow_offset_y = 1.0f;

    bool operator==(const TextStyle&) const = default;
};

// One entry of a labels file.
struct TextLabel {
    enum { alLeft = 0, alRight = 1, alCenter = 2 };
    static constexpr size_t kMaxText = 512;

    std::string alias;
    std::string text;               // a format with up to two parameters; '|' breaks the line
    int32_t font_id = 0;
    int32_t align = alLeft;
    int32_t param_count = 0;        // 0, 1 or 2
    TextStyle style;
};

// A glyph's rectangle in the font texture, in texture pixels; all zero when the font lacks it.
struct GlyphRect {
    float left = 0.0f, top = 0.0f, right = 0.0f, bottom = 0.0f;
};

// A bitmap font: one texture and a rectangle per Windows-1252 byte.
struct FontDesc {
    std::string texture;            // normalised texture name (the texture cache key)
    std::array<GlyphRect, 256> glyphs{};
    std::array<bool, 256> defined{};    // the font draws the letter itself (not the unknown letter)

    const GlyphRect& Glyph(unsigned char code) const { return glyphs[code]; }
    // True when the font has a letter of its own with a non-empty rectangle for the code.
    bool HasGlyph(unsigned char code) const
    {
        const GlyphRect& g = glyphs[code];
        return defined[code] && g.right != g.left && g.bottom != g.top;
    }
    // Reads one "Font" node of a fonts file (undefined codes take the unknown letter when it is given).
    void Load(const CXMLNode& node);
};

struct LanguageDesc {
    std::string name;
    std::string fonts_file;
    std::string labels_file;
    int32_t primary_id = 0;
};

class CTextKeeper : public siv::singleton<CTextKeeper> {
    friend class siv::singleton<CTextKeeper>;
public:
    // Reads the language list ("Settings\Languages.xml" for the program's keeper); nothing is selected.
    explicit CTextKeeper(const std::string& languages_file);
    ~CTextKeeper();

    // Chooses a language (an index out of range falls back to 0 with an error in the log; no
    // languages at all is fatal) and loads its fonts and labels.
    void SelectLanguage(int index);

    // The label of the alias; an unknown alias is logged and gives the empty default label.
    const TextLabel& GetLabel(const std::string& alias) const;
    bool HasLabel(const std::string& alias) const { return _labels.count(alias) != 0; }
    // The font of the id; an unknown id is logged and gives font 0; no fonts at all throws.
    const FontDesc& GetFont(int font_id) const;

    const std::vector<LanguageDesc>& GetLanguages() const { return _languages; }
    int GetCurrentLanguage() const { return _current; }
    size_t GetFontCount() const { return _fonts.size(); }
    const std::map<std::string, TextLabel>& GetLabels() const { return _labels; }

    // Reads one "label" node of a labels file (exposed for tools that check label files).
    static TextLabel ReadLabel(const CXMLNode& node);
    // The number of parameters a label text asks for: every '%' that does not start "%%" counts one;
    // "%%" is a literal percent sign.
    static int CountParams(const std::string& text);

private:
    CTextKeeper();
    void LoadLanguages(const std::string& languages_file);
    void LoadFonts(const std::string& fonts_file);
    void LoadLabels(const std::string& labels_file);

    std::vector<LanguageDesc> _languages;
    int32_t _current = 0;
    std::vector<FontDesc> _fonts;
    std::map<std::string, TextLabel> _labels;
};

// The empty label given for unknown aliases.
const TextLabel& GetEmptyLabel();

// A text label drawn with its font: one quad per letter (two with a drop shadow), laid out on lines
// broken by '|', aligned, scaled to the label's height, turned about the centre of the text and
// handed to the renderer of the font's texture. All work is deferred to the next quad count or
// vertex request and done only for what changed.
class CStaticLabel : public ARenderObject, public siv::object_chain<CStaticLabel> {
public:
    // Dirty flags.
    enum : uint32_t {
        lfPosition = 1, lfTexCoords = 2, lfDepth = 4, lfColors = 8,
        lfText = 16,     // format the text again
        lfLayout = 32,   // lay the quads out again
        lfFont = 64,     // bind the font texture again
        lfLabel = 128,   // a new label was taken
        lfVertices = lfPosition | lfTexCoords | lfDepth | lfColors,
        lfRebuild = lfText | lfLayout | lfFont | lfLabel,
    };

    struct Quad {
        FRect rect;      // label space (screen pixels before rotation)
        FRect pivot;     // relative to the centre of the text
        FRect tex;       // texture pixels
    };

    CStaticLabel();
    // A copy of the alias's label; nothing is laid out before the first parameter or label change.
    explicit CStaticLabel(const std::string& alias);
    CStaticLabel(float x, float y, const std::string& alias);
    // Copies everything; a copy of a label on a shared renderer joins that renderer, a copy of a label
    // with a renderer of its own makes its own at its first draw.
    CStaticLabel(const CStaticLabel& other);
    CStaticLabel& operator=(const CStaticLabel& other);
    ~CStaticLabel() override;

    // A label of another alias replaces everything and clears the parameters; the same alias only
    // brings the label's own style back after SetColor.
    void SetLabel(const TextLabel& label);
    void SetLabel(const std::string& alias);

    // Parameter 1. The int form takes a parameter of another kind (not none) as 0, the string form
    // as the empty text, so that setting those changes nothing.
    void SetParam(int value);
    void SetParam(float value) { SetParam(CParamValue(value)); }
    void SetParam(const std::string& value);
    void SetParam(const char* value) { SetParam(std::string(value ? value : "")); }
    void SetParam(const CParamValue& value);
    void SetParams(const CParamValue& first, const CParamValue& second);

    void SetTextStyle(const TextStyle& style);
    void SetColor(uint32_t argb);
    void SetAlpha(uint32_t alpha);
    uint32_t GetAlpha() const { return _label.style.color >> 24; }
    uint32_t GetColor() const { return _label.style.color; }
    float GetHeight() const { return _label.style.height; }
    void SetAngle(float degrees);
    float GetAngle() const { return _angle; }
    void Move(float dx, float dy);
    void SetPosition(float x, float y);
    float GetX() const { return _origin_x; }
    float GetY() const { return _origin_y; }

    // Binds the font texture when needed and draws the label's own renderer; a label on a shared
    // renderer is drawn with that renderer.
    void Draw();
    // Shows another alias at (x, y), unturned, at once (one label drawing many rows).
    void DrawAt(float x, float y, const std::string& alias);

    // Formats and lays out what the flags ask for.
    void Rebuild();

    void SetTextureSize(float width, float height) override;
    bool IsAnimated() override { return false; }
    bool UpdateAnimation(bool& still_animated) override;
    unsigned GetQuadCount() override;
    const VERTEX_2DPNT1* GetVertices() override;

    const TextLabel& GetLabel() const { return _label; }
    const std::string& GetText() const { return _text; }
    const CParamValue& GetParam1() const { return _param1; }
    const CParamValue& GetParam2() const { return _param2; }
    bool IsStyleFromLabel() const { return _style_from_label; }
    uint32_t GetDirty() const { return _flags; }
    const FRect& GetBoundingBox() const { return _bbox; }
    const std::vector<Quad>& GetQuads() const { return _quads; }
    int GetBoundFont() const { return _bound_font; }

private:
    void CopyFields(const CStaticLabel& other);
    void Changed(uint32_t flags, bool recount);
    void Format();
    void Layout();
    void BindFont();

    TextLabel _label;
    bool _style_from_label = true;
    CParamValue _param1;
    CParamValue _param2;
    int32_t _bound_font = -1;
    std::string _text;
    float _origin_x = 0.0f;
    float _origin_y = 0.0f;
    FRect _bbox;
    FRect _centred;
    CMatrix4 _rotation = CMatrix4::Identity();
    CMatrix4 _translation = CMatrix4::Identity();
    float _inv_tex_height = 1.0f;
    float _inv_tex_width = 1.0f;
    float _pivot_x = 0.0f;
    float _pivot_y = 0.0f;
    float _angle = 0.0f;
    uint32_t _flags = 0;
    std::vector<Quad> _quads;
    unsigned _quad_count = 0;
    std::vector<VERTEX_2DPNT1> _vertices;
};

namespace zf {
// A label text with its parameters: FormatParams held to the length of a label.
inline std::string FormatLabelText(const std::string& format, const CParamValue& p1, const CParamValue& p2,
                                   size_t max_length = TextLabel::kMaxText - 1)
{
    return FormatParams(format, p1, p2, max_length);
}
} // namespace zf
