#include "engine/base/engine_layout.h"

#include "engine/base/engine_helpers.h"

#include <cstring>

namespace {

// Tokens of the text between any of the delimiter characters; empty tokens are skipped.
template <class F>
void ForEachToken(const std::string& text, const char* delimiters, F&& f)
{
    const std::string delims = delimiters ? delimiters : "";
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t begin = text.find_first_not_of(delims, pos);
        if (begin == std::string::npos) break;
        size_t end = text.find_first_of(delims, begin);
        if (end == std::string::npos) end = text.size();
        f(text.substr(begin, end - begin));
        pos = end;
    }
}

} // namespace

bool ReadGraphics(const CXMLNode& node, GraphicsDesc& graphics)
{
    const CXMLNode element = node.SelectSingleNode("graphics");
    graphics.texture = element.GetAttribute("texture", "");
    graphics.width = element.GetIntAttribute("width", 0);
    graphics.height = element.GetIntAttribute("height", 0);
    graphics.color = static_cast<uint32_t>(HexToInt(element.GetAttribute("color", "FFFFFFFF")));
    graphics.angle = element.GetIntAttribute("angle", 0);
    graphics.grayed = element.GetBoolAttribute("grayed", false);
    VERIFY_SOFT(graphics.width >= 0);
    VERIFY_SOFT(graphics.height >= 0);
    ParseRect(element.GetAttribute("tex_rect", "0 0 0 0"), graphics.tex_rect);
    const CXMLNode animation = element.SelectSingleNode("animation");
    if (animation.IsValid()) {
        graphics.animation = animation.GetAttribute("file", "");
        graphics.frames = animation.GetIntAttribute("frames", 0);
        graphics.speed = animation.GetIntAttribute("speed", 0);
    }
    return true;
}

int ParseIntList(std::vector<int>& list, const std::string& text, const char* delimiters)
{
    list.clear();
    ForEachToken(text, delimiters, [&](const std::string& token) { list.push_back(CharsToInt(token.c_str())); });
    return static_cast<int>(list.size());
}

int ParseFloatList(std::vector<float>& list, const std::string& text, const char* delimiters)
{
    list.clear();
    ForEachToken(text, delimiters, [&](const std::string& token) { list.push_back(CharsToFloat(token.c_str())); });
    return static_cast<int>(list.size());
}

int ParseStringList(std::vector<std::string>& list, const std::string& text, const char* delimiters)
{
    list.clear();
    ForEachToken(text, delimiters, [&](const std::string& token) { list.push_back(token); });
    return static_cast<int>(list.size());
}

void ParseRect(const std::string& text, float& left, float& top, float& right, float& bottom)
{
    std::vector<float> numbers;
    if (ParseFloatList(numbers, text, " ,") >= 4) {
        left = numbers[0];
        top = numbers[1];
        right = numbers[2];
        bottom = numbers[3];
    } else {
        left = top = right = bottom = 0.0f;
    }
}

void ParseRect(const std::string& text, float (&rect)[4])
{
    ParseRect(text, rect[0], rect[1], rect[2], rect[3]);
}
