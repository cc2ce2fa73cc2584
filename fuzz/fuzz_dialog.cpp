// The dialog layout reader: any bytes as a layout (and, when they hold "Controls" sections, as the control
// catalogue too) load into sliding dialogs whose controls then run a few frames of input, focus moves,
// page switches, shows and hides. Nothing may crash, hang or read out of range.
#include "engine/text/engine_langtext.h"
#include "engine/base/engine_xml.h"
#include "fuzz_common.h"
#include "gui/gui_dialog.h"

#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zf_fuzz::Setup();
    static const bool ready = [] {
        // The game's own folder: its fonts, labels, textures and catalogue.
        if (::chdir(ZF_GAME_DATA_DIR) != 0) std::abort();
        CTextKeeper::Instance().SelectLanguage(0);
        return true;
    }();
    (void)ready;

    CXMLFile xml;
    try {
        xml.LoadXml(std::vector<uint8_t>(data, data + size));
    } catch (const std::runtime_error&) {
        return 0;
    }
    if (xml.SelectSingleNode("//Controls").IsValid())
        CControlKinds::Instance().UseText(std::string(reinterpret_cast<const char*>(data), size));
    else
        CControlKinds::Instance().Reset();

    const CXMLNodeList layouts = xml.SelectNodes("//*[Control]");
    const int count = layouts.GetLength() < 4 ? layouts.GetLength() : 4;
    for (int i = 0; i < count; ++i) {
        CSlideableBaseDialog dialog;
        dialog.Load(layouts.GetItem(i));
        dialog.ShowModal();
        for (int frame = 0; frame < 3; ++frame) {
            dialog.Process();
            dialog.MoveFocus(frame == 1 ? -1 : 1);
            dialog.OnKey(VK_DOWN_CODE);
        }
        float x0, y0, x1, y1;
        dialog.GetBounds(x0, y0, x1, y1);
        dialog.MoveBy(3.0f, -2.0f);
        for (const CBaseControlPtr& c : dialog.GetControls()) {
            (void)dialog.FindControl(c->GetId());
            c->IsMouseOver();
            if (auto pages = std::dynamic_pointer_cast<CMenuPageControl>(c)) {
                pages->SetPage(1);
                pages->SetPage(size_t(-1));
            }
            if (auto list = std::dynamic_pointer_cast<CMenuListBox>(c)) {
                list->SetItems({{"a", false}, {"b", true}, {"c", false}});
                list->SelectItem(2);
                list->SetItems({});
            }
            if (auto bar = std::dynamic_pointer_cast<CMenuProgressBar>(c)) {
                bar->SetStep(3);
                bar->SetPos(bar->GetMaxPos());
                bar->SetMinPos(7);
                bar->SetMaxPos(7);
            }
            if (auto track = std::dynamic_pointer_cast<CMenuTrackBar>(c)) {
                track->SetMax(-5);
                track->SetPosition(1 << 30);
            }
        }
        dialog.Process();
        dialog.Hide();
        dialog.Process();
        dialog.HideImmediately();
        dialog.ClearControls();
    }
    return 0;
}
