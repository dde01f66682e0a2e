#include "app/device_picker.h"

#include <algorithm>
#include <cstring>

#include "platform/win32.h"
#include "render/renderer.h"
#include "resources/resource_ids.h"

DeviceEntry device_table[MAX_PICKER_DEVICES];
int32_t device_count = 0;
int32_t selected_device = 0;

namespace {

// Written by the dialog procedure while the picker is open.
int32_t initial_device = 0;
int32_t initial_mode = 0;
int32_t picked_device = 0;
int32_t picked_mode = 0;

void CopyName(char* out, const char* text) {
  std::memset(out, 0, PICKER_NAME_BYTES);
  if (text != nullptr) std::strncpy(out, text, PICKER_NAME_BYTES - 1);
}

bool KeepsMode(const DDSURFACEDESC2& mode, DWORD render_depths) {
  DWORD bits = mode.ddpfPixelFormat.dwRGBBitCount;
  return (bits == 32 && (render_depths & DDBD_32) != 0) || (bits == 24 && (render_depths & DDBD_24) != 0) ||
         (bits == 16 && (render_depths & DDBD_16) != 0);
}

// The desktop entry stands for rendering in a window: no size, the desktop's depth.
void AddDesktopEntry(DeviceEntry* scratch) {
  DEVMODEA devmode;
  std::memset(&devmode, 0, sizeof(devmode));
  devmode.dmSize = DEVMODEA_SIZE;
  if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &devmode) == FALSE) return;
  DDSURFACEDESC2& desktop = scratch->modes[0];
  std::memset(&desktop, 0, sizeof(desktop));
  desktop.dwSize = DDSURFACEDESC2_SIZE;
  desktop.dwFlags = DDSD_PIXELFORMAT;
  desktop.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
  desktop.ddpfPixelFormat.dwFlags = DDPF_RGB;
  desktop.ddpfPixelFormat.dwRGBBitCount = devmode.dmBitsPerPel;
  scratch->mode_count = 1;
}

bool ValidDevice(int32_t device) { return device >= 0 && device < device_count; }

bool ValidMode(int32_t device, int32_t mode) {
  return ValidDevice(device) && mode >= 0 && static_cast<uint32_t>(mode) < device_table[device].mode_count;
}

void ConfirmChoice() {
  DeviceEntry& entry = device_table[picked_device];
  entry.chosen_mode_index = picked_mode;
  if (picked_mode == 0 && entry.has_desktop_mode != 0) {
    entry.fullscreen = 0;
  } else {
    entry.fullscreen = 1;
    entry.chosen_mode = entry.modes[picked_mode];
  }
  selected_device = picked_device;
}

void OnListPicked(HWND dialog, int list_id) {
  LRESULT sel = SendDlgItemMessageA(dialog, list_id, CB_GETCURSEL, 0, 0);
  if (sel == CB_ERR) return;
  LRESULT data = SendDlgItemMessageA(dialog, list_id, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0);
  if (list_id == IDC_DEVICE_LIST) {
    if (!ValidDevice(static_cast<int32_t>(data))) return;
    if (data != picked_device) {
      picked_device = static_cast<int32_t>(data);
      picked_mode = device_table[picked_device].chosen_mode_index;
    }
  } else {
    if (!ValidMode(picked_device, static_cast<int32_t>(data))) return;
    picked_mode = static_cast<int32_t>(data);
  }
  FillPickerLists(dialog, picked_device, picked_mode);
}

}  // namespace

void ClearDeviceTable() {
  std::memset(device_table, 0, sizeof(device_table));
  device_count = 0;
  selected_device = 0;
}

