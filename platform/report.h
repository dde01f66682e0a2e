// ShowReport: the viewer's one way to tell the user of a failure: a modal box over the active window
// with the caption "Report" and an OK button, returning when it is closed. While a ReportOncePerKind
// lives, a text already shown in its lifetime is not shown again, so a failure met by every light or
// every face of a scene costs the user one box, not hundreds. While a SceneReportGate lives, a text
// already shown for the same scene is not shown again, so building the device again (a resize, full
// screen, a restore) does not repeat the boxes the scene gave when it was opened.
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

class SceneReportGate {
 public:
  // scene: identifies the opened scene; a scene other than the last gate's starts with nothing shown.
  explicit SceneReportGate(const void* scene);
  ~SceneReportGate();
  SceneReportGate(const SceneReportGate&) = delete;
  SceneReportGate& operator=(const SceneReportGate&) = delete;
};
