#include "engine/text/engine_langtext.h"

#include "engine/base/engine_filesys.h"
#include "engine/base/engine_layout.h"
#include "engine/base/engine_log.h"
#include "engine/render/engine_texture.h"
#include "engine/base/engine_xml.h"

#include <algorithm>

namespace {

constexpr int kUndefinedCode = -999;
constexpr const char* kSettingsFolder = "Settings\\";

} // namespace

const TextLabel& GetEmptyLabel()
{
    static const TextLabel empty;
    return empty;
}

// ---------------------------------------------------------------------------------------------
// Fonts

void FontDesc::Load(const CXMLNode& node)
{
    texture = node.GetAttribute("texture", "");
    glyphs.fill(GlyphRect());
    defined.fill(false);
    if (texture.empty()) {
        GetLog().Error("Error: load font: font texture not defined.");
        return;
    }
    NormalizePath(texture);

    const CXMLNodeList lines = node.SelectNodes("Line");
    for (int i = 0; i < lines.GetLength(); ++i) {
        const CXMLNode line = lines.GetItem(i);
        const float y_top = static_cast<float>(line.GetIntAttribute("y_top", 0));
        const float y_bottom = static_cast<float>(line.GetIntAttribute("y_bottom", 0));
        const float x_right = static_cast<float>(line.GetIntAttribute("x_right", 0));
        int previous = -1;
        const CXMLNodeList letters = line.SelectNodes("Letter");
        for (int j = 0; j < letters.GetLength(); ++j) {
            const CXMLNode letter = letters.GetItem(j);
            int code = letter.GetIntAttribute("ascii", kUndefinedCode);
            if (code == kUndefinedCode) {
                const std::string ch = letter.GetAttribute("char", " ");
                code = ch.empty() ? 0 : static_cast<int>(static_cast<signed char>(ch[0]));
            }
            const float pos_x = static_cast<float>(letter.GetIntAttribute("pos_x", 0));
            if (previous >= 0) glyphs[previous].right = pos_x - 1.0f;
            if (code < 1 || code > 255) {
                GetLog().Error("Error: letter with code %d out of code range. Ignored.", code);
                previous = -1;
                continue;
            }
            glyphs[code] = GlyphRect{pos_x, y_top, pos_x, y_bottom};
            defined[code] = true;
            previous = code;
        }
        if (previous >= 0) glyphs[previous].right = x_right;
    }

    const int unknown = node.GetIntAttribute("unknown_letter", kUndefinedCode);
    if (unknown < 1 || unknown > 255) {
        GetLog().Warning("Warning: load font: unknown symbol not defined.");
        return;
    }
    const GlyphRect substitute = glyphs[unknown];
    for (GlyphRect& g : glyphs)
        if (g.top == 0.0f && g.bottom == 0.0f) g = substitute;
}

// ---------------------------------------------------------------------------------------------
// The keeper

// The services the keeper uses are made first, so that they are destroyed after it.
CTextKeeper::CTextKeeper()
{
    GetLog();
    CFileSystem::Instance();
    CTextureCacher::Instance();
    LoadLanguages(std::string(kSettingsFolder) + "Languages.xml");
}

CTextKeeper::CTextKeeper(const std::string& languages_file)
{
    GetLog();
    CFileSystem::Instance();
    CTextureCacher::Instance();
    LoadLanguages(languages_file);
}

CTextKeeper::~CTextKeeper() = default;

void CTextKeeper::LoadLanguages(const std::string& languages_file)
{
    _languages.clear();
    CXMLFile xml(languages_file);
    const CXMLNodeList nodes = xml.SelectNodes("//Languages/Language");
    for (int i = 0; i < nodes.GetLength(); ++i) {
        const CXMLNode node = nodes.GetItem(i);
        LanguageDesc lang;
        lang.name = node.GetAttribute("name", "");
        lang.fonts_file = node.GetAttribute("fonts_file", "");
        lang.labels_file = node.GetAttribute("labels_file", "");
        lang.primary_id = node.GetIntAttribute("primary_id", 0);
        _languages.push_back(std::move(lang));
    }
}

