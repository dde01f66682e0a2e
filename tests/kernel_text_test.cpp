// The kernel's text calls, as the picker's lists and the reports use them.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

TEST(KernelText, WsprintfFormatsAsWin32DoesAndStopsAt1024Characters) {
  char out[1100];
  // %ld is Win32's 32-bit LONG: DWORD and LONG arguments read back whole.
  wsprintfA(out, "%ld %lu|%s|%c|%%|%q", static_cast<LONG>(-2147483647 - 1), static_cast<DWORD>(4294967295u), "FPS", 'z');
  EXPECT_STREQ(out, "-2147483648 4294967295|FPS|z|%|q");
  EXPECT_EQ(wsprintfA(out, "trailing %"), 9);
  EXPECT_STREQ(out, "trailing ");
  std::string long_text(2000, 'k');
  EXPECT_EQ(wsprintfA(out, "%s", long_text.c_str()), 1023);
  EXPECT_EQ(std::string(out), long_text.substr(0, 1023));
  EXPECT_EQ(lstrlenA(nullptr), 0);
}
