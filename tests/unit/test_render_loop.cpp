#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "app/Lifecycle.h"
#include "app/RenderLoop.h"

namespace {
// A scripted world: the frame clock and the raw counter advance by a fixed step
// per drawn frame, so each test places the 20th frame where it wants it.
class ScriptedHost : public RenderLoopHost {
public:
  double now = 0.0;            // frame clock seconds
  int64_t ticks = 0;           // raw counter, 1000 ticks per second
  double frameSeconds = 0.01;  // time a drawn frame takes
  bool capable = true;
  int stopAfterFrames = -1;
  std::atomic<bool>* stop = nullptr;
  std::vector<std::string> calls;
  int drawn = 0;
  int blanked = 0;
  int errorScreens = 0;
  int spinsWithoutFrame = 0;
  int throwAtFrame = -1;  // the frame whose drawing runs out of memory
  // Device loss and display changes: the frame whose present finds the device
  // lost, how many polls still say lost, the frames after which the display
  // changes, and which rebuilds fail.
  int loseAtFrame = -1;
  int lostPolls = 0;
  std::vector<int> displayChangeAfter;
  std::vector<bool> rebuildResults;  // in order; true once they run out
  int polls = 0, pauses = 0, rebuilds = 0;
  unsigned pausedMilliseconds = 0;
  bool changed = false;
  // The display: a rate fast enough that pacing holds no frame of the older tests
  // back, and its power state, switched off before the frame `offAtFrame` and on
  // again after `offWaits` waits for it.
  unsigned refreshHz = 1000;
  int offAtFrame = -1, offWaits = 0, displayWaits = 0;
  bool off = false;
  int waits = 0, clockReads = 0;
  double waited = 0.0;
  std::vector<double> frameTimes;  // the clock at each drawn frame

  double ClockTime() override {
    ++clockReads;
    return now;
  }
  int64_t CounterFrequency() override { return 1000; }
  int64_t CounterTicks() override { return ticks; }
  bool CheckSystemRequirements() override { return capable; }
  void ShowErrorScreen() override { ++errorScreens; calls.push_back("error"); }
  void UpdateScene() override { calls.push_back("update"); }
  bool DrawFrame(bool blank) override {
    if (drawn == throwAtFrame) throw std::bad_alloc();
    calls.push_back(blank ? "blank" : "draw");
    if (off) calls.push_back("drawn while off");
    frameTimes.push_back(now);
    ++drawn;
    if (blank) ++blanked;
    now += frameSeconds;
    ticks += static_cast<int64_t>(frameSeconds * 1000.0 + 0.5);
    if (stopAfterFrames >= 0 && drawn >= stopAfterFrames) stop->store(true);
    for (int after : displayChangeAfter) changed = changed || after == drawn;
    if (drawn == offAtFrame) off = true;
    return drawn != loseAtFrame;
  }
  bool DeviceCanBeMade() override { return ++polls > lostPolls; }
  bool RebuildScene(bool relayout) override {
    calls.push_back(relayout ? "relayout" : "rebuild");
    const bool ok = rebuilds < static_cast<int>(rebuildResults.size()) ? rebuildResults[rebuilds] : true;
    ++rebuilds;
    return ok;
  }
  bool DisplayChanged() override { return std::exchange(changed, false); }
  void Pause(unsigned milliseconds) override {
    ++pauses;
    pausedMilliseconds += milliseconds;
    now += milliseconds / 1000.0;  // the injected clock: a pause is time passing
    ticks += milliseconds;
  }
  unsigned RefreshRate() override { return refreshHz; }
  void Wait(double seconds) override {
    ++waits;
    waited += seconds;
    now += seconds;
    ticks += static_cast<int64_t>(seconds * 1000.0 + 0.5);
  }
  bool DisplayOff() override { return off; }
  void WaitForDisplay() override {
    // Ten seconds with the display off pass in each wait.
    ++displayWaits;
    now += 10.0;
    ticks += 10000;
    if (displayWaits >= offWaits) off = false;
  }
  void ReleaseFrameSurfaces() override { calls.push_back("release"); }
  std::vector<std::wstring> reports;
  void Report(const wchar_t* line) override { reports.push_back(line); }
};

struct Loop {
  std::atomic<bool> stop{false};
  bool errorScreen = false;
  double lastFrameTime = -1.0;
  ScriptedHost host;
  Loop() { host.stop = &stop; }
  int Run(bool blobs = false) { return RunRenderLoop(host, {stop, errorScreen, lastFrameTime, blobs}); }
};
}  // namespace

