// Shared set-up of the field's fuzz targets: a small game folder (graph bases and ball types) in the
// fuzzing folder, read once.
#pragma once

#include "field/balls/field_ballsdepot.h"
#include "field/config/field_config.h"
#include "field/graph/field_graphbase.h"
#include "fuzz_common.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace zf_fuzz {

inline void WriteFile(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Every state the field sets, for each graph type of the list, one layer each.
inline std::string Base(std::initializer_list<int> types)
{
    std::string out = "<Base>";
    for (int t : types) {
        out += "<GraphObj graph_type=\"" + std::to_string(t) + "\">";
        for (const char* s : {"DEFAULT", "CREATE", "MOVE", "DEAD", "EXPLOSION", "SELECT", "GLOW", "TIME_OUT"})
            out += std::string("<State name=\"") + s + "\" expl_alias=\"x\"><Layer><graphics texture=\"T.png\"/></Layer>"
                   "<sound file=\"s\"/></State>";
        out += "</GraphObj>";
    }
    return out + "</Base>";
}

inline void SetupField()
{
    Setup();
    static const bool done = [] {
        WriteFile("Settings/Bases/Balls.xml", Base({1, 2, 3, 4, 10, 11, 12, 13, 14, 50, 60}));
        WriteFile("Settings/Bases/Tiles.xml", Base({1, 2, 3, 4, 5, 6}));
        WriteFile("Settings/Bases/Locks.xml", Base({1, 2}));
        WriteFile("Settings/Bases/Boxes.xml", Base({1, 2}));
        WriteFile("Settings/Bases/Walls.xml", Base({1, 2, 3, 4, 5, 6}));
        WriteFile("Settings/Balls.xml", R"(<Balls>
  <Ball graph_type="1" available="1"><ResCredit type="1" amount="10"/></Ball>
  <Ball graph_type="2" available="1"><ResCredit type="2" amount="10"/></Ball>
  <Ball graph_type="3" available="1"><ResCredit type="3" amount="10"/></Ball>
  <Ball graph_type="4" available="1"/>
  <Bonus graph_type="10" available="1"><ResCredit type="11" amount="5"/>
    <Grade id="1" graph_type="11"/><Grade id="2" graph_type="12"/><Grade id="3" graph_type="13"/><Grade id="4" graph_type="14"/></Bonus>
  <MultiBall graph_type="50"/><Finisher graph_type="60"/></Balls>)");
        ReloadGraphBases();
        GetBallsDepot().Load();
        return true;
    }();
    (void)done;
}

} // namespace zf_fuzz
