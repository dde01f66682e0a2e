// The program's menu and dialog templates as data: ids, captions with their '&' mnemonics, styles with
// Win32's values, and control rectangles in dialog units. The window and dialog code read these; there
// is no resource compiler. Lookups of an unknown id give null.
#pragma once

#include "platform/win32.h"

struct MenuItemResource {
  const char* caption;  // '&' marks the mnemonic; a tab sets off the key shown beside it
  WORD command_id;      // sent as the low word of WM_COMMAND's wparam
};

struct MenuPopupResource {
  const char* caption;
  const MenuItemResource* items;
  int item_count;
};

struct MenuResource {
  WORD id;
  const MenuPopupResource* popups;
  int popup_count;
};

// Window classes of dialog controls, as Win32 names them.
enum class ControlClass { STATIC_TEXT, COMBO_BOX, BUTTON };

struct DialogControlResource {
  ControlClass control_class;
  int id;  // IDC_STATIC for labels nobody addresses
  const char* caption;
  DWORD style;  // WS_*, CBS_*, BS_*, SS_* values
  short x_dlu, y_dlu, width_dlu, height_dlu;  // for a drop-down list the height includes the open list
};

struct DialogResource {
  WORD id;
  const char* caption;
  DWORD style;
  short width_dlu, height_dlu;
  const char* font_name;
  int font_points;
  const DialogControlResource* controls;
  int control_count;
};

const MenuResource* FindMenuResource(WORD id);
const DialogResource* FindDialogResource(WORD id);

// The mnemonic letter of a caption ("&Open" -> 'O', "&&" is a literal ampersand), upper-cased; 0 if none.
char CaptionMnemonic(const char* caption);
// The caption as it is shown: '&' markers removed, "&&" kept as one '&'. Writes at most size - 1 chars.
void CaptionWithoutMnemonic(const char* caption, char* out, int size);
