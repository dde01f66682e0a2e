// ShowReport: the viewer's one way to tell the user of a failure: a modal box over the active window
// with the caption "Report" and an OK button, returning when it is closed.
#pragma once

void ShowReport(const char* text);
