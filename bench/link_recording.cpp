// What recording the link costs: one iteration is one second of a 38400-baud link at full speed
// (3840 bytes of eight-key frames) delivered by the serial device in blocks of the given size to
// the serial control, which hands them to a recording session writing a real file, with the
// session's two flushes of that second. The counter core_pct is the CPU time of one iteration as
// a share of one core (the second it stands for); the same run without recording (recording:0)
// gives the cost of the delivery alone, so the difference is what recording adds.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <ctime>

#include "debug/frame_receiver.h"
#include "debug/mscomm.h"
#include "debug/recording_session.h"
#include "tests/debug/fake_serial.h"

namespace {

constexpr int kLinkBytesPerSecond = 3840; // 10 bits a byte at 38400 baud

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

QByteArray OneSecondOfFrames()
{
    QByteArray out;
    std::uint16_t s[8], b[8];
    for (int i = 0; out.size() < kLinkBytesPerSecond; ++i) {
        for (int j = 0; j < 8; ++j) {
            b[j] = static_cast<std::uint16_t>(3000 + 137 * j);
            s[j] = static_cast<std::uint16_t>(b[j] - (i * 7 + j) % 150);
        }
        const auto f = EncodeFrame(0xFF, s, b);
        out.append(reinterpret_cast<const char*>(f.data()), static_cast<qsizetype>(f.size()));
    }
    out.truncate(kLinkBytesPerSecond);
    return out;
}

void BM_OneSecondOfLink(benchmark::State& state)
{
    const int block = static_cast<int>(state.range(0));
    const bool recording = state.range(1) != 0;
    QTemporaryDir dir;
    auto owned = std::make_unique<FakeSerialDevice>();
    FakeSerialDevice* device = owned.get();
    CMSComm comm(std::move(owned));
    comm.SetRThreshold(9);
    comm.SetSettings(QStringLiteral("38400,n,8,1"));
    comm.SetPortOpen(true);
    // The page empties the control's buffer on every receive event.
    QObject::connect(&comm, &CMSComm::OnComm, [&comm] {
        comm.GetInput();
        comm.SetInBufferCount(0);
    });
    CLinkRecordingSession session;
    QObject::connect(&comm, &CMSComm::BytesReceived, &session, &CLinkRecordingSession::OnBytes);
    if (recording) {
        QString error;
        if (!session.Start(dir.path(), 50, QStringLiteral("/dev/pts/0"), &error)) {
            state.SkipWithError(error.toLocal8Bit().constData());
            return;
        }
    }
    const QByteArray second = OneSecondOfFrames();
    std::vector<QByteArray> blocks;
    for (qsizetype at = 0; at < second.size(); at += block)
        blocks.push_back(second.mid(at, block));

    double cpu = 0;
    for (auto _ : state) {
        const double start = CpuSeconds();
        for (const QByteArray& b : blocks)
            device->Receive(b);
        // The flush timer's two runs of this second.
        if (recording) {
            session.Flush();
            session.Flush();
        }
        cpu += CpuSeconds() - start;
    }
    state.counters["core_pct"] = benchmark::Counter(100.0 * cpu, benchmark::Counter::kAvgIterations);
    state.counters["bytes_recorded"] = static_cast<double>(session.BytesRecorded());
    session.Stop();
}
BENCHMARK(BM_OneSecondOfLink)
    ->ArgNames({"block", "recording"})
    ->ArgsProduct({{1, 9, 44}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
