// Shared state between the platform backend files; not for portable code.
#pragma once

#include "platform/win32.h"

void SetActiveWindowHandle(HWND window);
