#include "gui/gui_kinds.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

#include <exception>

namespace {

FRect ReadRect(const CXMLNode& node, const char* attribute)
{
    FRect r;
    ParseRect(node.GetAttribute(attribute), r.left, r.top, r.right, r.bottom);
    return r;
}

SkinPart ReadPart(const CXMLNode& parent, const char* path)
{
    SkinPart part;
    const CXMLNode node = parent.SelectSingleNode(path);
    if (!node.IsValid()) return part;
    part.tex = ReadRect(node, "tex_rect");
    part.width = node.GetIntAttribute("width", 0);
    part.height = node.GetIntAttribute("height", 0);
    part.dis_x = node.GetIntAttribute("disX", 0);
    part.dis_y = node.GetIntAttribute("disY", 0);
    return part;
}

TrackBarPart ReadTrackPart(const CXMLNode& parent, const char* name)
{
    TrackBarPart part;
    const CXMLNode node = parent.SelectSingleNode(name);
    if (!node.IsValid()) return part;
    part.present = true;
    part.width = node.GetIntAttribute("width", 0);
    part.height = node.GetIntAttribute("height", 0);
    part.mg_top = node.GetIntAttribute("mg_top", 0);
    part.tex_normal = ReadRect(node, "tex_normal");
    part.tex_hover = ReadRect(node, "tex_hover");
    return part;
}

uint32_t ReadColor(const CXMLNode& node, const char* attribute, uint32_t def)
{
    const std::string text = node.GetAttribute(attribute);
    if (text.empty()) return def;
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
}

template <class F>
void ForEach(const CXMLNodeList& list, F f)
{
    for (int i = 0; i < list.GetLength(); ++i) f(list.GetItem(i));
}

} // namespace

int ParseOrientation(const std::string& text)
{
    if (text == "VERTICAL") return orVertical;
    if (text == "HORIZONTAL") return orHorizontal;
    GetLog().Warning("Warning: unknown orientation '%s'!", text.c_str());
    return orHorizontal;
}

int ParseIndicatorType(const std::string& text)
{
    static const char* const names[] = {"LINEAR", "DISCRETE_SINGLE", "DISCRETE_MULTIPLE", "MULTI_IMAGE"};
    for (int i = 0; i < 4; ++i)
        if (text == names[i]) return i;
    GetLog().Warning("Warning: Unknown progressbar indicator type '%s'!", text.c_str());
    return pitLinear;
}

int ParseListItemType(const std::string& text)
{
    if (text == "labels") return litLabels;
    if (text == "values") return litValues;
    GetLog().Warning("Warning: Unknown listbox item type '%s'!", text.c_str());
    return litLabels;
}

SkinDesc ReadSkin(const CXMLNode& node)
{
    SkinDesc skin;
    skin.texture = node.GetAttribute("texture");
    skin.top = ReadPart(node, "Borders/Top");
    skin.bottom = ReadPart(node, "Borders/Bottom");
    skin.right = ReadPart(node, "Borders/Right");
    skin.left = ReadPart(node, "Borders/Left");
    skin.top_left = ReadPart(node, "Corners/TopLeft");
    skin.top_right = ReadPart(node, "Corners/TopRight");
    skin.bottom_left = ReadPart(node, "Corners/BottomLeft");
    skin.bottom_right = ReadPart(node, "Corners/BottomRight");
    const CXMLNode glass = node.SelectSingleNode("Glass");
    if (glass.IsValid()) {
        skin.glass = ReadRect(glass, "tex_rect");
        skin.mg_left = glass.GetIntAttribute("mg_left", 0);
        skin.mg_right = glass.GetIntAttribute("mg_right", 0);
        skin.mg_top = glass.GetIntAttribute("mg_top", 0);
        skin.mg_bottom = glass.GetIntAttribute("mg_bottom", 0);
        skin.glass_tiled = glass.GetBoolAttribute("tiled", false);
    }
    return skin;
}

