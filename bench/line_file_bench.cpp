// Loading a large line file: parsing and the derived distances and targets.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/line_file.h"
#include "data/random_source.h"
#include "data/text_file.h"

namespace {

using namespace tressmoor::data;

/// A line of 500 stations, 500 signals and 1000 crossings over 200000 frames, with a speed
/// table of 400 segments and a few hundred limits, slopes and sounds.
std::string largeLineText() {
    std::string t = "[LineName]\n長大試験線\n[DataName]\nlong\n";
    t += "[SpeedUnit]\n";
    for (int k = 0; k < 400; ++k) {
        t += std::to_string(k * 500) + "," + std::to_string(k * 500 + 500) + "," +
             std::to_string(40 + k % 50) + "," + std::to_string(40 + (k + 1) % 50) + "\n";
    }
    t += "#\n[Station]\n";
    for (int i = 0; i < 500; ++i) {
        t += "駅" + std::to_string(i) + "," + std::to_string(i % 3 == 1 ? 1 : 0) + "," +
             std::to_string(i * 400 + 200) + ",3000,0,1,2," + std::to_string(1080000 + i * 3600) +
             ",95,10,0,0,0,0,50," + std::to_string(i * 400 + 180) + ",0\n";
    }
    t += "#\n[Signal]\n";
    std::string signal2 = "[Signal2]\n";
    for (int i = 0; i < 500; ++i) {
        int frame = i * 400 + 350;
        t += "0,0,1,2," + std::to_string(frame - 150) + "," + std::to_string(frame) + "," +
             std::to_string(frame - 10) + "," + std::to_string(frame - 20) +
             ",0,0,0,0,10,20,0,0,0,0,0,0,30,40,0,0,0\n";
        signal2 += "0123401234\n";
    }
    t += "#\n" + signal2 + "#\n[Speed_Signal]\n0\n25\n45\n75\n95\n#\n[Cross]\n";
    for (int i = 0; i < 1000; ++i) {
        t += "1,0," + std::to_string(i * 200 + 20) + "," + std::to_string(i * 200 + 80) + ",0\n";
    }
    t += "#\n[SpeedLimit]\n";
    for (int i = 0; i < 300; ++i) {
        t += "60,2,1," + std::to_string(i * 600 + 100) + "," + std::to_string(i * 600 + 300) +
             ",3\n";
    }
    t += "#\n[Slope]\n";
    for (int i = 0; i < 300; ++i) {
        t += std::to_string(i % 25 - 12) + ".5," + std::to_string(i * 600) + "," +
             std::to_string(i * 600 + 550) + "\n";
    }
    t += "#\n[SoundData]\n";
    for (int i = 0; i < 100; ++i) t += "sound" + std::to_string(i) + ".wav\n";
    t += "#\n[Sound]\n";
    for (int i = 0; i < 300; ++i) {
        t += std::to_string(i % 100) + "," + std::to_string(i * 600) + "," +
             std::to_string(i * 600 + 100) + ",60,0,1,1,0,0\n";
    }
    t += "#\n";
    return t;
}

void BM_ParseLargeLine(benchmark::State& state) {
    const std::vector<std::string> lines = splitLines(largeLineText());
    SeededRandom random(1);
    for (auto _ : state) {
        LineData d = ParseLineLines(lines, "train_223.dat", 30, random);
        benchmark::DoNotOptimize(d.PatternTargets.data());
    }
    state.counters["lines"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_ParseLargeLine)->Unit(benchmark::kMillisecond);

void BM_LoadLargeLineFile(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "tressmoor-line-bench";
    std::filesystem::create_directories(folder);
    {
        std::ofstream out(folder / "line_long.dat", std::ios::binary);
        out << encodeCp932(largeLineText());
    }
    SeededRandom random(1);
    for (auto _ : state) {
        LineData d = LoadLineFile(folder, "line_long.dat", "train_223.dat", 30, random);
        benchmark::DoNotOptimize(d.PatternTargets.data());
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadLargeLineFile)->Unit(benchmark::kMillisecond);

}  // namespace
