// ShowReport: the viewer's one way to tell the user of a failure: a modal box over the active window
// with the caption "Report" and an OK button, returning when it is closed. While a ReportOncePerKind
// lives, a text already shown in its lifetime is not shown again, so a failure met by every light or
// every face of a scene costs the user one box, not hundreds.
#pragma once

void ShowReport(const char* text);

class ReportOncePerKind {
 public:
  ReportOncePerKind();
  ~ReportOncePerKind();  // the outermost one ends the gate
  ReportOncePerKind(const ReportOncePerKind&) = delete;
  ReportOncePerKind& operator=(const ReportOncePerKind&) = delete;

 private:
  bool outermost_;
};
