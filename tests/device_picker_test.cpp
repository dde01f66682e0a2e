#include "app/device_picker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "render/renderer.h"
#include "resources/resource_ids.h"

namespace {

DDSURFACEDESC2 Mode(DWORD width, DWORD height, DWORD bits) {
  DDSURFACEDESC2 mode = {};
  mode.dwSize = DDSURFACEDESC2_SIZE;
  mode.dwWidth = width;
  mode.dwHeight = height;
  mode.ddpfPixelFormat.dwRGBBitCount = bits;
  return mode;
}

// A driver as EnumDriverCallback leaves it before the devices are enumerated.
struct Driver {
  DeviceEntry scratch = {};
  Driver(const char* name, const GUID* guid, const std::vector<DDSURFACEDESC2>& modes) {
    std::strncpy(scratch.name, name, sizeof(scratch.name) - 1);
    if (guid != nullptr) {
      scratch.driver_guid = *guid;
      scratch.driver_guid_ptr = &scratch.driver_guid;
    }
    for (DDSURFACEDESC2 mode : modes) EnumModeCallback(&mode, &scratch);
  }
  void AddDevice(const char* name, DWORD render_depths, bool hardware) {
    D3DDEVICEDESC7 desc = {};
    desc.dwDeviceRenderBitDepth = render_depths;
    desc.dwDevCaps = hardware ? D3DDEVCAPS_HWRASTERIZATION : 0;
    desc.deviceGUID = IID_IDirect3DHALDevice;
    char description[] = "device";
    std::string device_name = name;
    EnumDeviceCallback(description, &device_name[0], &desc, &scratch);
  }
};

const GUID SECOND_CARD = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};

// A machine with a 16-bit desktop whose driver lists its modes out of order: the primary driver's HAL
// renders 16-bit targets only, its T&L HAL 32- and 24-bit ones; a second card has one hardware and one
// software device.
void FillMachine() {
  ClearDeviceTable();
  Driver primary("Primary Display Driver", nullptr,
                 {Mode(0, 0, 16), Mode(1024, 768, 16), Mode(800, 600, 24), Mode(640, 480, 32), Mode(640, 480, 16),
                  Mode(320, 200, 8)});
  primary.AddDevice("Direct3D HAL", DDBD_16, true);
  primary.AddDevice("Direct3D T&L HAL", DDBD_24 | DDBD_32, true);
  primary.AddDevice("Palette only", DDBD_8, true);
  Driver second("Second Card", &SECOND_CARD, {Mode(1280, 1024, 32)});
  second.AddDevice("Second HAL", DDBD_32, true);
  second.AddDevice("Second RGB emulation", DDBD_32, false);
}

std::string ModeText(const DDSURFACEDESC2& mode) {
  return std::to_string(mode.dwWidth) + "x" + std::to_string(mode.dwHeight) + "x" +
         std::to_string(mode.ddpfPixelFormat.dwRGBBitCount);
}

// The two lists as the user sees them, "devices / modes", the selected item of each marked with '*'.
std::string ListsShown(HWND dialog) {
  std::string shown;
  for (int id : {IDC_DEVICE_LIST, IDC_MODE_LIST}) {
    const LRESULT selected = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    const LRESULT count = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      char text[128] = {};
      SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      shown += std::string(i == selected ? "*" : "") + text + (i + 1 < count ? "|" : "");
    }
    if (id == IDC_DEVICE_LIST) shown += " / ";
  }
  return shown;
}
// After the dialog opened and after each pick.
std::vector<std::string> g_shown;

INT_PTR WatchingPickerProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  INT_PTR result = PickerDialogProc(dialog, message, wparam, lparam);
  if (message == WM_INITDIALOG || (message == WM_COMMAND && HIWORD(wparam) == CBN_SELENDOK)) {
    g_shown.push_back(ListsShown(dialog));
  }
  return result;
}

INT_PTR RunPicker(const std::vector<DialogAnswerStep>& steps) {
  g_shown.clear();
  QueueDialogAnswer(steps);
  return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_DEVICE_PICKER), nullptr, WatchingPickerProc, 0);
}

struct Choice {
  GUID* device_guid = nullptr;
  DDSURFACEDESC2* mode = nullptr;
  int32_t windowed = -1;
  int32_t hardware = -1;
};

