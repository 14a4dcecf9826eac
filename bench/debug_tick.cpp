// One tick of the debug page with eight visible slots: the rebuild of 24 series of 200 points in
// the three charts (each rendered once) and the refresh of the three live lists, on offscreen
// widgets. At the link's full speed about two eight-key frames arrive per 25 ms tick; with the
// port open and the board silent, none.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cmath>
#include <random>

#include "debug/dlgsub2.h"
#include "debug/frame_receiver.h"
#include "debug/mscomm.h"
#include "tests/debug/fake_serial.h"

namespace {

struct Page {
    DlgSub2 page;
    FakeSerialDevice* device;
    int n = 0;

    explicit Page(bool fullRefresh = false)
    {
        page.SetFullRefresh(fullRefresh);
        auto d = std::make_unique<FakeSerialDevice>();
        device = d.get();
        page.SetSerialDevice(std::move(d));
        page.SetPortFinder([] { return 1; });
        page.resize(page.sizeHint());
        page.show();
        page.OnPortButton();
        for (int i = 0; i < 200; ++i)
            Feed();
        page.OnTimerTick();
        QApplication::processEvents();
    }
    ~Page()
    {
        if (page.Comm()->GetPortOpen())
            page.OnPortButton();
    }
    // One eight-key frame with values that move, so every curve and cell changes.
    void Feed()
    {
        std::uint16_t s[8], b[8];
        for (int j = 0; j < 8; ++j) {
            b[j] = static_cast<std::uint16_t>(200 + 30 * j);
            s[j] = static_cast<std::uint16_t>(b[j] - (n * 7 + j * 13) % 150);
        }
        ++n;
        const auto f = EncodeFrame(0xFF, s, b);
        device->Receive(QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size())));
    }
};

void BM_RefreshLiveView(benchmark::State& state)
{
    Page p;
    for (auto _ : state) {
        state.PauseTiming();
        p.Feed();
        state.ResumeTiming();
        p.page.RefreshLiveView();
    }
}
BENCHMARK(BM_RefreshLiveView)->Unit(benchmark::kMillisecond);

// The tick as the timer runs it, followed by the paint of everything it changed.
void BM_TickAndPaint(benchmark::State& state)
{
    Page p;
    for (auto _ : state) {
        state.PauseTiming();
        p.Feed();
        state.ResumeTiming();
        p.page.OnTimerTick();
        p.page.repaint();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_TickAndPaint)->Unit(benchmark::kMillisecond);

// A tick at full link speed: two new frames, the tick, and the paint of what it changed, as the
// event loop does it.
// Argument 1: every tick rebuilds and redraws everything (for comparison).
void BM_TickTwoFrames(benchmark::State& state)
{
    Page p(state.range(0) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        p.Feed();
        p.Feed();
        state.ResumeTiming();
        p.page.OnTimerTick();
        QApplication::processEvents(); // paints what the tick marked for painting
    }
}
BENCHMARK(BM_TickTwoFrames)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A tick with the port open and nothing received.
void BM_TickNoFrame(benchmark::State& state)
{
    Page p(state.range(0) != 0);
    for (auto _ : state) {
        p.page.OnTimerTick();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_TickNoFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Ticks at full link speed with values as a board gives them: baselines a few thousand counts
// apart that drift slowly, samples a few counts of noise around them, so the lists keep coming
// back to the same texts. Between two ticks, `between` bytes of other data go through the caches.
void BoardLikeTicks(benchmark::State& state, size_t between)
{
    Page p;
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 1.5);
    double drift = 0;
    std::vector<char> other(between);
    const auto feed = [&] {
        drift += 0.01;
        std::uint16_t s[8], b[8];
        for (int j = 0; j < 8; ++j) {
            const double base = 3000 + 137 * j + 4 * std::sin(drift + j);
            b[j] = static_cast<std::uint16_t>(std::lround(base));
            s[j] = static_cast<std::uint16_t>(std::lround(base + noise(rng)));
        }
        const auto f = EncodeFrame(0xFF, s, b);
        p.device->Receive(QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size())));
    };
    for (auto _ : state) {
        state.PauseTiming();
        feed();
        feed();
        for (size_t i = 0; i < other.size(); i += 64)
            other[i] = char(other[i] + 1);
        state.ResumeTiming();
        p.page.OnTimerTick();
        QApplication::processEvents();
    }
}

// A fixed count of those ticks (ten seconds of link), so that an instruction count
// (valgrind --tool=callgrind --toggle-collect='*BM_TickBoardLike*') compares builds.
void BM_TickBoardLike(benchmark::State& state) { BoardLikeTicks(state, 0); }
BENCHMARK(BM_TickBoardLike)->Iterations(400)->Unit(benchmark::kMicrosecond);

// The same ticks, each after other data went through the caches, as between two ticks of the
// running program, 25 ms apart on a shared machine: measured there, a tick with its paint costs
// nearer what this gives than what the warm ticks above take. The argument is the data gone
// through between two ticks, in MiB (64: the caches keep almost nothing of the last tick; 4: more
// than a core's own cache holds). The README says how to compare the cache misses of two builds.
void BM_TickBoardLikeCold(benchmark::State& state) { BoardLikeTicks(state, size_t(state.range(0)) << 20); }
BENCHMARK(BM_TickBoardLikeCold)->Arg(64)->Arg(4)->Iterations(1000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
