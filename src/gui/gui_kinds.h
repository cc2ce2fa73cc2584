// The control catalogue: the looks of the skinned controls, read once for the whole run from the
// numbered kinds of "Settings\Controls.xml". A kind's number is its position within its section.
// Each section is read on its first use; a missing file or section leaves its list empty, and a
// control asking an empty list gets an empty kind (it draws nothing) instead of reading past it.
#pragma once

#include "engine/base/engine_layout.h"
#include "engine/render/engine_render.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CXMLNode;
class CXMLFile;

inline constexpr char kControlsFile[] = "Settings\\Controls.xml";

struct SkinPart {
    FRect tex;
    int width = 0;
    int height = 0;
    int dis_x = 0;   // corners only
    int dis_y = 0;
};

// The nine-slice skin: four borders, four corners and the glass in the middle.
struct SkinDesc {
    std::string texture;
    SkinPart top, bottom, left, right;
    SkinPart top_left, top_right, bottom_left, bottom_right;
    FRect glass;
    bool glass_tiled = false;
    int mg_top = 0, mg_bottom = 0, mg_left = 0, mg_right = 0;
};

enum Orientation { orVertical = 0, orHorizontal = 1 };
enum ListItemType { litLabels = 0, litValues = 1 };
enum ProgressIndicatorType { pitLinear = 0, pitDiscreteSingle = 1, pitDiscreteMultiple = 2, pitMultiImage = 3 };

struct PanelKind {
    SkinDesc skin;
    std::string activate_sample;
};

struct ButtonKind {
    SkinDesc skin;
    int hover_ani_steps = 20;
};

struct CheckBoxKind {
    GraphicsDesc box;
    GraphicsDesc check;
};

struct ListBoxKind {
    int item_type = litLabels;
    std::string item_printer;
    int item_dis_x = 0;
    int item_dis_y = 0;
    bool has_scroll_bar = false;
    int scroll_left = 0, scroll_top = 0, scroll_width = 0, scroll_height = 0, scroll_kind = 0;
    bool has_selector = false;
    std::string selector_texture;
};

struct TrackBarPart {
    bool present = false;
    int width = 0, height = 0, mg_top = 0;
    FRect tex_normal, tex_hover;
};

struct TrackBarKind {
    int orientation = orHorizontal;
    int min = 0, max = 100, step = 1;
    std::string texture;
    TrackBarPart left_button, right_button, thumb;
    int thumb_mg_left = 0, thumb_mg_right = 0;
    bool has_back = false;
    FRect back_tex;
    int back_width = 0, back_height = 0, back_mg_left = 0, back_mg_right = 0, back_mg_top = 0;
};

struct ProgressDiscrete {
    float dis_x = 0.0f, dis_y = 0.0f;
    GraphicsDesc graphics;
};

struct ProgressBarKind {
    SkinDesc skin;
    int orientation = orHorizontal;
    int indicator = pitLinear;
    std::vector<ProgressDiscrete> discretes;
    std::map<int, uint32_t> color_map;                 // percentage -> ARGB
    bool has_top_bar = false;
    float top_offset_x = 0.0f, top_offset_y = 0.0f;
    GraphicsDesc top_bar;
    std::map<int, std::pair<float, float>> size_map;   // percentage -> width, height
};

// Parsers of the catalogue's enumerated texts; unknown texts are logged and give the default.
int ParseOrientation(const std::string& text);
int ParseIndicatorType(const std::string& text);
int ParseListItemType(const std::string& text);
// A skin read from a kind element.
SkinDesc ReadSkin(const CXMLNode& node);

class CControlKinds {
public:
    static CControlKinds& Instance();

    // Each list is read from the catalogue on its first use.
    const std::vector<PanelKind>& Panels();
    const std::vector<ButtonKind>& Buttons();
    const std::vector<CheckBoxKind>& CheckBoxes();
    const std::vector<ListBoxKind>& ListBoxes();
    const std::vector<TrackBarKind>& TrackBars();
    const std::vector<ProgressBarKind>& ProgressBars();

    // Reads the catalogue from this text from now on instead of the file, every section afresh
    // (tests and tools).
    void UseText(const std::string& xml);
    // Back to the file; every section is read again on its next use.
    void Reset();
    // How often the catalogue was opened.
    int GetOpenCount() const { return _opens; }

private:
    enum { skPanels, skButtons, skCheckBoxes, skListBoxes, skTrackBars, skProgressBars, skCount };
    CControlKinds() = default;
    void Forget();
    // The catalogue's entries of one section path.
    std::vector<CXMLNode> Open(const char* xpath);
    bool Need(int section);

    std::vector<PanelKind> _panel_kinds_s;
    std::vector<ButtonKind> _button_kinds;
    std::vector<CheckBoxKind> _checkbox_kinds;
    std::vector<ListBoxKind> _listbox_kinds;
    std::vector<TrackBarKind> _trackbar_kinds;
    std::vector<ProgressBarKind> _progress_kinds;
    bool _loaded[skCount] = {};
    std::shared_ptr<std::string> _text;
    int _opens = 0;
};

// The kind of that index, or kind 0 when the index is outside the list, or an empty kind when the
// list is empty. out_of_range tells the caller to log.
template <class Kind>
const Kind& PickKind(const std::vector<Kind>& list, int index, bool& out_of_range)
{
    static const Kind empty{};
    out_of_range = index < 0 || static_cast<size_t>(index) >= list.size();
    if (!out_of_range) return list[static_cast<size_t>(index)];
    return list.empty() ? empty : list.front();
}