void CTextKeeper::SelectLanguage(int index)
{
    if (index >= 0 && index < static_cast<int>(_languages.size())) {
        _current = index;
    } else {
        GetLog().Error("Error: incorrect language #%d selected!", index);
        if (_languages.empty()) THROW_ERROR("\"no languages found!\"");
        _current = 0;
    }
    const LanguageDesc& lang = _languages[_current];
    LoadFonts(kSettingsFolder + lang.fonts_file);
    LoadLabels(kSettingsFolder + lang.labels_file);
}

void CTextKeeper::LoadFonts(const std::string& fonts_file)
{
    CXMLFile xml(fonts_file);
    const CXMLNodeList nodes = xml.SelectNodes("//Fonts/Font");
    std::vector<FontDesc> fonts(static_cast<size_t>(std::max(0, nodes.GetLength())));
    for (int i = 0; i < nodes.GetLength(); ++i) fonts[i].Load(nodes.GetItem(i));
    _fonts.swap(fonts);
}

void CTextKeeper::LoadLabels(const std::string& labels_file)
{
    CXMLFile xml(labels_file);
    const CXMLNodeList nodes = xml.SelectNodes("//labels/label");
    std::map<std::string, TextLabel> labels;
    for (int i = 0; i < nodes.GetLength(); ++i) {
        TextLabel label = ReadLabel(nodes.GetItem(i));
        labels.emplace(label.alias, std::move(label));   // a repeated alias keeps its first entry
    }
    _labels.swap(labels);
}

int CTextKeeper::CountParams(const std::string& text)
{
    int count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (i + 1 < text.size() && text[i + 1] == '%') { ++i; continue; }
        ++count;
    }
    return count;
}

TextLabel CTextKeeper::ReadLabel(const CXMLNode& node)
{
    TextLabel label;
    label.alias = node.GetAttribute("alias", "");
    label.text = node.GetValue();
    label.font_id = node.GetIntAttribute("font_id", 0);
    const std::string align = node.GetAttribute("align", "");
    label.align = align == "RIGHT" ? TextLabel::alRight : align == "CENTER" ? TextLabel::alCenter : TextLabel::alLeft;

    if (label.text.size() >= TextLabel::kMaxText) {
        GetLog().Warning("Warning: Label '%s' is too long! Truncating to %u symbols...", label.alias.c_str(),
                         static_cast<unsigned>(TextLabel::kMaxText));
        label.text.resize(TextLabel::kMaxText);
    }
    label.param_count = CountParams(label.text);
    if (label.param_count > 2) {
        GetLog().Warning("Warning: Label '%s' has %d params! Can be 0, 1 or 2 only. Extra params ignored.",
                         label.alias.c_str(), label.param_count);
        label.param_count = 2;
    }

    label.style.height = node.GetFloatAttribute("height", 0.0f);
    label.style.color = static_cast<uint32_t>(HexToInt(node.GetAttribute("color", "FFFFFFFF")));
    label.style.spacing = node.GetIntAttribute("spacing", 0);
    label.style.shadow = node.GetBoolAttribute("shadow", false);
    label.style.shadow_color = static_cast<uint32_t>(HexToInt(node.GetAttribute("shadow_color", "645B5B5B")));
    std::vector<int> offset;
    ParseIntList(offset, node.GetAttribute("shadow_offset", "1 1"), " ,");
    // A missing number keeps the default offset of 1.
    label.style.shadow_offset_x = static_cast<float>(offset.size() > 0 ? offset[0] : 1);
    label.style.shadow_offset_y = static_cast<float>(offset.size() > 1 ? offset[1] : 1);
    return label;
}

const TextLabel& CTextKeeper::GetLabel(const std::string& alias) const
{
    const auto it = _labels.find(alias);
    if (it != _labels.end()) return it->second;
    GetLog().Error("Error: text label '%s' not found.", alias.c_str());
    return GetEmptyLabel();
}

const FontDesc& CTextKeeper::GetFont(int font_id) const
{
    if (_fonts.empty()) THROW_ERROR("\"No fonts found!\"");
    if (font_id < 0 || font_id >= static_cast<int>(_fonts.size())) {
        GetLog().Error("Error: font id %d not found!", font_id);
        return _fonts[0];
    }
    return _fonts[font_id];
}

