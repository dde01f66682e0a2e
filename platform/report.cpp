#include "platform/report.h"

#include "platform/win32.h"

void ShowReport(const char* text) { MessageBoxA(GetActiveWindow(), text, "Report", MB_OK); }
