// Frame receiver throughput on chunks of real frames. At 38400 baud the link carries at most
// about 87 eight-key frames or 426 one-key frames a second; items/s below are frames handled.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "debug/frame_receiver.h"

namespace {

std::vector<std::uint8_t> Frames(std::uint8_t mask, int count, int seed)
{
    std::vector<std::uint8_t> out;
    std::uint16_t s[8], b[8];
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < 8; ++j) {
            s[j] = static_cast<std::uint16_t>(3000 + j * 150 + (seed + i * 7 + j) % 5);
            b[j] = static_cast<std::uint16_t>(3000 + j * 150);
        }
        const auto f = EncodeFrame(mask, s, b);
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

struct Fixture {
    std::unique_ptr<LiveState> live = std::make_unique<LiveState>();
    std::unique_ptr<HistoryTables> history = std::make_unique<HistoryTables>();
    CFrameReceiver rx{*live, *history};
};

// One frame per delivery, as when the receive event fires for every frame.
void BM_OneFramePerChunk(benchmark::State& state)
{
    const auto mask = static_cast<std::uint8_t>(state.range(0));
    Fixture fx;
    const std::vector<std::vector<std::uint8_t>> chunks = {Frames(mask, 1, 0), Frames(mask, 1, 1), Frames(mask, 1, 2)};
    size_t i = 0;
    for (auto _ : state) {
        const auto& c = chunks[i++ % chunks.size()];
        benchmark::DoNotOptimize(fx.rx.OnChunk(c.data(), c.size()));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OneFramePerChunk)->Arg(0x01)->Arg(0xFF);

// The end of one frame and the start of the next: the chunk is rotated before decoding.
void BM_RotatedChunk(benchmark::State& state)
{
    const auto mask = static_cast<std::uint8_t>(state.range(0));
    Fixture fx;
    const auto two = Frames(mask, 2, 0);
    const size_t len = two.size() / 2;
    const std::vector<std::uint8_t> chunk(two.begin() + static_cast<std::ptrdiff_t>(len / 2),
                                          two.begin() + static_cast<std::ptrdiff_t>(len / 2 + len));
    for (auto _ : state)
        benchmark::DoNotOptimize(fx.rx.OnChunk(chunk.data(), chunk.size()));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RotatedChunk)->Arg(0x01)->Arg(0xFF);

// A full 1024-byte receive buffer of eight-key frames (the page was busy): only the last frame
// is decoded, but every frame in the chunk counts as handled.
void BM_FullBuffer(benchmark::State& state)
{
    Fixture fx;
    auto frames = Frames(0xFF, 1024 / 44 + 1, 0);
    const std::vector<std::uint8_t> chunk(frames.end() - 1024, frames.end());
    for (auto _ : state)
        benchmark::DoNotOptimize(fx.rx.OnChunk(chunk.data(), chunk.size()));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(1024 / 44));
}
BENCHMARK(BM_FullBuffer);

} // namespace

BENCHMARK_MAIN();