BOOL EnumDriverCallback(GUID* driver_guid, LPSTR description, LPSTR /*driver_name*/, LPVOID /*context*/,
                        HMONITOR /*monitor*/) {
  LPVOID created = nullptr;
  if (FAILED(DirectDrawCreateEx(driver_guid, &created, IID_IDirectDraw7, nullptr)) || created == nullptr) {
    return DDENUMRET_OK;
  }
  IDirectDraw7* dd = static_cast<IDirectDraw7*>(created);
  LPVOID queried = nullptr;
  if (FAILED(dd->QueryInterface(IID_IDirect3D7, &queried)) || queried == nullptr) {
    dd->Release();
    return DDENUMRET_OK;
  }
  IDirect3D7* d3d = static_cast<IDirect3D7*>(queried);

  // Several kilobytes of modes: kept off the stack of the enumeration's caller.
  static DeviceEntry scratch;
  std::memset(&scratch, 0, sizeof(scratch));
  CopyName(scratch.name, description);
  scratch.hal_caps.dwSize = DDCAPS_DX7_SIZE;
  scratch.hel_caps.dwSize = DDCAPS_DX7_SIZE;
  dd->GetCaps(&scratch.hal_caps, &scratch.hel_caps);
  if (driver_guid != nullptr) {
    scratch.driver_guid = *driver_guid;
    scratch.driver_guid_ptr = &scratch.driver_guid;
  }
  if (driver_guid == nullptr && (scratch.hal_caps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED) != 0) {
    AddDesktopEntry(&scratch);
  }
  dd->EnumDisplayModes(0, nullptr, &scratch, EnumModeCallback);
  d3d->EnumDevices(EnumDeviceCallback, &scratch);
  d3d->Release();
  dd->Release();
  return DDENUMRET_OK;
}

HRESULT EnumModeCallback(DDSURFACEDESC2* mode, LPVOID scratch) {
  DeviceEntry* entry = static_cast<DeviceEntry*>(scratch);
  if (mode == nullptr || entry == nullptr) return DDENUMRET_OK;
  if (entry->mode_count < MAX_PICKER_MODES) entry->modes[entry->mode_count++] = *mode;
  return DDENUMRET_OK;
}

HRESULT EnumDeviceCallback(LPSTR /*description*/, LPSTR device_name, D3DDEVICEDESC7* desc, LPVOID scratch) {
  const DeviceEntry* driver = static_cast<const DeviceEntry*>(scratch);
  if (desc == nullptr || driver == nullptr || device_count >= MAX_PICKER_DEVICES) return D3DENUMRET_OK;
  DeviceEntry& entry = device_table[device_count];
  std::memset(&entry, 0, sizeof(entry));
  entry.device_desc = *desc;
  entry.device_guid = desc->deviceGUID;
  entry.device_guid_ptr = &entry.device_guid;
  entry.is_hardware = static_cast<int32_t>(desc->dwDevCaps & D3DDEVCAPS_HWRASTERIZATION);
  entry.hal_caps = driver->hal_caps;
  entry.hel_caps = driver->hel_caps;
  if (driver->driver_guid_ptr != nullptr) {
    entry.driver_guid = driver->driver_guid;
    entry.driver_guid_ptr = &entry.driver_guid;
    std::memcpy(entry.name, driver->name, PICKER_NAME_BYTES);
  } else {
    CopyName(entry.name, device_name);
  }
  // A secondary driver is only worth offering where it rasterises in hardware.
  bool rejected = entry.driver_guid_ptr != nullptr && entry.is_hardware == 0;
  uint32_t driver_modes = driver->mode_count < MAX_PICKER_MODES ? driver->mode_count : MAX_PICKER_MODES;
  for (uint32_t i = 0; !rejected && i < driver_modes; ++i) {
    if (KeepsMode(driver->modes[i], desc->dwDeviceRenderBitDepth)) entry.modes[entry.mode_count++] = driver->modes[i];
  }
  if (rejected || entry.mode_count == 0) {
    std::memset(&entry, 0, sizeof(entry));
    return D3DENUMRET_OK;
  }
  // Drivers list their modes in no useful order; the desktop entry stays first.
  const uint32_t first_real = entry.modes[0].dwWidth == 0 ? 1 : 0;
  std::stable_sort(entry.modes + first_real, entry.modes + entry.mode_count,
                   [](const DDSURFACEDESC2& a, const DDSURFACEDESC2& b) {
                     if (a.dwWidth != b.dwWidth) return a.dwWidth < b.dwWidth;
                     if (a.dwHeight != b.dwHeight) return a.dwHeight < b.dwHeight;
                     return a.ddpfPixelFormat.dwRGBBitCount < b.ddpfPixelFormat.dwRGBBitCount;
                   });
  if (entry.modes[0].dwWidth == 0) {
    entry.has_desktop_mode = 1;
    entry.chosen_mode = entry.modes[1];
  } else {
    entry.chosen_mode = entry.modes[0];
  }
  ++device_count;
  return D3DENUMRET_OK;
}

