#include "platform/report.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "platform/win32.h"

TEST(Report, IsAnOkBoxCaptionedReport) {
  BeginCaptureMessageBoxes();
  ShowReport("Fail To Search Bone : Bip01");
  ShowReport("");
  const auto boxes = EndCaptureMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].caption, "Report");
  EXPECT_EQ(boxes[0].text, "Fail To Search Bone : Bip01");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(boxes[1].text, "");
  // Capturing ends with the call: later boxes are not recorded.
  ShowReport("after");
  EXPECT_TRUE(EndCaptureMessageBoxes().empty());
}

TEST(Report, HeadlessBoxesGoToStandardErrorAndAnswerOk) {
  ASSERT_TRUE(StartPlatform(true));
  testing::internal::CaptureStderr();
  ShowReport("Light Nothing");
  const int answer = MessageBoxA(nullptr, "bad strip", "TIF Error", MB_OKCANCEL | MB_ICONERROR);
  const int unnamed = MessageBoxA(nullptr, nullptr, nullptr, MB_OK);
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(printed, "Report: Light Nothing\nTIF Error: bad strip\nError: \n");
  EXPECT_EQ(answer, IDOK);
  EXPECT_EQ(unnamed, IDOK);
}
