// The common Open dialog: GetOpenFileNameA over a file browser drawn inside the window (folders to walk
// into, the caller's filters, a typed path). Headless it answers as if the user cancelled unless a test
// queued an answer (platform/test_hooks.h).
#pragma once

#include "platform/win32.h"

#define OFN_READONLY 0x00000001
#define OFN_HIDEREADONLY 0x00000004
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000

struct OPENFILENAMEA {
  DWORD lStructSize;  // 76 in the original layout
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpstrFilter;  // pairs of zero-terminated strings, ending in an empty string
  LPSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPSTR lpstrFile;
  DWORD nMaxFile;
  LPSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;
  LPCSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCSTR lpstrDefExt;
};

// Nonzero when the user chose a file; its path is then in lpstrFile (at most nMaxFile - 1 characters).
BOOL GetOpenFileNameA(OPENFILENAMEA* ofn);
