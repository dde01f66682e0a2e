#include "platform/report.h"

#include <set>
#include <string>

#include "platform/win32.h"

namespace {

// The texts shown since the outermost gate opened; null while none is open. One UI thread.
std::set<std::string>* g_shown_reports = nullptr;

}  // namespace

ReportOncePerKind::ReportOncePerKind() : outermost_(g_shown_reports == nullptr) {
  if (outermost_) g_shown_reports = new std::set<std::string>();
}

ReportOncePerKind::~ReportOncePerKind() {
  if (!outermost_) return;
  delete g_shown_reports;
  g_shown_reports = nullptr;
}

void ShowReport(const char* text) {
  if (g_shown_reports != nullptr && !g_shown_reports->insert(text != nullptr ? text : "").second) return;
  MessageBoxA(GetActiveWindow(), text, "Report", MB_OK);
}