TEST(RenderLoop, FailedCapabilityCheckShowsErrorScreenEvenIfWindowThreadPassed) {
  Loop l;
  l.host.capable = false;
  EXPECT_EQ(l.Run(), 0);
  EXPECT_TRUE(l.errorScreen);
  EXPECT_EQ(l.host.errorScreens, 1);
  EXPECT_EQ(l.host.drawn, 0);
}

TEST(RenderLoop, SceneNotBuiltShowsErrorScreen) {
  Loop l;
  l.errorScreen = true;
  l.Run();
  EXPECT_EQ(l.host.errorScreens, 1);
  EXPECT_EQ(l.host.drawn, 0);
  EXPECT_TRUE(l.host.reports.empty());  // not a speed test's failure
}

TEST(RenderLoop, FastDeviceBlanksTheFirstSecondThenDrawsForReal) {
  Loop l;
  l.host.frameSeconds = 0.01;  // 100 fps
  l.host.stopAfterFrames = 150;
  l.Run();
  EXPECT_EQ(l.host.errorScreens, 0);
  EXPECT_FALSE(l.errorScreen);
  // Frames starting within the first second are blanked; the first one starting
  // after it ends the test and is itself still blanked.
  EXPECT_GE(l.host.blanked, 100);
  EXPECT_LE(l.host.blanked, 102);
  EXPECT_EQ(l.host.drawn, 150);
}

TEST(RenderLoop, SlowDeviceFailsTheSpeedTest) {
  Loop l;
  l.host.frameSeconds = 0.1;  // 10 fps
  l.host.stopAfterFrames = 1000;
  l.Run();
  EXPECT_TRUE(l.errorScreen);
  EXPECT_EQ(l.host.errorScreens, 1);
  EXPECT_LE(l.host.drawn, 12);
  EXPECT_EQ(l.host.drawn, l.host.blanked);
  // Said where a watcher can tell it from a scene that failed to build.
  ASSERT_EQ(l.host.reports.size(), 1u);
  EXPECT_EQ(l.host.reports[0].rfind(L"Failed start-up speed test (10 frames", 0), 0u) << l.host.reports[0];
}

TEST(RenderLoop, TwentiethFramePresentedWithinTheSecondPasses) {
  // 20 frames of 0.05 s: the 20th is presented at exactly 1.0 s on the counter
  // (not more than 1.0), and the next frame begins after the second with 20 counted.
  Loop l;
  l.host.frameSeconds = 0.05;
  l.host.now = 0.0;
  l.lastFrameTime = -1.0;
  l.host.stopAfterFrames = 40;
  l.Run();
  EXPECT_EQ(l.host.errorScreens, 0);
  EXPECT_EQ(l.host.drawn, 40);
}

TEST(RenderLoop, TwentiethFramePresentedJustAfterTheSecondFails) {
  // The 20th frame begins within the second but is presented 1.01 s after the start.
  class LateHost : public ScriptedHost {
  public:
    bool DrawFrame(bool blank) override {
      ScriptedHost::DrawFrame(blank);
      if (drawn == 20) ticks = 1010;
      return true;
    }
  };
  std::atomic<bool> stop{false};
  bool errorScreen = false;
  double last = -1.0;
  LateHost host;
  host.stop = &stop;
  host.frameSeconds = 0.0499;
  host.stopAfterFrames = 100;
  RunRenderLoop(host, {stop, errorScreen, last, false});
  EXPECT_TRUE(errorScreen);
  EXPECT_EQ(host.errorScreens, 1);
  EXPECT_EQ(host.drawn, 20);
}

// A clock that does not move: the loop sleeps towards the due frame, each sleep
// after one look at the clock, and draws nothing (no update either) before it.
TEST(RenderLoop, NoFrameBeforeItIsDue) {
  class StillClock : public ScriptedHost {
  public:
    std::atomic<bool>* stopFlag = nullptr;
    double ClockTime() override {
      if (++clockReads > 50) stopFlag->store(true);
      return now;  // never advances by itself
    }
    void Wait(double seconds) override {
      ++waits;
      waited += seconds;
    }
  };
  std::atomic<bool> stop{false};
  bool errorScreen = false;
  double last = -0.01;  // the last frame was 10 ms ago
  StillClock host;
  host.refreshHz = 60;
  host.stopFlag = &stop;
  RunRenderLoop(host, {stop, errorScreen, last, false});
  EXPECT_EQ(host.drawn, 0);
  EXPECT_TRUE(host.calls.empty());
  EXPECT_GE(host.waits, 20);  // one wait per look, past the start's two
  EXPECT_NEAR(host.waited / host.waits, 1.0 / 60 - 0.01, 1e-9);  // until it is due
}

