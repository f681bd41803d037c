// The pause of a lesson recording and the system-wide keys that work the recording from any
// program: Ctrl+F9 records, pauses and resumes, Ctrl+F10 stops. A pause holds the camera's
// recording graph and the screen recorder, so that neither file holds the paused time.
#include "mainwnd/MainDialog.h"

#include "mainwnd/LessonFolder.h"
#include "recorder/Vistrel.h"

void MainDialog::OnPauseKey() {
  // A box or dialog of ours waits for an answer: the key does not act behind it.
  if (!IsWindowEnabled(hwnd_)) return (void)MessageBeep(MB_ICONEXCLAMATION);
  if (engine.capturing) {
    TogglePause();
  } else {
    ToggleRecording();
  }
}

void MainDialog::OnStopKey() {
  if (!engine.capturing) return;
  if (!IsWindowEnabled(hwnd_)) return (void)MessageBeep(MB_ICONEXCLAMATION);
  ToggleRecording();
}

void MainDialog::TogglePause() {
  if (status.Paused()) {
    ResumeRecording();
  } else {
    PauseRecording();
  }
}

void MainDialog::PauseRecording() {
  // The graph's time stands still from the moment it is told to pause and goes on from the moment
  // it is told to run: the screen pauses and goes on just before it, so that both files leave out
  // the same time.
  OnPause(TRUE);
  // A camera graph that refuses to pause records on; the screen then records on too, so that
  // the two files stay in step.
  if (!engine.PauseRecordingGraph()) {
    OnPause(FALSE);
    return (void)MessageBeep(MB_ICONEXCLAMATION);
  }
  status.RecordingPaused();
  engine.ListenWhilePaused();
  WriteLessonPauses();
}

void MainDialog::ResumeRecording() {
  // A camera graph that will not run again has closed video.wmv and shown why; the screen
  // recording goes on, as after a failed start of the camera.
  engine.StopListening();
  OnPause(FALSE);
  engine.ResumeRecordingGraph();
  status.RecordingResumed();
  WriteLessonPauses();
}

void MainDialog::WriteLessonPauses() { WritePausesScript(CurrentLessonDir, status.Pauses()); }
