#include "gui/gui_test_util.h"

#include "engine/text/engine_langtext.h"

#include <unistd.h>

namespace guitest {

const char* const kCatalogue = R"(<?xml version="1.0"?>
<Controls>
  <Panels>
    <Panel texture="Textures\Menu\Panel.png" activate_sample="int_panel_open">
      <Borders>
        <Top tex_rect="32 0 52 10" width="20" height="10"/>
        <Bottom tex_rect="32 118 52 128" width="20" height="10"/>
        <Left tex_rect="0 32 10 52" width="10" height="20"/>
        <Right tex_rect="118 32 128 52" width="10" height="20"/>
      </Borders>
      <Corners>
        <TopLeft tex_rect="0 0 10 10" width="10" height="10"/>
        <TopRight tex_rect="118 0 128 10" width="10" height="10"/>
        <BottomLeft tex_rect="0 118 10 128" width="10" height="10"/>
        <BottomRight tex_rect="118 118 128 128" width="10" height="10"/>
      </Corners>
      <Glass tex_rect="32 32 96 96" mg_left="10" mg_right="10" mg_top="10" mg_bottom="10"/>
    </Panel>
    <Panel texture="Textures\Menu\Panel.png">
      <Glass tex_rect="32 32 48 48" tiled="1"/>
    </Panel>
  </Panels>
  <Buttons>
    <Button texture="Textures\Menu\Button.png" hover_ani_steps="4">
      <Glass tex_rect="16 16 176 32"/>
    </Button>
    <Button texture="Textures\Menu\Button.png" hover_ani_steps="0">
      <Glass tex_rect="16 16 176 32"/>
    </Button>
  </Buttons>
  <CheckBoxes>
    <CheckBox>
      <Box><graphics texture="Textures\Menu\Button.png" width="20" height="20" tex_rect="0 0 20 20"/></Box>
      <Check><graphics texture="Textures\Menu\Button.png" width="20" height="20" tex_rect="20 0 40 20"/></Check>
    </CheckBox>
  </CheckBoxes>
  <ListBoxes>
    <ListBox item_type="values" value_printer="Dlg_list_item" item_dis_x="4" item_dis_y="6">
      <ScrollBar left="0" top="0" width="20" height="100" kind="1"/>
      <Selector texture="Textures\Common\Square.tga"/>
    </ListBox>
  </ListBoxes>
  <TrackBars>
    <TrackBar orientation="HORIZONTAL" texture="Textures\Menu\Button.png">
      <LeftButton width="20" height="20" tex_normal="0 0 20 20" tex_hover="0 64 20 84"/>
      <RightButton width="20" height="20" tex_normal="0 0 20 20" tex_hover="0 64 20 84"/>
      <Thumb width="10" height="20" tex_normal="40 0 50 20" tex_hover="40 64 50 84"/>
      <Back tex_rect="60 0 70 8" width="10" height="8" mg_left="20" mg_right="20" mg_top="6"/>
    </TrackBar>
    <TrackBar orientation="VERTICAL" texture="Textures\Menu\Button.png">
      <LeftButton width="20" height="20" tex_normal="0 0 20 20" tex_hover="0 64 20 84"/>
      <RightButton width="20" height="20" tex_normal="0 0 20 20" tex_hover="0 64 20 84"/>
      <Thumb width="20" height="10" tex_normal="40 0 60 10" tex_hover="40 64 60 74"/>
    </TrackBar>
  </TrackBars>
  <ProgressBars>
    <ProgressBar texture="Textures\Menu\Panel.png" orientation="HORIZONTAL">
      <Indicator type="LINEAR">
        <Discrete dis_x="5" dis_y="2"><graphics texture="Textures\Menu\Button.png" width="100" height="10" tex_rect="0 0 100 10"/></Discrete>
        <ColorMap><Stage percentage="100" color="FF00FF00"/><Stage percentage="50" color="FFFF0000"/></ColorMap>
        <TopBar offset_x="0" offset_y="0">
          <graphics texture="Textures\Menu\Button.png" width="8" height="8" tex_rect="0 0 8 8"/>
          <SizeMap><Stage percentage="50" width="6" height="6"/><Stage percentage="100" width="10" height="10"/></SizeMap>
        </TopBar>
      </Indicator>
    </ProgressBar>
    <ProgressBar texture="Textures\Menu\Panel.png" orientation="HORIZONTAL">
      <Indicator type="DISCRETE_SINGLE">
        <Discrete><graphics texture="Textures\Menu\Button.png" width="10" height="10" tex_rect="0 0 10 10"/></Discrete>
      </Indicator>
    </ProgressBar>
    <ProgressBar texture="Textures\Menu\Panel.png">
      <Indicator type="DISCRETE_MULTIPLE">
        <Discrete dis_x="0"><graphics texture="Textures\Menu\Button.png" width="10" height="10" tex_rect="0 0 10 10"/></Discrete>
        <Discrete dis_x="12"><graphics texture="Textures\Menu\Button.png" width="10" height="10" tex_rect="0 0 10 10"/></Discrete>
        <Discrete dis_x="24"><graphics texture="Textures\Menu\Button.png" width="10" height="10" tex_rect="0 0 10 10"/></Discrete>
      </Indicator>
    </ProgressBar>
    <ProgressBar texture="Textures\Menu\Panel.png">
      <Indicator type="MULTI_IMAGE">
        <Discrete><graphics texture="Textures\Menu\Button.png" tex_rect="0 0 10 10"/></Discrete>
        <Discrete><graphics texture="Textures\Menu\Button.png" tex_rect="10 0 20 10"/></Discrete>
        <Discrete><graphics texture="Textures\Menu\Button.png" tex_rect="20 0 30 10"/></Discrete>
      </Indicator>
    </ProgressBar>
    <ProgressBar texture="Textures\Menu\Panel.png" orientation="VERTICAL">
      <Indicator type="LINEAR">
        <Discrete><graphics texture="Textures\Menu\Button.png" width="10" height="50" tex_rect="0 0 10 50"/></Discrete>
      </Indicator>
    </ProgressBar>
  </ProgressBars>
</Controls>
)";

namespace {

// The game folder is the working folder of the toolkit tests, with the first language selected,
// so that labels and fonts are the game's own.
void EnterGameFolder()
{
    static bool entered = false;
    if (entered) return;
    entered = true;
    if (chdir(ZF_GAME_DATA_DIR) != 0) ADD_FAILURE() << "cannot enter " << ZF_GAME_DATA_DIR;
    CTextKeeper::Instance().SelectLanguage(0);
}

} // namespace

GuiEnvironment::GuiEnvironment(const std::string& catalogue)
    : _old_mouse(g_Mouse), _old_keyboard(g_Keyboard), _old_sound(g_SoundKeeper)
{
    EnterGameFolder();
    g_Mouse = &mouse;
    g_Keyboard = &keyboard;
    g_SoundKeeper = &sound;
    engine.sound_keeper = &sound;
    CControlKinds::Instance().UseText(catalogue);
}

GuiEnvironment::~GuiEnvironment()
{
    CControlKinds::Instance().Reset();
    g_Mouse = _old_mouse;
    g_Keyboard = _old_keyboard;
    g_SoundKeeper = _old_sound;
}

CXMLNode Node(const std::string& xml, const std::string& path)
{
    auto file = std::make_shared<CXMLFile>();
    file->LoadXml(std::vector<uint8_t>(xml.begin(), xml.end()));
    return file->SelectSingleNode(path);
}

CXMLNode ControlNode(const std::string& xml) { return Node(xml, "//Control"); }

} // namespace guitest
