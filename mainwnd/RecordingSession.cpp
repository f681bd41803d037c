// The record/stop command of the main window: one lesson recording of the camera with the
// microphone (video.wmv, through the capture engine) and of the screen (screen.avi, through
// Vistrel.dll), started and stopped by the same button or F5.
#include "mainwnd/MainDialog.h"

#include "capture/ErrorBox.h"
#include "capture/FrameGrabber.h"
#include "framework/Handles.h"
#include "framework/PaintingWait.h"
#include "framework/Text.h"
#include "lessons/PartsScripts.h"
#include "mainwnd/LessonDuration.h"
#include "mainwnd/LessonFolder.h"
#include "mainwnd/Snapshot.h"
#include "recorder/Vistrel.h"
#include "resources/resource.h"

#include <ctime>
#include <vector>

namespace {
// Seconds since 1970 when the screen recorder was started.
time_t recordingStartTime = 0;

// How long the program waits for Vistrel to finish screen.avi before it ends anyway.
constexpr DWORD kScreenFileFinishTimeoutMs = 30000;
// How long the camera waits for the screen's capture to be ready before it starts alone.
constexpr DWORD kScreenCaptureReadyTimeoutMs = 3000;

const char kWmvWriterMissing[] =
    "错误：无法生成WMV格式文件！\r\n原因：windows系统需要更新\r\n解决方案：启动“windows更新”";

// The recording's length in whole seconds. A paused recording's is the tick clock's recorded
// time without the pauses: the calendar clock counts whole seconds at both ends, so the pauses
// taken from it could leave a second too many or too few.
long RecordedClockSeconds(const RecordingStatus& status) {
  if (status.PausedMs() > 0) return static_cast<long>(status.RecordedMs() / 1000);
  return static_cast<long>(time(nullptr) - recordingStartTime);
}

void SetStandardCursor(LPCSTR cursor) { SetCursor(LoadCursorA(nullptr, cursor)); }

void ChangeStyleBit(HWND window, LONG bit, bool on) {
  LONG style = GetWindowLongA(window, GWL_STYLE);
  SetWindowLongA(window, GWL_STYLE, on ? (style | bit) : (style & ~bit));
}
}  // namespace

void MainDialog::ToggleRecording() {
  if (engine.capturing) {
    StopRecording();
  } else {
    StartRecording();
  }
}

void MainDialog::StartRecording() {
  // With little room on the disk the teacher decides first; No records nothing.
  if (!status.ConfirmRoomToRecord(settings.SaveDir)) return;
  ShowWindow(hwnd_, SW_MINIMIZE);
  // A repair of earlier lessons waits while the recording runs: it takes no disk or processor
  // time from it.
  repairWorker.Pause();

  LessonOutputs outputs = PrepareLessonOutputs(settings.SaveDir, moduleDirectory);
  videoOutputPath = outputs.videoOutputPath;
  screenOutputPath = outputs.screenOutputPath;

  EnableItem(IDC_RECORD, true);
  SetRecordButtonLook(true);

  engine.TearDownGraph();
  engine.BeginRecordingParts(videoOutputPath);
  if (!engine.BuildRecordingGraph()) {
    if (engine.asfWriterAddFailed) {
      engine.asfWriterAddFailed = 0;
      ErrorBox(kWmvWriterMissing);
    }
    engine.TearDownGraph();
    engine.BuildPreviewGraph();
    SetRecordButtonLook(false);
    repairWorker.Resume();
    return;
  }
  // The screen recorder makes its file ready, paused, while the camera's graph is connected; the
  // graph starts once the screen's capture is ready (or after a short while without it), and the
  // screen takes its first frame as the camera's first sample goes to the writer: the two
  // recordings begin together.
  screenRecording.Begin();
  StartScreenRecorder();
  OnPause(TRUE);
  engine.ConnectRecordingGraph(videoOutputPath);
  WaitForScreenCapture();
  engine.StartRecordingGraph();
  OnPause(FALSE);
  recordingStartTime = time(nullptr);
  engine.capturing = 1;
  // The window is minimised now, so F6 no longer reaches it; when another program holds
  // Ctrl+F6 the recording goes on without it. Ctrl+F8 marks the slide on the screen.
  snapshotHotKey.Claim(hwnd_);
  markHotKey.Claim(hwnd_);
  status.RecordingStarted(CurrentLessonDir, settings.SaveDir);

  EnableItem(IDC_SETTINGS, false);
  EnableItem(IDC_HIDDEN_1013, false);
  ChangeStyleBit(hwnd_, WS_MAXIMIZEBOX, false);
  SetStandardCursor(IDC_WAIT);
}