void FillPickerLists(HWND dialog, int32_t device, int32_t mode) {
  SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, CB_RESETCONTENT, 0, 0);
  SendDlgItemMessageA(dialog, IDC_MODE_LIST, CB_RESETCONTENT, 0, 0);
  for (int32_t i = 0; i < device_count; ++i) {
    const DeviceEntry& entry = device_table[i];
    LRESULT item = SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name));
    SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, CB_SETITEMDATA, static_cast<WPARAM>(item), i);
    if (i != device) continue;
    SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    for (uint32_t j = 0; j < entry.mode_count && j < MAX_PICKER_MODES; ++j) {
      const DDSURFACEDESC2& m = entry.modes[j];
      char text[64];
      if (m.dwWidth == 0 && m.dwHeight == 0) {
        wsprintfA(text, "%ld-bit Desktop Window", m.ddpfPixelFormat.dwRGBBitCount);
      } else {
        wsprintfA(text, "%ld x %ld x %ld", m.dwWidth, m.dwHeight, m.ddpfPixelFormat.dwRGBBitCount);
      }
      LRESULT mode_item = SendDlgItemMessageA(dialog, IDC_MODE_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      SendDlgItemMessageA(dialog, IDC_MODE_LIST, CB_SETITEMDATA, static_cast<WPARAM>(mode_item), static_cast<LPARAM>(j));
      if (static_cast<int32_t>(j) == mode) {
        SendDlgItemMessageA(dialog, IDC_MODE_LIST, CB_SETCURSEL, static_cast<WPARAM>(mode_item), 0);
      }
    }
  }
}

INT_PTR PickerDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM /*lparam*/) {
  if (message == WM_INITDIALOG) {
    if (GetDlgItem(dialog, IDC_DEVICE_LIST) == nullptr || GetDlgItem(dialog, IDC_MODE_LIST) == nullptr) return FALSE;
    if (!ValidDevice(selected_device)) selected_device = 0;
    initial_device = picked_device = selected_device;
    initial_mode = picked_mode = device_table[selected_device].chosen_mode_index;
    FillPickerLists(dialog, picked_device, picked_mode);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  int id = LOWORD(wparam);
  if (HIWORD(wparam) == CBN_SELENDOK && (id == IDC_DEVICE_LIST || id == IDC_MODE_LIST)) {
    OnListPicked(dialog, id);
    return TRUE;
  }
  if (id == IDOK) {
    bool changed = picked_device != initial_device || picked_mode != initial_mode;
    if (changed && ValidMode(picked_device, picked_mode)) {
      ConfirmChoice();
      EndDialog(dialog, 1);
    } else {
      EndDialog(dialog, 2);
    }
    return TRUE;
  }
  if (id == IDCANCEL) {
    EndDialog(dialog, 2);
    return TRUE;
  }
  return FALSE;
}

int PickDevice(HWND owner) {
  EnumerateDevices();
  return RunPickerDialog(owner);
}

void EnumerateDevices() {
  ClearDeviceTable();
  DirectDrawEnumerateExA(EnumDriverCallback, nullptr,
                         DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES | DDENUM_NONDISPLAYDEVICES);
}

int RunPickerDialog(HWND owner) {
  if (device_count == 0) return -1;
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(GetWindowLongA(owner, GWL_HINSTANCE)));
  return static_cast<int>(
      DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DEVICE_PICKER), owner, PickerDialogProc, 0));
}

void GetChosenDevice(Renderer* renderer, GUID** device_guid, DDSURFACEDESC2** mode, int32_t* windowed,
                     int32_t* hardware) {
  DeviceEntry* entry = ValidDevice(selected_device) ? &device_table[selected_device] : nullptr;
  if (renderer != nullptr) renderer->driver_guid = entry != nullptr ? entry->driver_guid_ptr : nullptr;
  if (device_guid != nullptr) *device_guid = entry != nullptr ? entry->device_guid_ptr : nullptr;
  if (mode != nullptr) *mode = entry != nullptr ? &entry->chosen_mode : nullptr;
  if (windowed != nullptr) *windowed = entry == nullptr || entry->fullscreen == 0 ? 1 : 0;
  if (hardware != nullptr) *hardware = entry != nullptr ? entry->is_hardware : 0;
}
