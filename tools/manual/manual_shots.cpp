#include "tools/manual/manual_shots.h"

#include <QApplication>
#include <QCheckBox>
#include <QTimerEvent>
#include <cmath>

#include "shell/morvek_dlg.h"
#include "app/header_export_dialog.h"
#include "app/ui_services.h"
#include "debug/debug_session.h"
#include "debug/dlgsub2.h"
#include "debug/frame_receiver.h"
#include "debug/live_charts.h"
#include "debug/live_view.h"
#include "debug/chart_window.h"
#include "debug/mscomm.h"
#include "debug/procedure.h"
#include "debug/result_table.h"
#include "params/dlgsub1.h"
#include "params/export_review.h"
#include "params/header_codec.h"

namespace {

// Message boxes, file dialogs, the confirmations and the shell do nothing while the pictures are made.
class SilentServices : public UiServices {
public:
    void ShowWarning(QWidget*, const QString&) override {}
    void ShowInformation(QWidget*, const QString&) override {}
    bool ConfirmHeaderExport(QWidget*, const HeaderExportReview&) override { return false; }
    QString PickOpenFile(QWidget*, const QString&, const QString&) override { return {}; }
    QString PickSaveFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    bool ConfirmThresholds(QWidget*, ThresholdReview&) override { return false; }
    bool OpenDocument(const QString&, std::function<void()>) override { return false; }
};

using Phase = CDetectionProcedure::Phase;

} // namespace

// Only Run() ticks the page, so that every build draws the same pictures: the page timer's own
// events are dropped.
class ShotBench::TimerGate : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Timer)
            if (auto* session = qobject_cast<DebugSession*>(watched))
                return static_cast<QTimerEvent*>(event)->timerId() == session->TimerId();
        return false;
    }
};

// ---- the stand-in board ----------------------------------------------------------------------

QString StandInBoard::Open(int, const SerialSettings&)
{
    m_open = true;
    return {};
}

QByteArray StandInBoard::ReadAll()
{
    QByteArray out;
    out.swap(m_pending);
    return out;
}

bool StandInBoard::TouchedNow(int tk) const
{
    if (touched & (1u << tk))
        return true;
    if (cycleFrames <= 0)
        return false;
    int order = 0; // position of tk among the enabled keys
    int count = 0;
    for (int k = 0; k < 8; ++k)
        if (mask & (1u << k)) {
            if (k < tk)
                ++order;
            ++count;
        }
    const long at = m_frame % (static_cast<long>(count) * cycleFrames);
    return at >= order * cycleFrames && at < order * cycleFrames + cycleFrames / 2;
}

void StandInBoard::Step()
{
    std::uint16_t samples[8] = {}, baselines[8] = {};
    std::uniform_int_distribution<int> jitter(-noise, noise);
    int j = 0;
    for (int tk = 0; tk < 8; ++tk) {
        if (!(mask & (1u << tk)))
            continue;
        // A finger comes down and lifts over about four frames.
        double& press = m_press[tk];
        press = TouchedNow(tk) ? std::min(1.0, press + 0.3) : std::max(0.0, press - 0.3);
        const double drift = 4 * std::sin((m_frame + 40 * tk) / 90.0);
        const int baseline = level + spread * tk + static_cast<int>(std::lround(drift));
        const int sample = baseline - static_cast<int>(std::lround(press * delta)) + jitter(m_random);
        samples[j] = static_cast<std::uint16_t>(std::max(0, sample));
        baselines[j] = static_cast<std::uint16_t>(baseline);
        ++j;
    }
    ++m_frame;
    if (!m_open)
        return;
    const auto frame = EncodeFrame(mask, samples, baselines);
    m_pending.append(reinterpret_cast<const char*>(frame.data()), static_cast<int>(frame.size()));
    emit ReadyRead();
}

// ---- the bench -------------------------------------------------------------------------------

