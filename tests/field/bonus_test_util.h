// Helpers of the bonus tests: a real game field on a small grid level with a bonus controller on it,
// run in a copy of the field's fixture folder whose "Settings\bonuses.xml" the test writes; the
// copy links every other file of the fixture folder.
#pragma once

#include "field_play_util.h"

#include "field/bonus/field_bonus.h"

#include "engine/render/engine_anim.h"

#include <filesystem>
#include <memory>
#include <string>

namespace fieldtest {

// A bonuses.xml for the kinds of the tests: each grade is small enough to count by hand.
//   Dynamite: 1 the clicked cell twice; 2 a plus; 3 the clicked cell listed twice and its right
//     neighbour; no grade 4. Cursors: 1 "dynamite", 2 none given; ids 0 and 5 are ignored.
//   Burner: 1 the clicked row only; 2 a row above and below, with a particle alias.
//   Lightning: cumulative rows 2, 4, 5 strikes; 4 keeps 4 strikes on tiles of only 2.
//   MagicWand2: 1 one ball; 2 three balls in two waves (1, then 3); 3 asks more from tiles than in all.
inline const std::string kBonusesXml = R"(<?xml version="1.0" encoding="utf-8"?>
<Bonuses>
  <Dynamite sample="bn_dynamite" expl_alias="dynamite_blast">
    <Grade id="0" cursor="zero"/>
    <Grade id="1" cursor="dynamite"><Shape><Cell dx="0" dy="0" power="2"/></Shape></Grade>
    <Grade id="2"><Shape><Cell dx="0" dy="0" power="1"/><Cell dx="0" dy="-1" power="1"/>
      <Cell dx="1" dy="0" power="1"/><Cell dx="0" dy="1" power="1"/><Cell dx="-1" dy="0" power="1"/></Shape></Grade>
    <Grade id="3" cursor="dynamite"><Shape><Cell dx="0" dy="0" power="1"/><Cell dx="0" dy="0" power="1"/>
      <Cell dx="1" dy="0" power="1"/></Shape></Grade>
    <Grade id="5" cursor="five"/>
  </Dynamite>
  <Burner sample="bn_burner">
    <Grade id="1" cursor="burner" up_lines="0" down_lines="0">
      <BackwardEffect><graphics texture="Textures\Balls.png" width="12" height="12" tex_rect="0 0 8 8"/></BackwardEffect>
      <ForwardEffect><graphics texture="Textures\Balls.png" width="12" height="12" tex_rect="8 0 16 8"/></ForwardEffect>
    </Grade>
    <Grade id="2" cursor="burner" up_lines="1" down_lines="1">
      <BackwardEffect><graphics texture="Textures\Balls.png" width="12" height="12" tex_rect="0 0 8 8"/>
        <pyro alias="flame_left"/></BackwardEffect>
      <ForwardEffect><graphics texture="Textures\Balls.png" width="12" height="12" tex_rect="8 0 16 8"/>
        <pyro alias="flame_right"/></ForwardEffect>
    </Grade>
  </Burner>
  <Lightning sample="bn_lightning">
    <Grade id="1" max_kill="2" puzzle_kill="1" locked_kill="1"/>
    <Grade id="2" max_kill="4" puzzle_kill="1" locked_kill="1"/>
    <Grade id="3" max_kill="5" puzzle_kill="3" locked_kill="1"/>
    <Grade id="4" max_kill="2" puzzle_kill="4"/>
    <LightningEffect><graphics texture="Textures\Balls.png" width="12" height="30" tex_rect="0 0 8 8"/></LightningEffect>
    <JointEffect><graphics texture="Textures\Balls.png" width="6" height="6" tex_rect="8 0 16 8"/></JointEffect>
  </Lightning>
  <MagicWand2 sample="bn_wand">
    <Grade id="1" balls_replace="1" puzzles_replace="1"/>
    <Grade id="2" balls_replace="3" puzzles_replace="1"/>
    <Grade id="3" balls_replace="3" puzzles_replace="5"/>
    <BallChangeEffect><graphics texture="Textures\Balls.png" width="12" height="12">
      <animation file="WandChange.xml"/></graphics><pyro alias="wand_sparks"/></BallChangeEffect>
  </MagicWand2>
</Bonuses>
)";