// ---------------------------------------------------------------------------------------------
// Labels

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kLineAdvance = 1.0f + 0.01f;

} // namespace

CStaticLabel::CStaticLabel() = default;

CStaticLabel::CStaticLabel(const std::string& alias)
    : _label(CTextKeeper::Instance().GetLabel(alias))
{
}

CStaticLabel::CStaticLabel(float x, float y, const std::string& alias)
    : _label(CTextKeeper::Instance().GetLabel(alias)), _origin_x(x), _origin_y(y)
{
}

CStaticLabel::CStaticLabel(const CStaticLabel& other)
    : ARenderObject(), siv::object_chain<CStaticLabel>(other)
{
    CopyFields(other);
}

CStaticLabel& CStaticLabel::operator=(const CStaticLabel& other)
{
    if (this != &other) {
        DetachRenderer();
        CopyFields(other);
    }
    return *this;
}

CStaticLabel::~CStaticLabel()
{
    DetachRenderer();
}

void CStaticLabel::CopyFields(const CStaticLabel& other)
{
    _label = other._label;
    _style_from_label = other._style_from_label;
    _param1 = other._param1;
    _param2 = other._param2;
    _text = other._text;
    _origin_x = other._origin_x;
    _origin_y = other._origin_y;
    _bbox = other._bbox;
    _centred = other._centred;
    _rotation = other._rotation;
    _translation = other._translation;
    _inv_tex_height = other._inv_tex_height;
    _inv_tex_width = other._inv_tex_width;
    _pivot_x = other._pivot_x;
    _pivot_y = other._pivot_y;
    _angle = other._angle;
    _flags = other._flags;
    _quads = other._quads;
    _quad_count = other._quad_count;
    _vertices = other._vertices;
    _visible = other._visible;
    _bound_font = -1;
    // A renderer lists its members: sharing one means joining it. An own renderer is not shared;
    // the copy binds its font texture at its first draw.
    if (other._renderer && !other._owns_renderer) {
        SetRenderer(other._renderer);
        _bound_font = other._bound_font;
    }
}

void CStaticLabel::Changed(uint32_t flags, bool recount)
{
    _flags |= flags;
    MarkRenderer(recount ? (rdRefill | rdRecount) : rdRefill);
}

void CStaticLabel::SetLabel(const TextLabel& label)
{
    if (label.alias != _label.alias) {
        _label = label;
        _style_from_label = true;
        _param1 = CParamValue();
        _param2 = CParamValue();
        Changed(lfText | lfLayout | lfFont | lfLabel, true);
    } else if (!_style_from_label) {
        _label.style = label.style;
        _style_from_label = true;
        Changed(lfLayout, true);
    }
}

void CStaticLabel::SetLabel(const std::string& alias)
{
    SetLabel(CTextKeeper::Instance().GetLabel(alias));
}

void CStaticLabel::SetParam(int value)
{
    const int kind = _param1.GetKind();
    const bool same = kind == CParamValue::pvInt ? _param1.GetInt() == value
                                                 : (kind != CParamValue::pvNone && value == 0);
    if (same) return;
    _param1 = CParamValue(value);
    Changed(lfText, true);
}

void CStaticLabel::SetParam(const std::string& value)
{
    const int kind = _param1.GetKind();
    const bool same = kind == CParamValue::pvString ? _param1.GetText() == value
                                                    : (kind != CParamValue::pvNone && value.empty());
    if (same) return;
    _param1 = CParamValue(value);
    Changed(lfText, true);
}

void CStaticLabel::SetParam(const CParamValue& value)
{
    if (_param1 == value) return;
    _param1 = value;
    Changed(lfText, true);
}

void CStaticLabel::SetParams(const CParamValue& first, const CParamValue& second)
{
    if (_param1 == first && _param2 == second) return;
    _param1 = first;
    _param2 = second;
    Changed(lfText, true);
}