ShotBench::ShotBench() : m_services(std::make_unique<SilentServices>()), m_timerGate(std::make_unique<TimerGate>())
{
    m_window = std::make_unique<CMorvekDlg>(nullptr, m_services.get());
    auto board = std::make_unique<StandInBoard>();
    m_board = board.get();
    DebugPage().SetSerialDevice(std::move(board));
    DebugPage().SetPortFinder([] { return 3; });
    DebugPage().Session().SetClock([this] { return m_nowMs; });
    // The charts find a board's values themselves, as "scripts/run --demo" starts them.
    DebugPage().View().SetAutoRange(true);
    DebugPage().Session().installEventFilter(m_timerGate.get());
    m_window->show();
    QApplication::processEvents();
}

ShotBench::~ShotBench() = default;

DlgSub2& ShotBench::DebugPage() { return *m_window->DebugPage(); }

void ShotBench::ShowTab(int index)
{
    m_window->Tab()->Bar()->setCurrentIndex(index);
    QApplication::processEvents();
}

void ShotBench::OpenPort() { DebugPage().OnPortButton(); }

void ShotBench::Run(int ticks)
{
    for (int i = 0; i < ticks; ++i) {
        m_board->Step();
        m_nowMs += DebugSession::kTimerPeriodMs;
        DebugPage().OnTimerTick();
    }
    QApplication::processEvents();
}

bool ShotBench::RunUntil(const std::function<bool()>& done, int maxTicks)
{
    for (int i = 0; i < maxTicks && !done(); ++i)
        Run(1);
    return done();
}

QImage ShotBench::Grab(QWidget* widget, const QRect& part)
{
    QWidget* w = widget ? widget : m_window.get();
    QApplication::processEvents();
    return w->grab(part.isValid() ? part : QRect(QPoint(0, 0), w->size())).toImage();
}

// ---- the pictures ----------------------------------------------------------------------------