CControlKinds& CControlKinds::Instance()
{
    static CControlKinds kinds;
    return kinds;
}

void CControlKinds::Forget()
{
    for (bool& l : _loaded) l = false;
    _panel_kinds_s.clear();
    _button_kinds.clear();
    _checkbox_kinds.clear();
    _listbox_kinds.clear();
    _trackbar_kinds.clear();
    _progress_kinds.clear();
    _opens = 0;
}

void CControlKinds::UseText(const std::string& xml)
{
    Forget();
    _text = std::make_shared<std::string>(xml);
}

void CControlKinds::Reset()
{
    Forget();
    _text.reset();
}

bool CControlKinds::Need(int section)
{
    if (_loaded[section]) return false;
    _loaded[section] = true;
    return true;
}

std::vector<CXMLNode> CControlKinds::Open(const char* xpath)
{
    std::vector<CXMLNode> nodes;
    ++_opens;
    try {
        CXMLFile file;
        if (_text) file.LoadXml(std::vector<uint8_t>(_text->begin(), _text->end()));
        else file = CXMLFile(kControlsFile);
        ForEach(file.SelectNodes(xpath), [&](const CXMLNode& n) { nodes.push_back(n); });
    } catch (const std::exception& e) {
        // The XML layer has logged why; the section stays empty.
        GetLog().Error("Error: control kinds '%s' not read (%s).", xpath, e.what());
    }
    return nodes;
}

const std::vector<PanelKind>& CControlKinds::Panels()
{
    if (Need(skPanels)) {
        for (const CXMLNode& n : Open("//Controls/Panels/Panel"))
            _panel_kinds_s.push_back(PanelKind{ReadSkin(n), n.GetAttribute("activate_sample")});
        VERIFY_SOFT(!_panel_kinds_s.empty());
    }
    return _panel_kinds_s;
}

const std::vector<ButtonKind>& CControlKinds::Buttons()
{
    if (Need(skButtons)) {
        for (const CXMLNode& n : Open("//Controls/Buttons/Button"))
            _button_kinds.push_back(ButtonKind{ReadSkin(n), n.GetIntAttribute("hover_ani_steps", 20)});
        VERIFY_SOFT(!_button_kinds.empty());
    }
    return _button_kinds;
}

const std::vector<CheckBoxKind>& CControlKinds::CheckBoxes()
{
    if (Need(skCheckBoxes)) {
        for (const CXMLNode& n : Open("//Controls/CheckBoxes/CheckBox")) {
            CheckBoxKind kind;
            ReadGraphics(n.SelectSingleNode("Box"), kind.box);
            ReadGraphics(n.SelectSingleNode("Check"), kind.check);
            _checkbox_kinds.push_back(kind);
        }
        VERIFY_SOFT(!_checkbox_kinds.empty());
    }
    return _checkbox_kinds;
}

const std::vector<ListBoxKind>& CControlKinds::ListBoxes()
{
    if (Need(skListBoxes)) {
        for (const CXMLNode& n : Open("//Controls/ListBoxes/ListBox")) {
            ListBoxKind kind;
            kind.item_type = ParseListItemType(n.GetAttribute("item_type", "labels"));
            kind.item_printer = n.GetAttribute("value_printer");
            kind.item_dis_x = n.GetIntAttribute("item_dis_x", 0);
            kind.item_dis_y = n.GetIntAttribute("item_dis_y", 0);
            const CXMLNode bar = n.SelectSingleNode("ScrollBar");
            kind.has_scroll_bar = bar.IsValid();
            kind.scroll_left = bar.GetIntAttribute("left", 0);
            kind.scroll_top = bar.GetIntAttribute("top", 0);
            kind.scroll_width = bar.GetIntAttribute("width", 0);
            kind.scroll_height = bar.GetIntAttribute("height", 0);
            kind.scroll_kind = bar.GetIntAttribute("kind", 0);
            const CXMLNode selector = n.SelectSingleNode("Selector");
            kind.has_selector = selector.IsValid();
            kind.selector_texture = selector.GetAttribute("texture");
            _listbox_kinds.push_back(kind);
        }
        VERIFY_SOFT(!_listbox_kinds.empty());
    }
    return _listbox_kinds;
}