void CStaticLabel::SetTextStyle(const TextStyle& style)
{
    _label.style = style;
    Changed(lfLayout, true);
}

void CStaticLabel::SetColor(uint32_t argb)
{
    if (_label.style.color == argb) return;
    _label.style.color = argb;
    _style_from_label = false;
    Changed(lfColors, false);
}

void CStaticLabel::SetAlpha(uint32_t alpha)
{
    SetColor((_label.style.color & 0xFFFFFF) | (std::min<uint32_t>(alpha, 255) << 24));
}

void CStaticLabel::SetAngle(float degrees)
{
    if (_angle == degrees) return;
    _angle = degrees;
    _rotation = CMatrix4::RotationZ(degrees * kDegreesToRadians);
    Changed(lfPosition, false);
}

void CStaticLabel::Move(float dx, float dy)
{
    if (_quad_count > 0 && !(_flags & (lfText | lfLayout))) {
        _bbox = _bbox.Offset(dx, dy);
        for (Quad& q : _quads) q.rect = q.rect.Offset(dx, dy);
        _translation = CMatrix4::Translation(_bbox.left - _centred.left, _bbox.top - _centred.top);
        Changed(lfPosition, false);
    }
    _origin_x += dx;
    _origin_y += dy;
}

void CStaticLabel::SetPosition(float x, float y)
{
    Move(x - _origin_x, y - _origin_y);
}

void CStaticLabel::BindFont()
{
    if (_bound_font != _label.font_id || !_owns_renderer) {
        _bound_font = _label.font_id;
        SetTexture(CTextKeeper::Instance().GetFont(_label.font_id).texture);
    }
    _flags &= ~static_cast<uint32_t>(lfFont);
}

void CStaticLabel::Draw()
{
    if (_renderer && !_owns_renderer) return;
    if (!_renderer || (_flags & lfFont)) BindFont();
    ARenderObject::Draw();
}

void CStaticLabel::DrawAt(float x, float y, const std::string& alias)
{
    SetLabel(alias);
    SetPosition(x, y);
    SetAngle(0.0f);
    Rebuild();
    Draw();
}

void CStaticLabel::Rebuild()
{
    if (_flags & lfText) Format();
    if (_flags & lfLayout) Layout();
}

void CStaticLabel::Format()
{
    if (_label.param_count <= 0)
        _text = _label.text;
    else
        _text = zf::FormatLabelText(_label.text, _param1, _label.param_count >= 2 ? _param2 : CParamValue());
    // The font flag survives until the texture is bound.
    _flags = lfLayout | (_flags & lfFont);
}

