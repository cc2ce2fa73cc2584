// One frame of the dialog gallery (every control kind of the shipped catalogue): input, fades, layout
// and drawing on the software renderer, as a scene runs its dialogs each frame.
#include "bench_engine.h"
#include "engine/text/engine_langtext.h"
#include "engine/base/engine_xml.h"
#include "gui/gui_dialog.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

void BM_GalleryFrame(benchmark::State& state)
{
    std::filesystem::current_path(ZF_GAME_DATA_DIR);
    CEngineCore* core = zfbench::HeadlessEngine();
    if (!core) {
        state.SkipWithError("no engine core");
        return;
    }
    CTextKeeper::Instance().SelectLanguage(0);
    CBaseDialog gallery;
    CXMLFile file(ZF_SOURCE_DIR "/content/gui/gallery.xml");
    gallery.Load(file.SelectSingleNode("//Dialogs/Gallery"));
    gallery.ShowModalImmediately();
    for (auto _ : state) {
        core->BeginFrame();
        gallery.Process();
        core->EndFrame();
    }
}
BENCHMARK(BM_GalleryFrame)->Unit(benchmark::kMicrosecond);

} // namespace
