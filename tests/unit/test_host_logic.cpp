#include <gtest/gtest.h>

#include "host/HostLogic.h"

namespace {
class FakePlatform : public HostPlatform {
public:
  POINT cursor{100, 100};
  int closes = 0;
  int cursorHides = 0;
  DWORD tick = 1000;
  LRESULT verifyAnswer = 0;
  int verifyRequests = 0;
  int timerRemovals = 0;
  BYTE acStatus = 1;
  int defaults = 0;
  DWORD usePassword = 1;
  bool usePasswordReadable = true;
  bool libraryPresent = true;
  bool entryPresent = true;
  int freed = 0;
  std::vector<bool> running;

  POINT CursorPos() override { return cursor; }
  void PostClose(HWND) override { ++closes; }
  void HideCursor() override { ++cursorHides; }
  DWORD TickCount() override { return tick; }
  LRESULT SendVerifyRequest(HWND) override {
    ++verifyRequests;
    return verifyAnswer;
  }
  void RemovePendingTimers(HWND) override { ++timerRemovals; }
  BYTE AcLineStatus() override { return acStatus; }
  LRESULT DefaultProc(HWND, UINT, WPARAM, LPARAM) override {
    ++defaults;
    return 77;
  }
  bool ReadUsePassword(DWORD& value) override {
    value = usePassword;
    return usePasswordReadable;
  }
  HMODULE LoadPasswordLibrary() override { return libraryPresent ? reinterpret_cast<HMODULE>(0x1000) : nullptr; }
  VerifyPasswordFn FindVerifyPassword(HMODULE) override { return entryPresent ? &Verify : nullptr; }
  void FreePasswordLibrary(HMODULE) override { ++freed; }
  void SetScreenSaverRunning(bool on) override { running.push_back(on); }

  static BOOL WINAPI Verify(HWND) { return TRUE; }
};

struct Host {
  HostState state;
  FakePlatform platform;
  HWND window = reinterpret_cast<HWND>(0x42);
  Host() { state.lastCursor = {100, 100}; }
  LRESULT Send(UINT message, WPARAM wp = 0, LPARAM lp = 0) {
    return HostDefProc(state, platform, window, message, wp, lp);
  }
};
}  // namespace

TEST(HostClosingRules, MouseMovesUpToFourPixelsKeepTheSaver) {
  Host h;
  h.platform.cursor = {103, 101};  // 3 right, 1 down: 4 in total
  h.Send(WM_MOUSEMOVE);
  EXPECT_EQ(h.platform.closes, 0);
  h.platform.cursor = {104, 101};  // 5 from the baseline
  h.Send(WM_MOUSEMOVE);
  EXPECT_EQ(h.platform.closes, 1);
  EXPECT_EQ(h.state.lastCursor.x, 104);
}

// A monitor that goes moves the cursor onto one that stays: that jump is not the
// user's, so the display change takes the cursor as the new baseline.
TEST(HostClosingRules, DisplayChangeTakesANewMouseBaseline) {
  Host h;
  h.platform.cursor = {900, 300};
  h.Send(WM_DISPLAYCHANGE);
  h.Send(WM_MOUSEMOVE);
  EXPECT_EQ(h.platform.closes, 0);
  h.platform.cursor = {905, 300};
  h.Send(WM_MOUSEMOVE);
  EXPECT_EQ(h.platform.closes, 1);
}

TEST(HostClosingRules, KeysAndButtonsClose) {
  for (UINT m : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
    Host h;
    h.Send(m);
    EXPECT_EQ(h.platform.closes, 1) << m;
  }
}

TEST(HostClosingRules, ActivationAndPowerEvents) {
  Host h;
  h.Send(WM_ACTIVATEAPP, 1);
  EXPECT_EQ(h.platform.closes, 0);
  h.Send(WM_ACTIVATEAPP, 0);
  EXPECT_EQ(h.platform.closes, 1);

  Host p;
  p.Send(WM_POWER, 2);
  EXPECT_EQ(p.platform.closes, 0);
  p.Send(WM_POWER, 3);
  EXPECT_EQ(p.platform.closes, 1);

  Host b;
  b.Send(WM_POWERBROADCAST, 4);  // below 6
  EXPECT_EQ(b.platform.closes, 1);
  b.Send(WM_POWERBROADCAST, 7, 1);  // resume, bit 0 set: stays
  EXPECT_EQ(b.platform.closes, 1);
  b.Send(WM_POWERBROADCAST, 18, 0);  // resume, bit 0 clear
  EXPECT_EQ(b.platform.closes, 2);
  b.Send(WM_POWERBROADCAST, 9);  // any other event
  EXPECT_EQ(b.platform.closes, 3);
  b.Send(WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 0x1234);  // the display went off: not input
  EXPECT_EQ(b.platform.closes, 3);
}

TEST(HostClosingRules, PowerStatusChangeClosesOnlyWhenTheLineChanged) {
  Host h;
  h.state.acLineStatus = 1;
  h.platform.acStatus = 1;
  h.Send(WM_POWERBROADCAST, 10);
  EXPECT_EQ(h.platform.closes, 0);
  h.platform.acStatus = 0;
  h.Send(WM_POWERBROADCAST, 10);
  EXPECT_EQ(h.platform.closes, 1);
  EXPECT_EQ(h.state.acLineStatus, 0);
}