namespace {

// Each step below returns false when the program did not reach the state the picture is to show;
// the picture then comes out empty and the build stops, instead of a manual showing something
// else than its text says.

// The live view after five seconds of frames: every key touched in turn, so that each curve
// shows its dip and the tables their values.
bool StreamLive(ShotBench& bench)
{
    bench.ShowTab(1);
    bench.OpenPort();
    if (!bench.DebugPage().Comm()->GetPortOpen())
        return false;
    bench.Run(200);
    return true;
}

// "开始检测" with the automatic touches off: no touch during the no-key step, all keys touched
// from the second second of the press countdown on.
bool StartDetection(ShotBench& bench)
{
    if (!StreamLive(bench))
        return false;
    bench.Board().cycleFrames = 0;
    bench.Run(20);
    bench.DebugPage().OnStartDetection();
    return bench.DebugPage().Procedure().Running();
}

// Runs the detection on until done() holds, with every key touched from the press countdown's
// second second on.
bool RunDetectionUntil(ShotBench& bench, const std::function<bool(const CDetectionProcedure&)>& done)
{
    const CDetectionProcedure& proc = bench.DebugPage().Procedure();
    return bench.RunUntil([&] {
        if (proc.CurrentPhase() == Phase::PressCountdown && proc.TicksLeft() <= 120)
            bench.Board().touched = 0xFF;
        return done(proc);
    }, 2000);
}

// The parameter page with every key of the chip chosen ("全选"), so that the thresholds are open.
QImage ParamPage()
{
    ShotBench bench;
    bench.ShowTab(0);
    if (auto* all = bench.Window().ParamPage()->controlAs<QCheckBox>(1065))
        all->click();
    return bench.Grab();
}

QImage DebugLive()
{
    ShotBench bench;
    if (!StreamLive(bench))
        return {};
    return bench.Grab();
}

QImage DebugDetecting()
{
    ShotBench bench;
    const auto asked = [](const CDetectionProcedure& proc) {
        return proc.CurrentPhase() == Phase::PressCountdown && proc.TicksLeft() <= 60;
    };
    if (!StartDetection(bench) || !RunDetectionUntil(bench, asked))
        return {};
    return bench.Grab();
}

// After a whole detection: every key's row evaluated.
QImage DebugResults()
{
    ShotBench bench;
    const auto finished = [](const CDetectionProcedure& proc) { return !proc.Running(); };
    if (!StartDetection(bench) || !RunDetectionUntil(bench, finished))
        return {};
    for (int row = 0; row < 6; ++row)
        if (bench.DebugPage().Results().Text(row, ResultCol::Reliability).isEmpty())
            return {};
    bench.Board().touched = 0;
    bench.Run(40);
    // The lower part of the page, from the difference chart down: the procedure's status, the
    // curves of the release and the results table.
    DlgSub2& page = bench.DebugPage();
    const int top = page.units().Y(182);
    return bench.Grab(&page, QRect(0, top, page.width(), page.height() - top));
}

// "导出头文件" after thresholds were applied to a page that never imported the header: the
// warning, and the settings of the header the page would write over besides the thresholds.
QImage HeaderExportPreview()
{
    ShotBench bench;
    bench.ShowTab(0);
    DlgSub1& page = *bench.Window().ParamPage();
    page.ApplyThresholds({{0, 175}, {1, 168}}, true);
    const QByteArray header = "/* touch key configuration */\n"
                              "#define EnTk0                      1\n"
                              "#define EnTk1                      1\n"
                              "#define TKLib_TOUCH_NUM            2   /* keys that may be touched at once */\n"
                              "#define TKLib_TK0_F_THRESHOLD      100\n"
                              "#define TKLib_TK1_F_THRESHOLD      100\n"
                              "#define TKLib_TouchLowerPower      1\n"
                              "#define TKLPGroup0                 1\n"
                              "#define TKLib_TKLPGroup0_MASK      0x03\n";
    const HeaderCodec::ExportPlan plan = HeaderCodec::PlanExport(header, RecordValues(page.Params()));
    if (plan.changes.size() != 6)
        return {};
    CHeaderExportDlg dialog(MakeExportReview(QStringLiteral("/home/user/project/src/touch_cfg.h"), plan, ParamsOrigin::NoFile));
    dialog.show();
    QApplication::processEvents();
    return dialog.grab().toImage();
}

// The difference chart enlarged after a detection: the thresholds it suggested drawn over a
// press and its release.
QImage DebugEnlarged()
{
    ShotBench bench;
    const auto finished = [](const CDetectionProcedure& proc) { return !proc.Running(); };
    if (!StartDetection(bench) || !RunDetectionUntil(bench, finished))
        return {};
    bench.Board().touched = 0xFF;
    bench.Run(110);
    bench.Board().touched = 0;
    bench.Run(60);
    bench.DebugPage().View().Charts().OpenWindow(2);
    ChartWindow* window = bench.DebugPage().View().Charts().Window(2);
    if (!window)
        return {};
    window->resize(900, 450);
    bench.Run(1);
    QImage image = bench.Grab(window);
    window->close();
    return image;
}

QImage AboutBox()
{
    CAboutDlg box;
    box.show();
    QApplication::processEvents();
    return box.grab().toImage();
}

} // namespace

std::vector<ManualShot> ManualShots()
{
    return {
        {QStringLiteral("param-page"), QStringLiteral("the parameter page"), ParamPage},
        {QStringLiteral("header-export"), QStringLiteral("the changes an export into a header shows first"), HeaderExportPreview},
        {QStringLiteral("debug-live"), QStringLiteral("the debug page with live curves and tables"), DebugLive},
        {QStringLiteral("debug-detecting"), QStringLiteral("a detection in its press countdown"), DebugDetecting},
        {QStringLiteral("debug-results"), QStringLiteral("the status line and the results table after a detection"), DebugResults},
        {QStringLiteral("debug-enlarged"), QStringLiteral("the difference chart enlarged, with threshold lines"), DebugEnlarged},
        {QStringLiteral("about-box"), QStringLiteral("the about box"), AboutBox},
    };
}