const std::vector<TrackBarKind>& CControlKinds::TrackBars()
{
    if (Need(skTrackBars)) {
        for (const CXMLNode& n : Open("//Controls/TrackBars/TrackBar")) {
            TrackBarKind kind;
            kind.orientation = ParseOrientation(n.GetAttribute("orientation", "HORIZONTAL"));
            kind.texture = n.GetAttribute("texture");
            kind.left_button = ReadTrackPart(n, "LeftButton");
            kind.right_button = ReadTrackPart(n, "RightButton");
            kind.thumb = ReadTrackPart(n, "Thumb");
            const CXMLNode thumb = n.SelectSingleNode("Thumb");
            kind.thumb_mg_left = thumb.GetIntAttribute("mg_left", 0);
            kind.thumb_mg_right = thumb.GetIntAttribute("mg_right", 0);
            const CXMLNode back = n.SelectSingleNode("Back");
            kind.has_back = back.IsValid();
            kind.back_tex = ReadRect(back, "tex_rect");
            kind.back_width = back.GetIntAttribute("width", 0);
            kind.back_height = back.GetIntAttribute("height", 0);
            kind.back_mg_left = back.GetIntAttribute("mg_left", 0);
            kind.back_mg_right = back.GetIntAttribute("mg_right", 0);
            kind.back_mg_top = back.GetIntAttribute("mg_top", 0);
            _trackbar_kinds.push_back(kind);
        }
        VERIFY_SOFT(!_trackbar_kinds.empty());
    }
    return _trackbar_kinds;
}

const std::vector<ProgressBarKind>& CControlKinds::ProgressBars()
{
    if (Need(skProgressBars)) {
        for (const CXMLNode& n : Open("//Controls/ProgressBars/ProgressBar")) {
            ProgressBarKind kind;
            kind.skin = ReadSkin(n);
            kind.orientation = ParseOrientation(n.GetAttribute("orientation", "HORIZONTAL"));
            const CXMLNode ind = n.SelectSingleNode("Indicator");
            kind.indicator = ParseIndicatorType(ind.GetAttribute("type", "LINEAR"));
            ForEach(ind.SelectNodes("Discrete"), [&](const CXMLNode& d) {
                ProgressDiscrete piece;
                piece.dis_x = d.GetFloatAttribute("dis_x", 0.0f);
                piece.dis_y = d.GetFloatAttribute("dis_y", 0.0f);
                ReadGraphics(d, piece.graphics);
                kind.discretes.push_back(piece);
            });
            ForEach(ind.SelectNodes("ColorMap/Stage"), [&](const CXMLNode& s) {
                kind.color_map[s.GetIntAttribute("percentage", 0)] = ReadColor(s, "color", 0xFFFFFFFF);
            });
            const CXMLNode top = ind.SelectSingleNode("TopBar");
            if (top.IsValid()) {
                kind.has_top_bar = true;
                kind.top_offset_x = top.GetFloatAttribute("offset_x", 0.0f);
                kind.top_offset_y = top.GetFloatAttribute("offset_y", 0.0f);
                ReadGraphics(top, kind.top_bar);
                ForEach(top.SelectNodes("SizeMap/Stage"), [&](const CXMLNode& s) {
                    kind.size_map[s.GetIntAttribute("percentage", 0)] =
                        {s.GetFloatAttribute("width", 0.0f), s.GetFloatAttribute("height", 0.0f)};
                });
            }
            _progress_kinds.push_back(kind);
        }
    }
    return _progress_kinds;
}
