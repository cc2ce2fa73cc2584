// Costs of the base services that loading a level pays: package reads, XML parsing and attribute
// reads, and the host-path lookup of loose files named in another case.
#include "engine/base/engine_filesys.h"
#include "engine/base/engine_xml.h"
#include "pakbuild/pakbuild.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string Scratch()
{
    static const std::string dir = [] {
        char tmpl[] = "/tmp/zf-bench-base-XXXXXX";
        ::mkdtemp(tmpl);
        ::setenv("XDG_DATA_HOME", tmpl, 1);
        return std::string(tmpl);
    }();
    return dir;
}

std::string LevelText(int cells)
{
    std::string text = "<?xml version=\"1.0\"?>\n<Level width=\"9\" height=\"9\">\n";
    for (int i = 0; i < cells; ++i)
        text += "  <Cell index=\"" + std::to_string(i) + "\" ball=\"" + std::to_string(i % 6) +
                "\" lock=\"0\" tile=\"0x2\" scale=\"1.5\"><graphics texture=\"Textures\\Balls\\B.png\"/></Cell>\n";
    return text + "</Level>\n";
}

void BM_PackageRead(benchmark::State& state)
{
    std::vector<zf::pak::Entry> entries;
    for (int i = 0; i < 500; ++i)
        entries.push_back({"LEVELS\\LEVEL" + std::to_string(i) + ".XML", std::vector<uint8_t>(4096, 'x')});
    const std::string pak = Scratch() + "/Bench.pak";
    zf::pak::WritePackage(pak, entries);
    CFileSystem fs(pak);
    ByteVector data;
    int i = 0;
    for (auto _ : state) {
        const std::string path = "Levels\\Level" + std::to_string(i++ % 500) + ".xml";
        benchmark::DoNotOptimize(fs.ReadFile(path.c_str(), data));
    }
}
BENCHMARK(BM_PackageRead);

void BM_XmlLoadAndRead(benchmark::State& state)
{
    const std::string text = LevelText(static_cast<int>(state.range(0)));
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    for (auto _ : state) {
        CXMLFile xml;
        xml.LoadXml(bytes);
        const CXMLNodeList cells = xml.SelectNodes("//Level/Cell");
        int sum = 0;
        for (int i = 0; i < cells.GetLength(); ++i) {
            const CXMLNode cell = cells.GetItem(i);
            sum += cell.GetIntAttribute("ball", 0) + cell.GetIntAttribute("tile", 0);
            benchmark::DoNotOptimize(cell.GetFloatAttribute("scale", 1.0f));
            benchmark::DoNotOptimize(cell.SelectSingleNode("graphics").GetAttribute("texture"));
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_XmlLoadAndRead)->Arg(81)->Arg(400);

void BM_HostPathOtherCase(benchmark::State& state)
{
    const std::string dir = Scratch();
    std::filesystem::create_directories(dir + "/Textures/Common");
    std::ofstream(dir + "/Textures/Common/Square.tga") << "x";
    const std::string path = dir + "/textures\\common\\SQUARE.TGA";
    for (auto _ : state) benchmark::DoNotOptimize(HostPath(path));
}
BENCHMARK(BM_HostPathOtherCase);

} // namespace