// The change animation of the wand: three frames of two drawn frames each, one pass.
inline const std::string kWandAnimation = R"(<Animation speed="2">
  <Frame tex_rect="0 0 8 8"/><Frame tex_rect="8 0 16 8"/><Frame tex_rect="16 0 24 8"/>
</Animation>
)";

// A small level whose every cell keeps tile layers, so the level goes on whatever the bonuses break;
// the first row starts with a pair to drag.
inline const std::vector<std::string> kTiledField = {
    "1T 1T 3T 2T 2T",
    "2T 3T 1T 2T 3T",
    "3T 1T 2T 3T 1T",
    "1T 2T 3T 1T 2T",
};

// A game field with a bonus controller whose data source it is, in a folder whose bonuses.xml the
// test may replace (WriteBonuses) before it creates bonuses.
class BonusFixture : public PlayFixture {
protected:
    BonusFixture()
    {
        namespace fs = std::filesystem;
        const fs::path source = kFixtureDir;
        for (const auto& entry : fs::directory_iterator(source)) {
            if (entry.path().filename() == "Settings") continue;
            fs::create_directory_symlink(entry.path(), fs::path(_copy.path()) / entry.path().filename());
        }
        fs::create_directories(_copy / "Settings");
        for (const auto& entry : fs::directory_iterator(source / "Settings")) {
            const fs::path target = fs::path(_copy.path()) / "Settings" / entry.path().filename();
            if (entry.is_directory())
                fs::create_directory_symlink(entry.path(), target);
            else
                fs::create_symlink(entry.path(), target);
        }
        zftest::WriteText(_copy / "WandChange.xml", kWandAnimation);
        WriteBonuses(kBonusesXml);
        _inside = std::make_unique<zftest::ScopedChdir>(_copy.path());
        controller.SetDataSource(&field);
    }
    ~BonusFixture() override
    {
        controller.Reset();
        _inside.reset();
    }

    void WriteBonuses(const std::string& text) { zftest::WriteText(_copy / "Settings/bonuses.xml", text); }

    // One frame of the bonuses alone (the field stands still): drawn, then updated.
    void BonusFrame()
    {
        controller.DrawBonuses();
        controller.UpdateBonuses();
    }
    // Frames until no bonus runs; how many it took (the limit when they did not end).
    int RunBonuses(int limit = 1000)
    {
        int n = 0;
        while (n < limit && controller.HasRunningBonuses()) {
            BonusFrame();
            ++n;
        }
        return n;
    }
    // A kind of bonus on its own, attached to the field.
    template <class T>
    std::shared_ptr<T> Make()
    {
        auto bonus = std::make_shared<T>();
        bonus->SetDataSource(&field);
        return bonus;
    }
    // Runs a bonus on its own until it ends; how many frames it took.
    int Run(IBaseBonus& bonus, int limit = 1000)
    {
        int n = 0;
        while (n < limit && bonus.IsActive()) {
            bonus.Draw();
            bonus.Update();
            ++n;
        }
        return n;
    }

    bool IsDead(int column, int row) const { return field.GetBalls().GetBallGraphState(Cell(column, row)) == gosDead; }
    int Box(int column, int row) const { return field.GetBalls().GetBoxLevel(Cell(column, row)); }
    int Lock(int column, int row) const { return field.GetBalls().GetLockLevel(Cell(column, row)); }
    int Wall(int column, int row) const { return field.GetBalls().GetWallLevel(Cell(column, row)); }
    // Tile layers left once the hits already taken have peeled theirs.
    int Tiles(int column, int row) const
    {
        const TileCell* c = field.GetTiles().GetCell(Cell(column, row));
        return c ? c->left - c->pending_hits : 0;
    }
    // The cells whose balls a hit has sent to their death, in cell order.
    std::vector<int> DeadCells() const
    {
        std::vector<int> out;
        for (int c = 0; c < g_LevelCfg.GetCellCount(); ++c)
            if (field.GetBalls().HasBall(c) && field.GetBalls().GetBallGraphState(c) == gosDead) out.push_back(c);
        return out;
    }
    std::vector<std::string> BonusSamples()
    {
        std::vector<std::string> out;
        for (const std::string& s : Samples())
            if (s.rfind("PlaySample bn_", 0) == 0) out.push_back(s.substr(11));
        return out;
    }

    zftest::TempDir _copy;
    std::unique_ptr<zftest::ScopedChdir> _inside;
    CBonusController controller;
};

} // namespace fieldtest