// Paced to the display whatever the driver does: frames that take 2 ms on a 60 Hz
// display come 1/60 s apart, each after one sleep and at most two looks at the
// clock, whether the rate is read from the display or unknown (0, 1: 60 Hz); a 144
// Hz display gets 144 a second. A display slower than the speed test's minimum
// gets 30 frames a second in the test's second, so the test judges the machine,
// then its own rate.
TEST(RenderLoop, FramesComeAtTheDisplaysRateAndTheLoopSleepsBetweenThem) {
  for (unsigned hz : {60u, 0u, 1u, 144u}) {
    Loop l;
    l.host.refreshHz = hz;
    l.host.frameSeconds = 0.002;
    l.host.stopAfterFrames = 300;
    l.Run();
    const double interval = 1.0 / (hz > 1 ? hz : 60);
    ASSERT_EQ(l.host.drawn, 300) << hz;
    for (size_t i = 1; i < l.host.frameTimes.size(); ++i)
      ASSERT_GE(l.host.frameTimes[i] - l.host.frameTimes[i - 1], interval * (1 - 1.0 / 32) - 1e-9) << hz << " " << i;
    EXPECT_NEAR(l.host.frameTimes.back() - l.host.frameTimes.front(), 299 * interval, 1e-6) << hz;
    EXPECT_LE(l.host.waits, 301) << hz;
    EXPECT_LE(l.host.clockReads, 2 * 300 + 4) << hz;
    EXPECT_EQ(l.host.errorScreens, 0) << hz;
    EXPECT_NEAR(l.host.blanked, hz > 1 ? hz : 60, 2) << hz;
  }

  Loop slow;
  slow.host.refreshHz = 12;
  slow.host.frameSeconds = 0.002;
  slow.host.stopAfterFrames = 60;
  slow.Run();
  EXPECT_EQ(slow.host.errorScreens, 0);
  EXPECT_NEAR(slow.host.blanked, 31, 1);
  EXPECT_NEAR(slow.host.frameTimes.back() - slow.host.frameTimes[slow.host.blanked], (59 - slow.host.blanked) / 12.0, 1e-6);

  // Present holding the loop until the blank (vertical sync on): a frame due within
  // a hair is drawn at once, so a 59.94 Hz display that says 59 misses no blank.
  Loop held;
  held.host.refreshHz = 59;
  held.host.frameSeconds = 1001.0 / 60000;
  held.host.stopAfterFrames = 120;
  held.Run();
  EXPECT_EQ(held.host.waits, 0);
}

// The display switched off: no frame is drawn (nor the scene updated) until it is
// on again, the loop sleeping on it meanwhile, and the saver goes on afterwards;
// off inside the first second, the speed test starts again once it is on.
TEST(RenderLoop, NothingIsDrawnWhileTheDisplayIsOff) {
  for (int offAt : {150, 10}) {
    Loop l;
    l.host.refreshHz = 60;
    l.host.offAtFrame = offAt;
    l.host.offWaits = 3;
    l.host.stopAfterFrames = 200;
    l.Run();
    EXPECT_EQ(l.host.drawn, 200) << offAt;
    EXPECT_EQ(l.host.displayWaits, 3) << offAt;
    EXPECT_EQ(std::count(l.host.calls.begin(), l.host.calls.end(), "drawn while off"), 0) << offAt;
    // Thirty seconds passed between the two frames either side of the dark.
    EXPECT_NEAR(l.host.frameTimes[offAt] - l.host.frameTimes[offAt - 1], 30.0, 0.1) << offAt;
    EXPECT_EQ(l.host.errorScreens, 0) << offAt;
    EXPECT_TRUE(l.host.reports.empty()) << offAt;
    EXPECT_GE(l.host.blanked, offAt == 10 ? 10 + 60 : 60) << offAt;
  }

  // A stop while the display is off ends the loop without drawing again.
  class StopInTheDark : public ScriptedHost {
  public:
    void WaitForDisplay() override {
      ++displayWaits;
      stop->store(true);
    }
  };
  std::atomic<bool> stop{false};
  bool errorScreen = false;
  double last = -1.0;
  StopInTheDark dark;
  dark.stop = &stop;
  dark.offAtFrame = 100;
  RunRenderLoop(dark, {stop, errorScreen, last, false});
  EXPECT_EQ(dark.drawn, 100);
  EXPECT_EQ(dark.displayWaits, 1);
  EXPECT_EQ(dark.errorScreens, 0);
}