Choice Chosen(Renderer* renderer = nullptr) {
  Choice choice;
  GetChosenDevice(renderer, &choice.device_guid, &choice.mode, &choice.windowed, &choice.hardware);
  return choice;
}

}  // namespace

class PickerDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartPlatform(true));
    ClearQueuedAnswers();
    FillMachine();
  }
  void TearDown() override { ClearQueuedAnswers(); }
};

TEST_F(PickerDialog, OkWithoutAChangeKeepsTheDesktopAndAFullScreenModeCanBeChosenAndUndone) {
  EXPECT_EQ(RunPicker({DialogAnswerStep::Ok()}), 2);
  EXPECT_EQ(g_shown, std::vector<std::string>{"*Direct3D HAL|Direct3D T&L HAL|Second Card / "
                                               "*16-bit Desktop Window|640 x 480 x 16|1024 x 768 x 16"});
  EXPECT_EQ(Chosen().windowed, 1);
  EXPECT_EQ(Chosen().device_guid, &device_table[0].device_guid);

  EXPECT_EQ(RunPicker({DialogAnswerStep::Select(IDC_MODE_LIST, 2), DialogAnswerStep::Ok()}), 1);
  EXPECT_EQ(Chosen().windowed, 0);
  EXPECT_EQ(ModeText(*Chosen().mode), "1024x768x16");
  // Opening again shows the confirmed mode; the desktop entry makes the device windowed again.
  EXPECT_EQ(RunPicker({DialogAnswerStep::Select(IDC_MODE_LIST, 0), DialogAnswerStep::Ok()}), 1);
  EXPECT_EQ(g_shown[0].substr(g_shown[0].find('*', 2)), "*1024 x 768 x 16");
  EXPECT_EQ(Chosen().windowed, 1);
}

TEST_F(PickerDialog, CancelAndARoundTripKeepTheChoiceAndAnotherDeviceShowsItsLastConfirmedMode) {
  EXPECT_EQ(RunPicker({DialogAnswerStep::Select(IDC_DEVICE_LIST, 1), DialogAnswerStep::Select(IDC_MODE_LIST, 1),
                       DialogAnswerStep::Cancel()}),
            2);
  EXPECT_EQ(selected_device, 0);
  EXPECT_EQ(device_table[1].chosen_mode_index, 0);
  EXPECT_EQ(RunPicker({DialogAnswerStep::Select(IDC_DEVICE_LIST, 2), DialogAnswerStep::Select(IDC_DEVICE_LIST, 0),
                       DialogAnswerStep::Ok()}),
            2);
  EXPECT_EQ(selected_device, 0);

  EXPECT_EQ(RunPicker({DialogAnswerStep::Select(IDC_DEVICE_LIST, 1), DialogAnswerStep::Select(IDC_MODE_LIST, 1),
                       DialogAnswerStep::Ok()}),
            1);
  // A device never confirmed opens at its first mode.
  EXPECT_EQ(g_shown[1], "Direct3D HAL|*Direct3D T&L HAL|Second Card / *640 x 480 x 32|800 x 600 x 24");
  EXPECT_EQ(ModeText(*Chosen().mode), "800x600x24");
  // Back on the first device, then on the second again: its confirmed mode 1 is selected.
  RunPicker({DialogAnswerStep::Select(IDC_DEVICE_LIST, 0), DialogAnswerStep::Select(IDC_DEVICE_LIST, 1),
             DialogAnswerStep::Cancel()});
  ASSERT_EQ(g_shown.size(), 3u);
  EXPECT_EQ(g_shown[2], "Direct3D HAL|*Direct3D T&L HAL|Second Card / 640 x 480 x 32|*800 x 600 x 24");

  RunPicker({DialogAnswerStep::Select(IDC_DEVICE_LIST, 2), DialogAnswerStep::Ok()});
  Renderer renderer;
  const Choice choice = Chosen(&renderer);
  // A secondary driver's device carries its own copy of the driver GUID.
  EXPECT_EQ(renderer.driver_guid, &device_table[2].driver_guid);
  EXPECT_TRUE(IsEqualGUID(*renderer.driver_guid, SECOND_CARD));
  EXPECT_EQ(ModeText(*choice.mode), "1280x1024x32");
  ClearDeviceTable();
  EXPECT_EQ(Chosen().device_guid, nullptr);
  EXPECT_EQ(Chosen().windowed, 1);
}
