#include "platform/report.h"

#include <set>
#include <string>

#include "platform/win32.h"

namespace {

// The texts shown since the outermost gate opened; null while none is open. One UI thread.
std::set<std::string>* g_shown_reports = nullptr;
// The texts shown for the scene last gated, and how many scene gates are open. One UI thread.
const void* g_gated_scene = nullptr;
std::set<std::string> g_scene_reports;
int g_open_scene_gates = 0;

}  // namespace

ReportOncePerKind::ReportOncePerKind() : outermost_(g_shown_reports == nullptr) {
  if (outermost_) g_shown_reports = new std::set<std::string>();
}

ReportOncePerKind::~ReportOncePerKind() {
  if (!outermost_) return;
  delete g_shown_reports;
  g_shown_reports = nullptr;
}

SceneReportGate::SceneReportGate(const void* scene) {
  if (scene != g_gated_scene) g_scene_reports.clear();
  g_gated_scene = scene;
  ++g_open_scene_gates;
}

SceneReportGate::~SceneReportGate() { --g_open_scene_gates; }

void ShowReport(const char* text) {
  const char* kind = text != nullptr ? text : "";
  if (g_shown_reports != nullptr && !g_shown_reports->insert(kind).second) return;
  if (g_open_scene_gates > 0 && !g_scene_reports.insert(kind).second) return;
  MessageBoxA(GetActiveWindow(), text, "Report", MB_OK);
}