TEST(RenderLoop, StopDuringSpeedTestEndsWithoutErrorScreen) {
  Loop l;
  l.host.frameSeconds = 0.01;
  l.host.stopAfterFrames = 5;
  l.Run();
  EXPECT_EQ(l.host.drawn, 5);
  EXPECT_EQ(l.host.blanked, 5);
  EXPECT_EQ(l.host.errorScreens, 0);
}

TEST(RenderLoop, StopBeforeTheLoopDrawsNothing) {
  Loop l;
  l.stop = true;
  l.Run();
  EXPECT_EQ(l.host.drawn, 0);
  EXPECT_EQ(l.host.errorScreens, 0);
}

TEST(RenderLoop, UpdateComesBeforeEachFrameAndBlobsReleaseAfter) {
  Loop l;
  l.host.stopAfterFrames = 2;
  l.Run(true);
  const std::vector<std::string> expected{"update", "blank", "release", "update", "blank", "release"};
  EXPECT_EQ(l.host.calls, expected);
}

// Out of memory in the middle of a frame, during the speed test or after it: the
// thread function returns through the error screen instead of ending the process.
TEST(RenderLoop, AnAllocationFailureInAFrameEndsInTheErrorScreen) {
  for (int frame : {3, 150}) {
    Loop l;
    l.host.throwAtFrame = frame;
    EXPECT_EQ(l.Run(), 0);
    EXPECT_TRUE(l.errorScreen);
    EXPECT_EQ(l.host.errorScreens, 1);
    EXPECT_EQ(l.host.drawn, frame);
  }
}

// A lost device is polled with a pause between polls, never spun on: the five
// polls that still say lost take half a second of the injected clock, no frame is
// drawn meanwhile, and once it can be made the scene is rebuilt and frames go on.
TEST(RenderLoop, LostDeviceIsPolledWithPausesThenRebuilt) {
  Loop l;
  l.host.loseAtFrame = 150;
  l.host.lostPolls = 5;
  l.host.stopAfterFrames = 160;
  l.Run();
  EXPECT_EQ(l.host.polls, 6);
  EXPECT_EQ(l.host.pauses, 5);
  EXPECT_EQ(l.host.pausedMilliseconds, 5 * kDevicePollMilliseconds);
  EXPECT_GE(kDevicePollMilliseconds, 50u);  // at most 20 polls a second
  EXPECT_EQ(l.host.rebuilds, 1);
  EXPECT_EQ(l.host.drawn, 160);
  const auto rebuilt = std::find(l.host.calls.begin(), l.host.calls.end(), "rebuild");
  ASSERT_NE(rebuilt, l.host.calls.end());
  EXPECT_EQ(std::count(l.host.calls.begin(), rebuilt, "draw"), 150 - l.host.blanked);
  EXPECT_EQ(l.host.errorScreens, 0);

  // A rebuild that fails (the device could not be made yet) is tried again after a pause.
  Loop again;
  again.host.loseAtFrame = 150;
  again.host.rebuildResults = {false, false};
  again.host.stopAfterFrames = 155;
  again.Run();
  EXPECT_EQ(again.host.rebuilds, 3);
  EXPECT_EQ(again.host.pauses, 2);
  EXPECT_EQ(again.host.drawn, 155);
}

// A display change lays the scene out anew; a layout with no monitor waits, drawing
// nothing, until the next change brings one. A stop ends a wait.
TEST(RenderLoop, DisplayChangeRelaysTheSceneAndNoMonitorWaits) {
  class ChangeDuringWait : public ScriptedHost {
  public:
    int changeAtPause = -1, stopAtPause = -1;
    void Pause(unsigned ms) override {
      ScriptedHost::Pause(ms);
      if (pauses == changeAtPause) changed = true;
      if (pauses == stopAtPause) stop->store(true);
    }
  };
  std::atomic<bool> stop{false};
  bool errorScreen = false;
  double last = -1.0;
  ChangeDuringWait host;
  host.stop = &stop;
  host.displayChangeAfter = {120};
  host.rebuildResults = {false, false, false, false};  // no monitor until the next change
  host.changeAtPause = 3;
  host.stopAfterFrames = 130;
  RunRenderLoop(host, {stop, errorScreen, last, false});
  EXPECT_EQ(host.drawn, 130);
  EXPECT_EQ(host.pauses, 3);
  std::vector<std::string> rebuilds;
  for (const auto& c : host.calls)
    if (c == "relayout" || c == "rebuild") rebuilds.push_back(c);
  EXPECT_EQ(rebuilds, (std::vector<std::string>{"relayout", "rebuild", "rebuild", "rebuild", "relayout"}));

  std::atomic<bool> stop2{false};
  double last2 = -1.0;
  ChangeDuringWait lostForever;
  lostForever.stop = &stop2;
  lostForever.loseAtFrame = 150;
  lostForever.lostPolls = 1000000;
  lostForever.stopAtPause = 10;
  RunRenderLoop(lostForever, {stop2, errorScreen, last2, false});
  EXPECT_EQ(lostForever.pauses, 10);
  EXPECT_EQ(lostForever.drawn, 150);
  EXPECT_EQ(lostForever.rebuilds, 0);
}

