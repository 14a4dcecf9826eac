// The debug page's link session without a page: the link's states, the resting timer, the hold of
// arrivals and the lost port, with a stand-in device and a view that draws whenever the shown
// data moved on.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "debug/debug_session.h"
#include "debug/mscomm.h"
#include "debug/procedure.h"
#include "debug/result_table.h"
#include "tests/debug/fake_serial.h"
#include "tests/debug/gtest_wait.h"

namespace {

class SilentView : public ProcedureView {
public:
    void ShowStatus(ColorRef, const QString&) override {}
    void SetStartControlsEnabled(bool) override {}
    void SetProgressRange(int) override {}
    void SetProgressPos(int) override {}
    void StepProgress() override {}
    void ShowWarning(const QString&) override {}
};

using Link = DebugSession::LinkState;

struct SessionTest : ::testing::Test {
    ResultTable results;
    SilentView view;
    DebugSession session;
    FakeSerialDevice* device = nullptr;
    int port = 3;
    std::uint64_t drawnRevision = ~std::uint64_t(0);
    QStringList warnings;
    QList<QPair<Link, int>> links;

    SessionTest()
    {
        auto d = std::make_unique<FakeSerialDevice>();
        device = d.get();
        session.SetSerialDevice(std::move(d));
        session.SetPortFinder([this] { return port; });
        session.AttachProcedure(results, view);
        // Draws, as the live view does, exactly when the shown data moved on.
        session.SetRefresh([this] {
            const std::uint64_t revision = session.Live().ShownRevision();
            const bool draw = revision != drawnRevision;
            drawnRevision = revision;
            return draw;
        });
        QObject::connect(&session, &DebugSession::Warning, [this](const QString& text) { warnings << text; });
        QObject::connect(&session, &DebugSession::LinkChanged, [this](Link state, int n) { links << qMakePair(state, n); });
    }
    void Open()
    {
        session.ToggleLink();
        ASSERT_TRUE(session.Comm()->GetPortOpen());
    }
    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            session.OnTimerTick();
    }
    int Sample0() const { return session.Live().State().m_slots[0].sample; }
};

// A silent port with nothing running slows the timer down; bytes and Wake() bring it back at
// once, a running procedure keeps it fast, and a slow tick that finds something changed by
// another way wakes it too. The rest is invisible: the next fast tick shows what arrived.
TEST_F(SessionTest, ASilentPortRestsTheTimerUntilSomethingCanChange)
{
    Open();
    device->Receive(Frame(0x01, {{100, 90}}));
    Ticks(DebugSession::kQuietTicksBeforeRest); // the first of them draws the frame
    device->Receive(Frame(0x01, {{110, 90}})); // the quiet ticks must come in a row
    Ticks(DebugSession::kQuietTicksBeforeRest);
    EXPECT_EQ(session.TickPeriod(), DebugSession::kTimerPeriodMs);
    Ticks(1);
    EXPECT_EQ(session.TickPeriod(), DebugSession::kRestPeriodMs);
    EXPECT_NE(session.TimerId(), 0);

    device->Receive(Frame(0x01, {{120, 90}}));
    EXPECT_EQ(session.TickPeriod(), DebugSession::kTimerPeriodMs);
    EXPECT_EQ(Sample0(), 120);

    Ticks(DebugSession::kQuietTicksBeforeRest + 1);
    ASSERT_EQ(session.TickPeriod(), DebugSession::kRestPeriodMs);
    session.Wake();
    EXPECT_EQ(session.TickPeriod(), DebugSession::kTimerPeriodMs);

    Ticks(DebugSession::kQuietTicksBeforeRest);
    ASSERT_EQ(session.TickPeriod(), DebugSession::kRestPeriodMs);
    session.StartDetection();
    EXPECT_EQ(session.TickPeriod(), DebugSession::kTimerPeriodMs);
    Ticks(3 * DebugSession::kQuietTicksBeforeRest);
    EXPECT_EQ(session.TickPeriod(), DebugSession::kTimerPeriodMs);
    session.AbortProcedure();
    Ticks(DebugSession::kQuietTicksBeforeRest + 1);
    ASSERT_EQ(session.TickPeriod(), DebugSession::kRestPeriodMs);

    session.Procedure()->OnStartDetection(); // not through the session
    session.OnTimerTick();
    EXPECT_EQ(session.TickPeriod(), DebugSession::kTimerPeriodMs);
    session.Procedure()->OnAbortProcedure();

    session.ToggleLink();
    EXPECT_EQ(session.TimerId(), 0);
    session.ToggleLink();
    EXPECT_EQ(session.TickPeriod(), DebugSession::kTimerPeriodMs);

    // On its own timer: rests within a few seconds of silence, and a frame still arrives.
    QTRY_COMPARE_WITH_TIMEOUT(session.TickPeriod(), DebugSession::kRestPeriodMs, 10000);
    device->Receive(Frame(0x01, {{140, 90}}));
    QTRY_COMPARE_WITH_TIMEOUT(Sample0(), 140, 10000);
}

