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

// After a tab, the key that does the same, as Win32 menus show it.
const MenuItemResource VIEW_MENU_ITEMS[] = {
    {"&Normal\t1", ID_VIEW_NORMAL},
    {"&Lightmaps\t2", ID_VIEW_LIGHTMAPS},
    {"&Textures\t3", ID_VIEW_TEXTURES},
    {"&Wireframe\t4", ID_VIEW_WIREFRAME},
    {"Direct3D li&ghting\tSpace", ID_VIEW_LIGHTING},
    {"Scene &panel\tI", ID_VIEW_PANEL},
    {"&Key cheatsheet\tF1", ID_VIEW_CHEATSHEET},
};

const MenuItemResource ANIMATION_MENU_ITEMS[] = {
    {"&Pause or resume\tK", ID_ANIMATION_PAUSE},
    {"Step &back\tJ", ID_ANIMATION_STEP_BACK},
    {"Step &forward\tL", ID_ANIMATION_STEP_FORWARD},
    {"&Slower\t-", ID_ANIMATION_SLOWER},
    {"F&aster\t=", ID_ANIMATION_FASTER},
    {"F&irst frame\tBackspace", ID_ANIMATION_FIRST_FRAME},
};

#define COUNT_OF(items) static_cast<int>(sizeof(items) / sizeof((items)[0]))

const MenuPopupResource MAIN_MENU_POPUPS[] = {
    {"&File", FILE_MENU_ITEMS, COUNT_OF(FILE_MENU_ITEMS)},
    {"&View", VIEW_MENU_ITEMS, COUNT_OF(VIEW_MENU_ITEMS)},
    {"&Animation", ANIMATION_MENU_ITEMS, COUNT_OF(ANIMATION_MENU_ITEMS)},
};

const MenuResource MENUS[] = {
    {IDR_MAIN_MENU, MAIN_MENU_POPUPS, COUNT_OF(MAIN_MENU_POPUPS)},
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
