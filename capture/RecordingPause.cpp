// The pause of a lesson recording on the camera's side: the recording graph is paused, so that
// the WM ASF Writer's timeline stands still while nothing is recorded, and run again, so that it
// goes on from where it stood and video.wmv holds no gap.
#include "capture/CaptureEngine.h"

#include "capture/ErrorBox.h"

bool CaptureEngine::PauseRecordingGraph() {
  // Without the recording graph (its camera recording ended, or no device is present) the camera
  // has nothing to pause now; a part begun later waits paused.
  if (!graph || !asfWriter) return recordingPaused_ = true;
  ComPtr<IMediaControl> control;
  if (FAILED(graph.As(control)) || !control || FAILED(control->Pause())) return false;
  recordingPaused_ = true;
  return true;
}

bool CaptureEngine::ResumeRecordingGraph() {
  StopListening();
  recordingPaused_ = false;
  if (!graph || !asfWriter) return true;
  ComPtr<IMediaControl> control;
  if (SUCCEEDED(graph.As(control)) && control && SUCCEEDED(control->Run())) return true;
  // As at the start, a graph that will not run is stopped: the stop lets the writer close
  // video.wmv with everything recorded before the pause. The preview takes its place, so that no
  // later pause or stop can start the writer on the file anew.
  control = nullptr;
  TearDownGraph();
  BuildPreviewGraph();
  ErrorBox("错误：无法启动视频！");
  return false;
}