// A port that can hold its bytes keeps them for the fast tick to take in, and lets them come as
// they arrive while the timer rests, so that they still wake it.
TEST_F(SessionTest, HeldArrivalsWaitForTheTickUnlessTheTimerRests)
{
    device->holdable = true;
    Open();
    EXPECT_TRUE(session.ArrivalsHeld());
    EXPECT_TRUE(device->held);
    device->Receive(Frame(0x01, {{100, 90}}));
    EXPECT_EQ(session.Live().State().m_keyCount, 0) << "not taken in before the tick";
    session.OnTimerTick();
    EXPECT_EQ(Sample0(), 100);

    Ticks(DebugSession::kQuietTicksBeforeRest);
    ASSERT_EQ(session.TickPeriod(), DebugSession::kRestPeriodMs);
    EXPECT_FALSE(session.ArrivalsHeld());
    EXPECT_FALSE(device->held);
    device->Receive(Frame(0x01, {{120, 90}}));
    EXPECT_EQ(session.TickPeriod(), DebugSession::kTimerPeriodMs);
    EXPECT_TRUE(session.ArrivalsHeld());
    EXPECT_EQ(Sample0(), 120);

    session.ToggleLink();
    EXPECT_FALSE(session.ArrivalsHeld());
    EXPECT_FALSE(device->held);
    session.ToggleLink();
    EXPECT_TRUE(session.ArrivalsHeld());
    device->Vanish();
    EXPECT_FALSE(session.ArrivalsHeld());
    EXPECT_EQ(session.TimerId(), 0);
}

// A port that goes away: stopped like a close, awaited under its own number, reopened with the
// same settings when it is back; giving up ends the wait. The session is destroyed while waiting.
TEST_F(SessionTest, LostPortIsAwaitedUnderItsNumberAndReopened)
{
    bool present = false;
    QList<int> probed;
    session.SetPortProbe([&](int n) {
        probed << n;
        return present;
    });
    Open();
    device->Receive(Frame(0x01, {{3200, 3300}}));
    session.NoKeyDetection();
    session.OnTimerTick();
    const int ticksLeft = session.Procedure()->TicksLeft();

    device->Vanish();
    EXPECT_FALSE(session.Comm()->GetPortOpen());
    EXPECT_EQ(session.State(), Link::Lost);
    EXPECT_EQ(links.last(), qMakePair(Link::Lost, 3));
    EXPECT_EQ(session.TimerId(), 0);
    EXPECT_NE(session.ReconnectTimerId(), 0);
    EXPECT_EQ(session.LostPort(), 3);
    EXPECT_EQ(Sample0(), 3200);
    EXPECT_EQ(session.Procedure()->TicksLeft(), ticksLeft);

    // The 500 ms timer asks for port 3, even when a higher port has turned up meanwhile.
    port = 7;
    GTEST_TRY_VERIFY(!probed.isEmpty());
    EXPECT_EQ(probed.first(), 3);
    EXPECT_EQ(session.State(), Link::Lost);

    // Back, but refusing: the wait goes on without a word.
    present = true;
    device->refuse = "Device or resource busy";
    session.OnReconnectTick();
    session.OnReconnectTick();
    EXPECT_EQ(session.State(), Link::Lost);
    EXPECT_NE(session.ReconnectTimerId(), 0);
    EXPECT_TRUE(warnings.isEmpty());

    device->refuse.clear();
    session.OnReconnectTick();
    EXPECT_TRUE(session.Comm()->GetPortOpen());
    EXPECT_EQ(device->openedPort, 3);
    EXPECT_EQ(session.Comm()->GetSettings(), "38400,n,8,1");
    EXPECT_EQ(session.Comm()->GetRThreshold(), 9);
    EXPECT_EQ(links.last(), qMakePair(Link::Open, 3));
    EXPECT_NE(session.TimerId(), 0);
    EXPECT_EQ(session.ReconnectTimerId(), 0);
    EXPECT_EQ(session.LostPort(), 0);
    session.OnTimerTick();
    EXPECT_EQ(session.Procedure()->TicksLeft(), ticksLeft - 1) << "the procedure goes on where it stopped";
    device->Receive(Frame(0x01, {{1, 2}}));
    EXPECT_EQ(Sample0(), 1);

    // Lost again; giving up: closed, no timer of either kind, and the next open takes the
    // highest port as usual.
    device->Vanish();
    session.ToggleLink();
    EXPECT_EQ(links.last(), qMakePair(Link::Closed, 0));
    EXPECT_EQ(session.ReconnectTimerId(), 0);
    EXPECT_EQ(session.TimerId(), 0);
    session.OnReconnectTick();
    EXPECT_FALSE(session.Comm()->GetPortOpen());
    session.ToggleLink();
    EXPECT_EQ(links.last(), qMakePair(Link::Open, 7));

    device->Vanish(); // the fixture now destroys the session while it waits
    EXPECT_NE(session.ReconnectTimerId(), 0);
    EXPECT_TRUE(warnings.isEmpty());
}

} // namespace

