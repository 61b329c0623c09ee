#include <gtest/gtest.h>

#include "host/CommandLine.h"

TEST(CommandLine, SkipsQuotedAndPlainProgramNames) {
  EXPECT_STREQ(SkipProgramName(L"\"C:\\Program Files\\V.scr\"  /s"), L"/s");
  EXPECT_STREQ(SkipProgramName(L"C:\\V.scr\t/p 12"), L"/p 12");
  EXPECT_STREQ(SkipProgramName(L"V.scr"), L"");
  EXPECT_STREQ(SkipProgramName(L"\"unterminated"), L"");
}

TEST(CommandLine, ModeLettersAndSeparators) {
  EXPECT_EQ(ParseMode(L"").mode, SaverMode::Configure);
  EXPECT_EQ(ParseMode(L"  -/ ").mode, SaverMode::Configure);
  EXPECT_EQ(ParseMode(L"/s").mode, SaverMode::Run);
  EXPECT_EQ(ParseMode(L"-S").mode, SaverMode::Run);
  EXPECT_EQ(ParseMode(L"/c").mode, SaverMode::Configure);
  EXPECT_EQ(ParseMode(L"/x").mode, SaverMode::Invalid);
  EXPECT_EQ(ParseMode(L"s-").mode, SaverMode::Run);  // the first letter decides
}

TEST(CommandLine, HandlesAreReadDigitByDigit) {
  ModeRequest r = ParseMode(L"/p 131140");
  EXPECT_EQ(r.mode, SaverMode::Preview);
  EXPECT_EQ(r.handle, 131140u);
  EXPECT_EQ(ParseMode(L"/l   42xyz").handle, 42u);
  EXPECT_EQ(ParseMode(L"/p -5").handle, 0u);  // no sign
  EXPECT_EQ(ParseMode(L"/p").handle, 0u);
  EXPECT_EQ(ParseMode(L"/c:1234").handle, 1234u);
  EXPECT_EQ(ParseMode(L"/c:1234").mode, SaverMode::Configure);
  EXPECT_EQ(ParseMode(L"/a 77").mode, SaverMode::ChangePassword);
  // 32-bit wrap-around rather than overflow checks, as the platform reads it.
  EXPECT_EQ(ParseMode(L"/p 4294967297").handle, 1u);
}
