// The device picker: enumerates every DirectDraw driver, its Direct3D 7 devices and its display modes
// into the process-wide device table, keeps the combinations that can render, and lets the user choose
// one in dialog 145. The renderer reads the choice through GetChosenDevice each time it builds a device.
// Drivers or devices that cannot be used are skipped; the table never holds more than
// MAX_PICKER_DEVICES devices of MAX_PICKER_MODES modes each, and further ones are ignored.
#pragma once

#include <cstdint>

#include "platform/d3d.h"
#include "platform/ddraw.h"

class Renderer;

const int MAX_PICKER_DEVICES = 20;
const uint32_t MAX_PICKER_MODES = 100;
const int PICKER_NAME_BYTES = 40;

struct DeviceEntry {
  char name[PICKER_NAME_BYTES];
  GUID* device_guid_ptr;  // points at device_guid
  D3DDEVICEDESC7 device_desc;
  int32_t is_hardware;    // device_desc.dwDevCaps & D3DDEVCAPS_HWRASTERIZATION
  GUID* driver_guid_ptr;  // points at driver_guid, or null for the primary display driver
  DDCAPS hal_caps;
  DDCAPS hel_caps;
  DDSURFACEDESC2 chosen_mode;  // used when full screen
  int32_t fullscreen;          // 0: in a window on the desktop
  GUID device_guid;
  GUID driver_guid;
  DDSURFACEDESC2 modes[MAX_PICKER_MODES];  // modes[0] may be the desktop entry (width and height 0)
  uint32_t mode_count;
  int32_t chosen_mode_index;  // last confirmed in the dialog
  int32_t has_desktop_mode;
};

// Written by the enumeration callbacks (PickDevice) and by the dialog's OK; read by GetChosenDevice.
extern DeviceEntry device_table[MAX_PICKER_DEVICES];
extern int32_t device_count;
extern int32_t selected_device;

// Enumerates into a fresh table and runs the dialog over `owner`: -1 when no device was accepted or the
// dialog cannot be shown, 1 when OK changed the choice, 2 otherwise.
int PickDevice(HWND owner);
// Its two halves, apart so that the start-up can check the command line's picks against the lists.
// Each device's modes are sorted by width, height and depth, its desktop entry first.
void EnumerateDevices();
int RunPickerDialog(HWND owner);

// The renderer's driver_guid, the chosen device type, the full-screen mode and whether to render in a
// window. With an empty table every pointer comes back null and the choice is windowed software.
void GetChosenDevice(Renderer* renderer, GUID** device_guid, DDSURFACEDESC2** mode, int32_t* windowed,
                     int32_t* hardware);

// The steps of PickDevice, open to tests that feed their own drivers, devices and modes.
void ClearDeviceTable();
BOOL EnumDriverCallback(GUID* driver_guid, LPSTR description, LPSTR driver_name, LPVOID context, HMONITOR monitor);
HRESULT EnumModeCallback(DDSURFACEDESC2* mode, LPVOID scratch);
HRESULT EnumDeviceCallback(LPSTR description, LPSTR device_name, D3DDEVICEDESC7* desc, LPVOID scratch);
INT_PTR PickerDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
void FillPickerLists(HWND dialog, int32_t device, int32_t mode);