void CStaticLabel::Layout()
{
    const FontDesc& font = CTextKeeper::Instance().GetFont(_label.font_id);
    const TextStyle& st = _label.style;
    const float h = st.height;
    const bool shadow = st.shadow;

    float pen_x = _origin_x;
    float line_y = _origin_y;
    _bbox = FRect{_origin_x, _origin_y, _origin_x, _origin_y};
    _quads.clear();
    _quads.reserve(_text.size() * (shadow ? 2 : 1));
    size_t line_start = 0;

    for (size_t i = 0; i <= _text.size(); ++i) {
        if (i == _text.size() || _text[i] == '|') {
            float dx = 0.0f, dy = 0.0f;
            if (_label.align == TextLabel::alRight) {
                dx = -(pen_x - _origin_x);
            } else if (_label.align == TextLabel::alCenter) {
                dx = -(pen_x - _origin_x) / 2.0f;
                dy = -h / 2.0f;
            }
            for (size_t q = line_start; q < _quads.size(); ++q) _quads[q].rect = _quads[q].rect.Offset(dx, dy);
            _bbox.left = std::min(_bbox.left, _origin_x + dx);
            _bbox.top = std::min(_bbox.top, _origin_y + dy);
            _bbox.right = std::max(_bbox.right, pen_x + dx);
            _bbox.bottom = std::max(_bbox.bottom, line_y + h + dy);
            pen_x = _origin_x;
            line_y += h * kLineAdvance;
            line_start = _quads.size();
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(_text[i]);
        if (_quads.size() > line_start) pen_x += static_cast<float>(st.spacing);
        const GlyphRect& g = font.Glyph(c);
        const float gh = g.bottom - g.top;
        const float gw = g.right - g.left;
        if (!(gh > 0.0f) || gw < 0.0f) {
            GetLog().Error("Error: label '%s'. Symbol '%c' not found or has invalid texture rect.",
                           _label.alias.c_str(), static_cast<char>(c));
            continue;
        }
        Quad letter;
        letter.rect = FRect{pen_x, line_y, pen_x + h * gw / gh, line_y + h};
        letter.tex = FRect{g.left, g.top, g.right, g.bottom};
        pen_x = letter.rect.right;
        if (shadow) {
            Quad sq = letter;
            sq.rect = sq.rect.Offset(st.shadow_offset_x, st.shadow_offset_y);
            _quads.push_back(sq);
        }
        _quads.push_back(letter);
    }

    _quad_count = static_cast<unsigned>(_quads.size());
    const float w = _bbox.Width();
    const float ht = _bbox.Height();
    _centred = FRect{-w / 2 - _pivot_x, -ht / 2 - _pivot_y, w / 2 - _pivot_x, ht / 2 - _pivot_y};
    const float cx = _bbox.left - _centred.left;
    const float cy = _bbox.top - _centred.top;
    for (Quad& q : _quads) q.pivot = q.rect.Offset(-cx, -cy);
    _translation = CMatrix4::Translation(cx, cy);
    _flags = lfVertices | (_flags & lfFont);
}

void CStaticLabel::SetTextureSize(float width, float height)
{
    _inv_tex_width = 1.0f / std::max(width, 1.0f);
    _inv_tex_height = 1.0f / std::max(height, 1.0f);
    _flags |= lfTexCoords;
}

bool CStaticLabel::UpdateAnimation(bool& still_animated)
{
    still_animated = false;
    return false;
}

unsigned CStaticLabel::GetQuadCount()
{
    if (_flags & (lfText | lfLayout | lfLabel)) Rebuild();
    return _quad_count;
}

const VERTEX_2DPNT1* CStaticLabel::GetVertices()
{
    if (!_visible) return nullptr;
    if (_flags & (lfText | lfLayout | lfLabel)) Rebuild();
    if (_quad_count == 0) return nullptr;
    if (_vertices.size() < _quad_count * 4u) {
        _vertices.resize(_quad_count * 4u);
        _flags |= lfVertices;
    }
    const bool shadow = _label.style.shadow;
    if (_flags & lfPosition) {
        const CMatrix4 m = _rotation * _translation;
        for (unsigned i = 0; i < _quad_count; ++i) {
            const FRect& r = _quads[i].pivot;
            const CVector2 corners[4] = {
                m.TransformCoord(r.left, r.top), m.TransformCoord(r.right, r.top),
                m.TransformCoord(r.left, r.bottom), m.TransformCoord(r.right, r.bottom)};
            for (int k = 0; k < 4; ++k) {
                _vertices[i * 4 + k].x = corners[k].x - 0.5f;
                _vertices[i * 4 + k].y = corners[k].y - 0.5f;
            }
        }
    }
    if (_flags & lfTexCoords) {
        for (unsigned i = 0; i < _quad_count; ++i) {
            const FRect& t = _quads[i].tex;
            const float l = t.left * _inv_tex_width, r = t.right * _inv_tex_width;
            const float tp = t.top * _inv_tex_height, b = t.bottom * _inv_tex_height;
            SetQuadTexCoords(&_vertices[i * 4], l, tp, r, b);
        }
    }
    if (_flags & lfColors) {
        for (unsigned i = 0; i < _quad_count; ++i) {
            const uint32_t color = (shadow && i % 2 == 0) ? _label.style.shadow_color : _label.style.color;
            for (int k = 0; k < 4; ++k) _vertices[i * 4 + k].color = color;
        }
    }
    if (_flags & lfDepth)
        for (unsigned i = 0; i < _quad_count * 4; ++i) _vertices[i].z = 0.0f;
    _flags &= ~static_cast<uint32_t>(lfVertices);
    return _vertices.data();
}
