// Localized text: the languages, the text labels of the selected language (found by alias), the
// bitmap fonts that draw them, the safe formatter of label parameters, and CStaticLabel, a label
// laid out as one textured quad per letter.
#pragma once

#include "engine/engine_helpers.h"
#include "engine/engine_paramvalue.h"

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

    const GlyphRect& Glyph(unsigned char code) const { return glyphs[code]; }
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

namespace zf {
// Formats a label text with its parameters. The format is walked conversion by conversion
// ("%[flags][width][.precision][length]conv" with the flags "-+#0" and the conversions d i u o x X c
// e E f F g G a A s and %%); each conversion takes the next parameter converted to the type it asks
// for (int, double or text), a missing parameter counts as 0 or the empty text, and anything that is
// not a whole conversion (a stray '%', "%n", "%p", "%*d" ...) is copied as it stands. The result
// holds at most max_length characters. Nothing is ever read beyond the two parameters.
std::string FormatLabelText(const std::string& format, const CParamValue& p1, const CParamValue& p2,
                            size_t max_length = TextLabel::kMaxText - 1);
} // namespace zf
