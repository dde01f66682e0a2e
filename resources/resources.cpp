#include "resources/resources.h"

#include <cctype>

#include "resources/resource_ids.h"

namespace {

const MenuItemResource FILE_MENU_ITEMS[] = {
    {"&Open...\tCtrl+O", ID_FILE_OPEN},
    {"&Next Scene\tPage Down", ID_FILE_NEXT},
    {"&Previous Scene\tPage Up", ID_FILE_PREVIOUS},
    {"&Reload\tF5", ID_FILE_RELOAD},
    {"Save Pi&cture\tF12", ID_FILE_PICTURE},
    {"E&xit\tCtrl+Q", ID_FILE_EXIT},
};

const MenuPopupResource MAIN_MENU_POPUPS[] = {
    {"&File", FILE_MENU_ITEMS, sizeof FILE_MENU_ITEMS / sizeof FILE_MENU_ITEMS[0]},
};

const MenuResource MENUS[] = {
    {IDR_MAIN_MENU, MAIN_MENU_POPUPS, 1},
};

const DialogControlResource DEVICE_PICKER_CONTROLS[] = {
    {ControlClass::STATIC_TEXT, IDC_STATIC, "&Devices", WS_CHILD | WS_VISIBLE | SS_LEFT, 5, 10, 27, 8},
    {ControlClass::COMBO_BOX, IDC_DEVICE_LIST, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
     45, 5, 110, 100},
    {ControlClass::STATIC_TEXT, IDC_STATIC, "&Modes", WS_CHILD | WS_VISIBLE | SS_LEFT, 5, 35, 22, 8},
    {ControlClass::COMBO_BOX, IDC_MODE_LIST, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
     45, 30, 110, 100},
    {ControlClass::BUTTON, IDOK, "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 55, 55, 50, 14},
};

const DialogResource DIALOGS[] = {
    {IDD_DEVICE_PICKER, "Pick a Direct3D Device", DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 162, 76,
     "MS Sans Serif", 8, DEVICE_PICKER_CONTROLS,
     static_cast<int>(sizeof(DEVICE_PICKER_CONTROLS) / sizeof(DEVICE_PICKER_CONTROLS[0]))},
};

}  // namespace

const MenuResource* FindMenuResource(WORD id) {
  for (const MenuResource& menu : MENUS) {
    if (menu.id == id) return &menu;
  }
  return nullptr;
}

const DialogResource* FindDialogResource(WORD id) {
  for (const DialogResource& dialog : DIALOGS) {
    if (dialog.id == id) return &dialog;
  }
  return nullptr;
}

char CaptionMnemonic(const char* caption) {
  if (caption == nullptr) return 0;
  for (const char* c = caption; *c != '\0'; ++c) {
    if (*c != '&') continue;
    if (c[1] == '&') {
      ++c;
      continue;
    }
    if (c[1] == '\0') return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c[1])));
  }
  return 0;
}

void CaptionWithoutMnemonic(const char* caption, char* out, int size) {
  if (out == nullptr || size <= 0) return;
  int length = 0;
  for (const char* c = caption != nullptr ? caption : ""; *c != '\0' && length < size - 1; ++c) {
    if (*c == '&') {
      if (c[1] != '&') continue;
      ++c;
    }
    out[length++] = *c;
  }
  out[length] = '\0';
}
