// Readers of layout attributes: the common sprite description and the list parsers.
#pragma once

#include "engine/base/engine_paramvalue.h"
#include "engine/base/engine_xml.h"

#include <cstdint>
#include <string>
#include <vector>

// A sprite as the "graphics" child of a layout node describes it.
struct GraphicsDesc {
    std::string texture;
    std::string animation;      // "file" of the "animation" child
    uint32_t color = 0xFFFFFFFF; // ARGB
    int32_t width = 0;
    int32_t height = 0;
    int32_t angle = 0;
    bool grayed = false;
    int32_t frames = 0;         // "frames" of the "animation" child
    int32_t speed = 0;          // "speed" of the "animation" child
    float tex_rect[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

// Reads the "graphics" child of the node into the description; a missing child gives the defaults.
// Without an "animation" child the animation fields keep their values. Gives true.
bool ReadGraphics(const CXMLNode& node, GraphicsDesc& desc);

// Split the text at any of the delimiter characters (runs count as one) and convert each token;
// the list is replaced. Give the count.
int ParseIntList(std::vector<int>& list, const std::string& text, const char* delimiters);
int ParseFloatList(std::vector<float>& list, const std::string& text, const char* delimiters);
int ParseStringList(std::vector<std::string>& list, const std::string& text, const char* delimiters);

// Four numbers separated by blanks or commas; fewer than four give all zeros.
void ParseRect(const std::string& text, float& left, float& top, float& right, float& bottom);
void ParseRect(const std::string& text, float (&rect)[4]);
