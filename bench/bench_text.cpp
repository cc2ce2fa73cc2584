// Label formatting and layout with the game's own fonts.
#include "engine/text/engine_langtext.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

void SelectGameLanguage()
{
    static bool done = false;
    if (done) return;
    std::filesystem::current_path(ZF_GAME_DATA_DIR);
    CTextKeeper::Instance().SelectLanguage(0);
    done = true;
}

TextLabel ScoreLabel()
{
    TextLabel l;
    l.alias = "BenchScore";
    l.text = "Score|%d of %d";
    l.param_count = 2;
    l.font_id = 2;
    l.align = TextLabel::alCenter;
    l.style.height = 26.0f;
    l.style.shadow = true;
    return l;
}

// A score that changes every frame: format, lay out and fill the vertices.
void BM_LabelChangingScore(benchmark::State& state)
{
    SelectGameLanguage();
    CStaticLabel label;
    label.SetLabel(ScoreLabel());
    label.SetPosition(400, 300);
    label.SetTextureSize(512, 512);
    int score = 0;
    for (auto _ : state) {
        label.SetParams(CParamValue(score += 10), CParamValue(250000));
        label.GetQuadCount();
        benchmark::DoNotOptimize(label.GetVertices());
    }
}
BENCHMARK(BM_LabelChangingScore);

// An unchanged label asks for nothing but its existing vertices.
void BM_LabelUnchanged(benchmark::State& state)
{
    SelectGameLanguage();
    CStaticLabel label;
    label.SetLabel(ScoreLabel());
    label.SetParams(CParamValue(1250), CParamValue(250000));
    label.SetTextureSize(512, 512);
    for (auto _ : state) {
        label.GetQuadCount();
        benchmark::DoNotOptimize(label.GetVertices());
    }
}
BENCHMARK(BM_LabelUnchanged);

void BM_FormatLabelText(benchmark::State& state)
{
    const std::string format = "Level %d: %s";
    const CParamValue p1(12), p2("Harbour");
    for (auto _ : state) benchmark::DoNotOptimize(zf::FormatLabelText(format, p1, p2));
}
BENCHMARK(BM_FormatLabelText);

} // namespace
