// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a 600 MB 16-bit stereo WAV file through the engine, side by side with
// `cat FILE > /dev/null` on the same warm file. Each repetition times one cat
// and one load and reads the process's peak memory during the load. At the end
// the medians are printed against the targets (peak memory at most the file
// size + 64 MiB, load time at most 1.5 x cat), each marked "met" or "MISSED".
// The file is generated in the temporary folder and removed at exit.

#include "engine/WaveData.h"

#include "bench/support/TemporaryWave.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kDataBytes = 600'000'000;  // 150 million stereo frames
constexpr std::uint32_t kSampleRate = 44100;
constexpr double kMaxTimeRatio = 1.5;
constexpr std::uint64_t kMemoryAllowance = std::uint64_t{64} << 20;
constexpr double kMiB = 1024.0 * 1024.0;

using Clock = std::chrono::steady_clock;

// The benchmark's WAV file: a canonical header and a 440 Hz tone, written once
// in 1 MiB pieces and removed when the program ends.
class GeneratedWave : public bench::TemporaryWave {
public:
    GeneratedWave()
        : TemporaryWave("korvani-bench", fixtures::FmtFields::Pcm(2, kSampleRate, 16),
                        static_cast<std::uint32_t>(kDataBytes)) {
        const std::vector<char> piece = TonePiece();
        for (std::uint64_t written = 0; written < kDataBytes; written += piece.size()) {
            const auto length = std::min<std::uint64_t>(piece.size(), kDataBytes - written);
            Stream().write(piece.data(), static_cast<std::streamsize>(length));
        }
        Finish();
        // Written back now, so that no write-back competes with the measurements.
        const int written = ::open(Path().c_str(), O_RDONLY | O_CLOEXEC);
        ::fsync(written);
        ::close(written);
    }

private:
    static std::vector<char> TonePiece() {
        std::vector<char> bytes;
        constexpr std::size_t kFrames = 1 << 18;  // 1 MiB
        for (std::size_t i = 0; i < kFrames; ++i) {
            const double phase = 2.0 * std::numbers::pi * 440.0 * static_cast<double>(i) / kSampleRate;
            const auto value = static_cast<std::uint16_t>(static_cast<std::int16_t>(12000.0 * std::sin(phase)));
            for (int channel = 0; channel < 2; ++channel) {
                bytes.push_back(static_cast<char>(value & 0xFF));
                bytes.push_back(static_cast<char>(value >> 8));
            }
        }
        return bytes;
    }
};

const GeneratedWave& TheWave() {
    static const GeneratedWave wave;
    return wave;
}

// Lets the process's peak resident memory start again from what it holds now.
void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The process's peak resident memory since the last ResetPeakMemory, in bytes.
std::uint64_t PeakMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stoull(line.substr(6)) * 1024;
        }
    }
    return 0;
}

class CountingReporter final : public TWaveReporter {
public:
    void Report(std::string_view, const char*) override { ++messages; }
    int messages = 0;
};

// Seconds one load of the file takes; checks that it loaded.
double TimeLoad(const std::string& path, std::uint64_t& peakBytes) {
    TWaveData loaded;
    CountingReporter reporter;
    ResetPeakMemory();
    const Clock::time_point start = Clock::now();
    const bool ok = loaded.Load(path, reporter);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    peakBytes = PeakMemory();
    if (!ok || loaded.DataSize() != kDataBytes || reporter.messages != 2) {
        throw std::runtime_error("the load of " + path + " failed");
    }
    benchmark::DoNotOptimize(loaded.Samples().data());
    return seconds;
}

// Seconds that `cat path > /dev/null` takes, start of the process to its end.
double TimeCat(const std::string& path) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char cat[] = "cat";
    std::string file = path;
    char* argv[] = {cat, file.data(), nullptr};
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, "cat", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("cat " + path + " failed");
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Measurement {
    double loadSeconds;
    double catSeconds;
    std::uint64_t peakBytes;
};

std::vector<Measurement> measurements;

void BM_LoadVersusCat(benchmark::State& state) {
    const GeneratedWave& wave = TheWave();
    std::uint64_t peakBytes = 0;
    // Both warm: the file in the page cache, the memory ready to be handed out again.
    TimeCat(wave.Path());
    TimeLoad(wave.Path(), peakBytes);
    for (auto _ : state) {
        const double catSeconds = TimeCat(wave.Path());
        const double loadSeconds = TimeLoad(wave.Path(), peakBytes);
        state.SetIterationTime(loadSeconds);
        measurements.push_back({loadSeconds, catSeconds, peakBytes});
        state.counters["cat_ms"] = catSeconds * 1e3;
        state.counters["load_per_cat"] = loadSeconds / catSeconds;
        state.counters["peak_MiB"] = static_cast<double>(peakBytes) / kMiB;
        state.counters["file_MiB"] = static_cast<double>(wave.Size()) / kMiB;
    }
}
BENCHMARK(BM_LoadVersusCat)->UseManualTime()->Iterations(1)->Repetitions(9)->Unit(benchmark::kMillisecond);

template <typename Value>
Value Median(std::vector<Value> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Prints the medians against the targets.
void ReportAgainstTargets() {
    if (measurements.empty()) {
        return;
    }
    std::vector<double> load;
    std::vector<double> cat;
    std::vector<double> ratio;
    std::vector<std::uint64_t> peak;
    for (const Measurement& m : measurements) {
        load.push_back(m.loadSeconds);
        cat.push_back(m.catSeconds);
        ratio.push_back(m.loadSeconds / m.catSeconds);
        peak.push_back(m.peakBytes);
    }
    const std::uint64_t fileBytes = TheWave().Size();
    const std::uint64_t peakLimit = fileBytes + kMemoryAllowance;
    const bool memoryMet = Median(peak) <= peakLimit;
    const bool timeMet = Median(ratio) <= kMaxTimeRatio;
    std::printf("\n600 MB WAV load, median of %zu:\n", measurements.size());
    std::printf("  load %8.1f ms   cat > /dev/null %8.1f ms   load / cat %.2f (target <= %.2f)  %s\n",
                Median(load) * 1e3, Median(cat) * 1e3, Median(ratio), kMaxTimeRatio, timeMet ? "met" : "MISSED");
    std::printf("  peak memory %.1f MiB   file %.1f MiB + 64 MiB = %.1f MiB  %s\n",
                static_cast<double>(Median(peak)) / kMiB, static_cast<double>(fileBytes) / kMiB,
                static_cast<double>(peakLimit) / kMiB, memoryMet ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ReportAgainstTargets();
    return 0;
}
