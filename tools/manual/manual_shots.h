#pragma once
// Pictures of the program for the user manual, made at build time from the real windows,
// offscreen, with a stand-in board feeding the debug page, so that they always show the program
// as it is built. The manual shows the picture named N with <img src="shots/N.png">.
//
// To add a picture: write a function that builds a ShotBench, drives it to the state to show and
// returns bench.Grab(...); add it with its name to the list in ManualShots(); refer to it from
// the manual's HTML source.

#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "debug/mscomm.h"

class CMorvekDlg;
class DlgSub2;
class UiServices;

// A touch board in place of the serial device: one data frame per Step(), for the keys of the
// mask, with baselines that drift slowly, a few counts of noise and touches that lower the
// sample. Seeded, so that every build draws the same pictures.
class StandInBoard : public ISerialDevice {
public:
    std::uint8_t mask = 0x3F;  // keys TK0..TK5
    int level = 250;           // TK0's baseline; low enough for the charts' initial ranges
    int spread = 30;           // TKi sits i * spread above TK0
    int delta = 120;           // counts a full touch lowers the sample by
    int noise = 3;             // noise amplitude in counts
    int cycleFrames = 30;      // automatic touches, each key in turn for this many frames, touched
                               // the first half; 0: none
    std::uint8_t touched = 0;  // keys touched by hand (bit i = TKi), on top of the cycle

    QString Open(int, const SerialSettings&) override;
    void Close() override { m_open = false; }
    bool IsOpen() const override { return m_open; }
    QByteArray ReadAll() override;

    // Sends the next frame (when open).
    void Step();

private:
    bool TouchedNow(int tk) const;

    bool m_open = false;
    long m_frame = 0;
    double m_press[8] = {};  // how far each key is pressed, 0..1 (a finger takes a few frames)
    std::mt19937 m_random{20240701};
    QByteArray m_pending;
};

// The main window, shown offscreen, with the stand-in board as the debug page's serial port 3
// and dialog services that show nothing.
class ShotBench {
public:
    ShotBench();
    ~ShotBench();

    CMorvekDlg& Window() { return *m_window; }
    DlgSub2& DebugPage();
    StandInBoard& Board() { return *m_board; }

    void ShowTab(int index);
    // Clicks "打开串口".
    void OpenPort();
    // Runs n timer periods: one frame from the board, then one tick of the page timer each.
    void Run(int ticks);
    // Runs periods until done() holds; false if it still does not after maxTicks.
    bool RunUntil(const std::function<bool()>& done, int maxTicks);
    // The widget as it is drawn (the whole window by default), or the part of it given in the
    // widget's coordinates.
    QImage Grab(QWidget* widget = nullptr, const QRect& part = {});

private:
    class TimerGate;
    std::unique_ptr<UiServices> m_services;
    std::unique_ptr<TimerGate> m_timerGate;
    std::unique_ptr<CMorvekDlg> m_window;
    StandInBoard* m_board = nullptr;
    qint64 m_nowMs = 0; // the page's clock: one timer period a tick
};

struct ManualShot {
    QString name; // file name without ".png"
    QString what; // what the picture shows, one line
    std::function<QImage()> make;
};

// Every picture the manual shows, in the order they appear.
std::vector<ManualShot> ManualShots();
