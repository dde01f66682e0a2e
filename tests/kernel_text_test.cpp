// The kernel's text calls, as the picker's lists and the reports use them.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

TEST(KernelText, WsprintfFormatsAsWin32Does) {
  char out[1100];
  // %ld is Win32's 32-bit LONG: DWORD and LONG arguments read back whole.
  wsprintfA(out, "%ld x %ld x %ld", static_cast<DWORD>(640), static_cast<DWORD>(480), static_cast<DWORD>(16));
  EXPECT_STREQ(out, "640 x 480 x 16");
  wsprintfA(out, "%ld-bit Desktop Window", static_cast<DWORD>(32));
  EXPECT_STREQ(out, "32-bit Desktop Window");
  wsprintfA(out, "%ld %lu", static_cast<LONG>(-2147483647 - 1), static_cast<DWORD>(4294967295u));
  EXPECT_STREQ(out, "-2147483648 4294967295");
  wsprintfA(out, "[%5d|%-4d|%05d|%.3d|%x|%#X|%hd]", 42, 7, -3, 5, 0xBEEFu, 0xABu, 70000);
  EXPECT_STREQ(out, "[   42|7   |-0003|005|beef|0XAB|4464]");
  wsprintfA(out, "%s|%.2s|%6s|%c|%%|%q", "FPS", "abc", "ab", 'z');
  EXPECT_STREQ(out, "FPS|ab|    ab|z|%|q");
  int length = wsprintfA(out, "trailing %");
  EXPECT_STREQ(out, "trailing ");
  EXPECT_EQ(length, 9);
  // Output stops at 1024 characters with the terminating zero, however long the text.
  std::string long_text(2000, 'k');
  EXPECT_EQ(wsprintfA(out, "%s", long_text.c_str()), 1023);
  EXPECT_EQ(std::string(out), long_text.substr(0, 1023));
  EXPECT_EQ(lstrlenA("light.ase"), 9);
  EXPECT_EQ(lstrlenA(nullptr), 0);
}
