// Ctrl+C and SIGTERM: the handler only notes the request; the event pump turns it into what the close
// button does (WM_CLOSE to the windows, or Cancel for a modal dialog first), so that a viewer started
// from a terminal ends the way the user ends it with the mouse.
#include <csignal>

#include "platform/ui_internal.h"

namespace {

volatile std::sig_atomic_t g_stop_requested = 0;

void NoteStopRequest(int) { g_stop_requested = 1; }

}  // namespace

void InstallStopSignals() {
  struct sigaction action = {};
  action.sa_handler = NoteStopRequest;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() { return g_stop_requested != 0; }

void ForgetStopRequest() { g_stop_requested = 0; }