namespace {

// The link's read-out: frames a second over the last two half-second periods, bytes skipped since
// the port opened; it starts afresh at each opening and says 0 a second once the link is gone.
TEST_F(SessionTest, LinkReadOutCountsFramesASecondAndBytesSkippedSinceOpening)
{
    qint64 now = 0;
    session.SetClock([&] { return now; });
    QList<QPair<int, quint64>> shown;
    QObject::connect(&session, &DebugSession::HealthChanged,
                     [&](int perSecond, quint64 skipped) { shown << qMakePair(perSecond, skipped); });
    device->Receive("junk"); // before the opening: not delivered
    Open();
    EXPECT_EQ(shown, (QList<QPair<int, quint64>>{{0, 0}}));
    for (int half = 0; half < 2; ++half) {
        for (int i = 0; i < 40; ++i)
            device->Receive(Frame(0x01, {{100 + i, 90}}));
        device->Receive(QByteArray(9, '\x11')); // skipped once a frame follows, or the stream ends
        now += 400;
        session.OnTimerTick(); // not yet half a second
        now += 100;
        session.OnTimerTick();
    }
    EXPECT_EQ(shown.last(), qMakePair(80, quint64(9)));
    EXPECT_EQ(session.FramesPerSecond(), 80);

    // More than the receive buffer holds at once: the bytes it lets go count as skipped, and the
    // frame whose middle went with them is not made up of its two ends.
    const std::uint64_t frames = session.Live().FramesDecoded();
    const QByteArray f = Frame(0xFF, {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}, {13, 14}, {15, 16}});
    device->Receive(f.left(20));
    device->Receive(QByteArray(24, '\x22') + f.mid(20) + QByteArray(1000, '\x11'));
    EXPECT_EQ(session.Live().FramesDecoded(), frames);
    EXPECT_EQ(session.BytesSkippedSinceOpen(), 18u + 20 + 24 + 24 + 1000 - 43) << "all but the last 43 bytes, which may still begin a frame";

    device->Vanish();
    EXPECT_EQ(shown.last(), qMakePair(0, quint64(18 + 20 + 24 + 24 + 1000)));
    session.ToggleLink(); // gives up waiting
    device->Receive(QByteArray("\x44", 1));
    Open();
    EXPECT_EQ(shown.last(), qMakePair(0, quint64(0)));
    EXPECT_EQ(session.BytesSkippedSinceOpen(), 0u);
}

} // namespace
