// Hooks for tests and automation, beyond the Win32 surface: capture of the modal boxes that would
// otherwise block or print. Portable code never calls these; tests and the headless driver do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

struct CapturedMessageBox {
  std::string caption;
  std::string text;
  UINT type;
};

// While capturing, MessageBoxA records each box, answers IDOK, and neither shows nor prints it.
void BeginCaptureMessageBoxes();
std::vector<CapturedMessageBox> EndCaptureMessageBoxes();

// True when message boxes are shown as real windows (a display is available and not forced headless).
// The platform backend sets it when it starts; headless until then.
void SetMessageBoxesWindowed(bool windowed);

// Scripted answers for the modal dialogs, one script per dialog in the order the dialogs open. A
// DialogBoxParamA script selects items in drop-down lists (item k as the user would pick it, with the
// notifications a pick sends; an index outside the list selects nothing) and presses OK or Cancel.
// Headless, a dialog without a script is answered OK; a script that leaves the dialog open is followed
// by Cancel, and a dialog that stays open even then returns -1. With a display the script plays in the
// visible dialog, one step per frame after a few frames, and the user takes over when it ends. Headless
// with an owner window, a script plays the same way in the dialog drawn offscreen, then Cancel follows.
struct DialogAnswerStep {
  enum Action { SELECT, OK, CANCEL };
  Action action;
  int control_id;
  int item_index;
  static DialogAnswerStep Select(int list_id, int index) { return DialogAnswerStep{SELECT, list_id, index}; }
  static DialogAnswerStep Ok() { return DialogAnswerStep{OK, IDOK, 0}; }
  static DialogAnswerStep Cancel() { return DialogAnswerStep{CANCEL, IDCANCEL, 0}; }
};
void QueueDialogAnswer(const std::vector<DialogAnswerStep>& steps);
// GetOpenFileNameA answers: each queued path is one attempt, checked against the caller's flags like a
// typed path (a refused one shows the dialog's warning box and the next answer is taken); a queued
// cancel, or no answer left, cancels. With a display, a queued answer is taken without showing the dialog.
void QueueOpenFileAnswer(const std::string& path);
void QueueOpenFileCancel();
void ClearQueuedAnswers();

// Graphics: capabilities and failures the stand-in reports instead of the driver's, so that callers'
// other paths can be exercised. Process-wide; ResetGraphicsTestHooks restores the driver's own.
// Extra triangle texture caps (D3DPTEXTURECAPS_POW2, D3DPTEXTURECAPS_SQUAREONLY): reported by the
// devices and enforced by CreateSurface, which then refuses textures that break them.
void SetTextureCapsForTest(DWORD texture_caps);
// The largest texture edge the devices report and CreateSurface accepts; 0 for the driver's.
void SetMaxTextureSizeForTest(DWORD edge);
// EnumZBufferFormats offers only depth formats that carry stencil bits.
void SetOnlyStencilDepthFormatsForTest(bool only_stencil);
// CreateVertexBuffer fails with this result; S_OK for normal behaviour.
void SetVertexBufferFailureForTest(HRESULT result);
// The next `count` SetDisplayMode calls fail with DDERR_UNSUPPORTEDMODE, as a display that refuses a mode.
void SetDisplayModeFailuresForTest(int count);
void ResetGraphicsTestHooks();

// GetTickCount answers the given count until released, so that frame counting can be driven by hand.
void SetTickCountForTest(DWORD milliseconds);
void ReleaseTickCountForTest();

// Presented frames: while kept, every Blt to a primary and every Flip copies the presented image (the
// source rectangle of the back buffer, before any scaling into the window) into process memory, where
// it survives the device. Pixels are R, G, B, A bytes, top row first. Keeping reads each frame back
// from GL, a full copy that stalls the pipeline: turn it on only for the frames that will be read.
void KeepPresentedFrames(bool keep);
bool GetLastPresentedFrame(int* width, int* height, std::vector<uint8_t>* rgba);
// Writes the last presented frame as a PNG file; false when there is none or writing failed.
bool SaveLastPresentedFrame(const char* png_path);