TEST(HostClosingRules, PreviewAndClosingOnlyGetDefaultHandling) {
  Host h;
  h.state.previewMode = true;
  EXPECT_EQ(h.Send(WM_KEYDOWN), 77);
  h.platform.cursor = {500, 500};
  h.Send(WM_MOUSEMOVE);
  EXPECT_EQ(h.platform.closes, 0);
  EXPECT_EQ(h.platform.defaults, 2);
}

TEST(HostClosingRules, SetCursorHidesAndAnswersOne) {
  Host h;
  EXPECT_EQ(h.Send(WM_SETCURSOR), 1);
  EXPECT_EQ(h.platform.cursorHides, 1);
  EXPECT_EQ(h.platform.defaults, 0);
}

TEST(HostClosingRules, NoRulesWhileThePasswordIsAsked) {
  Host h;
  h.state.checkingPassword = true;
  h.Send(WM_KEYDOWN);
  EXPECT_EQ(h.platform.closes, 0);
}

TEST(HostClosingRules, CloseOnTheNtFamilyDestroysAtOnce) {
  Host h;
  EXPECT_EQ(h.Send(WM_CLOSE), 77);  // default procedure destroys the window
  EXPECT_EQ(h.platform.verifyRequests, 0);
}

TEST(HostPassword, RefusedPasswordKeepsTheSaverAndResetsTheMouseBaseline) {
  Host h;
  h.state.legacyPasswordPlatform = true;
  h.state.verifyPassword = &FakePlatform::Verify;
  h.platform.verifyAnswer = 0;
  h.platform.cursor = {300, 200};
  EXPECT_EQ(h.Send(WM_CLOSE), 0);
  EXPECT_EQ(h.platform.verifyRequests, 1);
  EXPECT_EQ(h.platform.timerRemovals, 2);
  EXPECT_EQ(h.platform.cursorHides, 1);
  EXPECT_EQ(h.state.lastCursor.x, 300);
  EXPECT_FALSE(h.state.closing);
}

TEST(HostPassword, CloseWithin200msOfARefusalIsIgnored) {
  Host h;
  h.state.legacyPasswordPlatform = true;
  h.state.verifyPassword = &FakePlatform::Verify;
  h.Send(WM_CLOSE);
  h.platform.tick += 199;
  h.platform.verifyAnswer = 1;
  EXPECT_EQ(h.Send(WM_CLOSE), 0);
  EXPECT_EQ(h.platform.verifyRequests, 1);
  h.platform.tick += 1;
  EXPECT_EQ(h.Send(WM_CLOSE), 77);
  EXPECT_EQ(h.platform.verifyRequests, 2);
  EXPECT_TRUE(h.state.closing);
}

TEST(HostPassword, NoVerifierMeansClosingNeedsNoPassword) {
  Host h;
  h.state.legacyPasswordPlatform = true;
  EXPECT_EQ(h.Send(WM_CLOSE), 77);
  EXPECT_TRUE(h.state.closing);
}

TEST(HostPassword, VerifyMessageAnswersFromTheLibrary) {
  Host h;
  h.state.legacyPasswordPlatform = true;
  EXPECT_EQ(h.Send(kVerifyPasswordMessage), 1);  // no library: allowed
  h.state.verifyPassword = &FakePlatform::Verify;
  EXPECT_EQ(h.Send(kVerifyPasswordMessage), TRUE);
  Host nt;
  EXPECT_EQ(nt.Send(kVerifyPasswordMessage), 77);
}

TEST(HostPassword, AutoPlayQueryIsCancelled) {
  Host h;
  h.state.autoPlayMessage = 0xC123;
  EXPECT_EQ(h.Send(0xC123), 0);
  EXPECT_EQ(h.platform.closes, 1);
  h.state.verifyPassword = &FakePlatform::Verify;
  EXPECT_EQ(h.Send(0xC123), 1);
}

TEST(HostPasswordLibrary, LoadsOnlyWhenThePasswordIsInUse) {
  Host h;
  HostLoadPasswordLibrary(h.state, h.platform);
  EXPECT_NE(h.state.verifyPassword, nullptr);
  EXPECT_EQ(h.platform.running, std::vector<bool>{true});
  HostUnloadPasswordLibrary(h.state, h.platform);
  EXPECT_EQ(h.state.verifyPassword, nullptr);
  EXPECT_EQ(h.platform.freed, 1);
  EXPECT_EQ(h.platform.running, (std::vector<bool>{true, false}));

  Host off;
  off.platform.usePassword = 0;
  HostLoadPasswordLibrary(off.state, off.platform);
  EXPECT_EQ(off.state.passwordLibrary, nullptr);
  EXPECT_TRUE(off.platform.running.empty());
}

TEST(HostPasswordLibrary, MissingEntryUnloadsWithoutTellingTheSystem) {
  Host h;
  h.platform.entryPresent = false;
  HostLoadPasswordLibrary(h.state, h.platform);
  EXPECT_EQ(h.state.passwordLibrary, nullptr);
  EXPECT_EQ(h.platform.freed, 1);
  EXPECT_TRUE(h.platform.running.empty());
}