int MainDialog::StartScreenRecorder() {
  std::wstring widePath = AnsiToWide(screenOutputPath);
  engine.screenWriter.SetOutputFilename(screenOutputPath);
  // The library takes the ANSI path, terminator included, and keeps its own copy.
  std::vector<char> ansiPath(widePath.size() * 2 + 2, '\0');
  WideCharToMultiByte(CP_ACP, 0, widePath.c_str(), -1, ansiPath.data(), static_cast<int>(ansiPath.size()),
                      nullptr, nullptr);
  OnRecord(hwnd_, ansiPath.data(), 0);
  return 1;
}

void MainDialog::StopRecording() {
  snapshotHotKey.Release();
  markHotKey.Release();
  SetStandardCursor(IDC_ARROW);
  SetRecordButtonLook(false);

  // The screen stops as the camera's graph is told to: the two recordings end together.
  OnStop();
  ComPtr<IMediaControl> control;
  if (engine.graph && SUCCEEDED(engine.graph.As(control)) && FAILED(control->Pause())) {
    ErrorBox("无法停止录制！");
    // The process ends here, but not before the screen file is complete and the duration kept.
    status.Detach();
    OnStop();
    WaitForScreenFile();
    LessonDuration(CurrentLessonDir, screenRecording.LessonSeconds(RecordedClockSeconds(status)));
    WriteRecordingPartsScripts(CurrentLessonDir);
    ExitProcess(0);
  }
  control = nullptr;

  engine.TearDownGraph();
  engine.BuildPreviewGraph();
  engine.capturing = 0;
  bool soundless = status.RecordingStopped();
  PlayClickSound();

  EnableItem(IDC_RECORD, true);
  EnableItem(IDC_SETTINGS, true);
  ChangeStyleBit(hwnd_, WS_MAXIMIZEBOX, true);

  engine.screenWriter.EndWriting();
  // A screen recording that ended on its own gives the lesson the length its files cover.
  LessonDuration(CurrentLessonDir, screenRecording.LessonSeconds(RecordedClockSeconds(status)));
  // A long recording was kept as several screen files, and a camera or microphone that dropped out
  // left several camera files; the course page lists them in order, and the pauses.
  WriteRecordingPartsScripts(CurrentLessonDir);
  WriteLessonPauses();
  FillLessonList();
  status.UpdateRoom(settings.SaveDir);
  repairWorker.Resume();
  SetForegroundWindow(hwnd_);
  if (soundless) status.ReportSoundlessRecording();
}

void MainDialog::OnScreenRecordingEnded(WPARAM reason, LPARAM milliseconds) {
  // Only the recording that runs is concerned: Vistrel posts nothing for a run it was asked to
  // stop, so a message that arrives after the stop belongs to a run that had just ended anyway.
  if (!engine.capturing) return;
  // The camera goes on recording; the stop will give the lesson the screen files' length.
  screenRecording.EndedOnItsOwn(reason, milliseconds);
  status.ScreenCaptureEnded(screenRecording.Reason());
}

void MainDialog::RequestSnapshot() {
  // Only the recording graph hands frames to the snapshot writer's lesson folder.
  // A paused recording takes no snapshot: no frame reaches the grabber until the resume.
  if (engine.capturing && engine.grabber && !status.Paused()) SnapshotRequested.store(1);
}

void MainDialog::OnFrameReady() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  // The frame is this thread's alone from here on; the grabber copies later frames elsewhere.
  FrameCopyPtr copy = GrabberCallback.TakeFrame();
  if (!copy) return;
  SnapshotFrame frame{copy->bytes.data(), copy->bytes.size(),
                      static_cast<int32_t>(GrabberCallback.frameWidth),
                      static_cast<int32_t>(GrabberCallback.frameHeight),
                      static_cast<uint16_t>(DisplayColourDepth)};
  WriteSnapshot(SnapshotRequested, frame, CurrentLessonDir, now);
  GrabberCallback.RecycleFrame(std::move(copy));
}

void MainDialog::WaitForScreenCapture() {
  UniqueHandle ready(OpenEventA(SYNCHRONIZE, FALSE, VistrelReadyEventName(GetCurrentProcessId()).c_str()));
  if (ready) WaitKeepingWindowsPainted(ready.Get(), kScreenCaptureReadyTimeoutMs);
}

void MainDialog::WaitForScreenFile() {
  UniqueHandle idle(OpenEventA(SYNCHRONIZE, FALSE, VistrelIdleEventName(GetCurrentProcessId()).c_str()));
  if (!idle) return;  // the library is not loaded, so nothing records
  SetStandardCursor(IDC_WAIT);
  // The window stays painted while Vistrel finishes the file; clicks and keys wait until after.
  WaitKeepingWindowsPainted(idle.Get(), kScreenFileFinishTimeoutMs);
  SetStandardCursor(IDC_ARROW);
}