// A device lost or a display changed inside the first second: the count starts
// again with the rebuilt scene, so a second spent waiting is not a slow machine.
TEST(RenderLoop, ALossOrChangeInTheFirstSecondRestartsTheSpeedTest) {
  Loop lost;
  lost.host.loseAtFrame = 5;
  lost.host.lostPolls = 20;  // two seconds of polls
  lost.host.stopAfterFrames = 200;
  lost.Run();
  EXPECT_EQ(lost.host.errorScreens, 0);
  EXPECT_TRUE(lost.host.reports.empty());
  EXPECT_EQ(lost.host.drawn, 200);
  EXPECT_GE(lost.host.blanked, 5 + 100);  // a whole second blanked after the rebuild

  class SlowRelayout : public ScriptedHost {
  public:
    bool RebuildScene(bool relayout) override {
      now += 1.5;  // the new device and scenes took longer than the test's second
      ticks += 1500;
      return ScriptedHost::RebuildScene(relayout);
    }
  };
  std::atomic<bool> stop{false};
  bool errorScreen = false;
  double last = -1.0;
  SlowRelayout changed;
  changed.stop = &stop;
  changed.displayChangeAfter = {3};
  changed.stopAfterFrames = 200;
  RunRenderLoop(changed, {stop, errorScreen, last, false});
  EXPECT_FALSE(errorScreen);
  EXPECT_EQ(changed.errorScreens, 0);
  EXPECT_EQ(changed.drawn, 200);
}

namespace {
int g_hostCalls = 0;
LRESULT CALLBACK CountingHostProc(HWND, UINT, WPARAM, LPARAM) {
  ++g_hostCalls;
  return 0;
}

// What Windows sends with PBT_POWERSETTINGCHANGE: the setting's GUID and its value.
struct PowerSetting {
  GUID guid;
  DWORD length = sizeof(DWORD);
  DWORD value;
};
constexpr GUID kDisplayState{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
}  // namespace

// The console's display state reaches the run as Windows sends it to the window:
// off (0) sets the flag the render thread sleeps on and wakes it, dimmed (2) and
// on (1) clear it and wake it again; none of it reaches the host's closing rules.
// Another power setting or event is left to them.
TEST(DisplayState, TheWindowsNotificationSwitchesTheRunsDrawing) {
  Lifecycle run;
  run.wake.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  run.defaultProc = CountingHostProc;
  g_hostCalls = 0;
  auto send = [&](DWORD value, const GUID& guid = kDisplayState) {
    PowerSetting setting{guid, sizeof(DWORD), value};
    return ScreenSaverProc(run, nullptr, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&setting));
  };
  auto woken = [&] { return WaitForSingleObject(run.wake.get(), 0) == WAIT_OBJECT_0; };

  EXPECT_EQ(send(0), TRUE);
  EXPECT_TRUE(run.displayOff.load());
  EXPECT_TRUE(woken());
  EXPECT_EQ(send(0), TRUE);  // said again: nothing changes, no wake
  EXPECT_FALSE(woken());
  EXPECT_EQ(send(2), TRUE);  // dimmed is still seen
  EXPECT_FALSE(run.displayOff.load());
  EXPECT_TRUE(woken());
  send(0);
  send(1);
  EXPECT_FALSE(run.displayOff.load());
  EXPECT_TRUE(woken());
  EXPECT_EQ(g_hostCalls, 0);

  const GUID other{0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
  send(0, other);
  EXPECT_FALSE(run.displayOff.load());
  ScreenSaverProc(run, nullptr, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  EXPECT_EQ(g_hostCalls, 2);
}
