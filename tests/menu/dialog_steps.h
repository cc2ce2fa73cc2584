// A menu dialog driven frame by frame through the fake devices of a GUI environment: one frame
// with the pointer where the hand is, frames until something holds, a click in the middle of a
// control however deep in the dialog's parts it lies.
#pragma once

#include "gui/gui_test_util.h"

#include "engine/sound/engine_soundqueue.h"
#include "gui/gui_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace menutest {

class DialogTest : public ::testing::Test {
protected:
    explicit DialogTest(const std::string& catalogue) : env{catalogue} {}

    void Frame(CBaseDialog& d, int x = 0, int y = 0, bool down = false)
    {
        env.mouse.Frame(x, y, down);
        env.keyboard.Frame({});
        d.Process();
        g_SoundQueue.Update();
    }
    bool RunUntil(CBaseDialog& d, const std::function<bool()>& done, int limit = 400)
    {
        for (int i = 0; i < limit && !done(); ++i) Frame(d);
        return done();
    }
    void Click(CBaseDialog& d, const CBaseControlPtr& c)
    {
        const int x = int(c->GetX() + c->GetWidth() / 2), y = int(c->GetY() + c->GetHeight() / 2);
        for (bool down : {false, true, false}) Frame(d, x, y, down);
    }

    guitest::GuiEnvironment env;
};

} // namespace menutest
