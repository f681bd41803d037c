// The part change of a recording whose camera goes and comes back, with Wine's real filter graph
// and the testbed's devices: the camera is unplugged and plugged in again from outside (rundll32,
// as scripts/testbed.sh does), and the engine answers the notifications as the main window does.
// Printed per round: how long the engine worked on the loss (the picture-and-sound part closed,
// the sound-only part running) and on the return (the sound-only part closed, the devices looked
// at, the part with the picture running), and how long the return's notification waited in the
// queue before it. The goal for the return is under 2 s.
// Usage: device_dropout_bench <testbed DLL (Windows path)> <folder for the parts> [rounds]
#include "capture/CaptureEngine.h"
#include "capture/CaptureMessages.h"
#include "../BenchClock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
class BenchHost : public CaptureHost {
public:
  HWND MainWindow() const override { return main; }
  HWND PreviewArea() const override { return preview; }
  Settings& CaptureSettings() override { return settings; }
  void CameraArrived() override {}
  void RecordingDeviceLost(DeviceKind) override { lost = true; }
  void RecordingDeviceReturned(DeviceKind) override { back = true; }

  HWND main = nullptr;
  HWND preview = nullptr;
  Settings settings;
  bool lost = false;
  bool back = false;
};

BenchHost host;
CaptureEngine* engine = nullptr;
double arrivalAt = 0;      // when the last device notification came
double lastWork = 0;       // seconds the engine spent on the last loss or return
double lastQueued = 0;     // seconds the last check waited after its notification

// The main window's share of the engine's messages, timed.
LRESULT CALLBACK HostProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  double start = WallSeconds();
  switch (msg) {
    case WM_DEVICECHANGE:
      arrivalAt = start;
      return engine->HandleDeviceChange(wp, lp) ? TRUE : 0;
    case WM_GRAPHNOTIFY:
      engine->HandleGraphEvents();
      if (host.lost && lastWork == 0) lastWork = WallSeconds() - start;
      return 0;
    case WM_RECORDINGDEVICES:
      lastQueued = start - arrivalAt;
      engine->CheckRecordingDevices();
      lastWork = WallSeconds() - start;
      return 0;
  }
  return DefWindowProcA(window, msg, wp, lp);
}

void PumpFor(double seconds) {
  double end = WallSeconds() + seconds;
  while (WallSeconds() < end) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(5);
  }
}

// Runs the testbed's PlugDevice in a process of its own, as the test scripts do.
bool Plug(const std::string& testbed, const char* action) {
  std::string command = "rundll32.exe \"" + testbed + "\",PlugDevice camera " + action;
  STARTUPINFOA startup{sizeof(startup)};
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  // The broadcast waits for this window's answer: pump while the process runs.
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// Pumps until `done` holds or `seconds` passed.
template <typename Done>
bool PumpUntil(Done done, double seconds) {
  double end = WallSeconds() + seconds;
  while (!done() && WallSeconds() < end) PumpFor(0.02);
  return done();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: device_dropout_bench <testbed DLL> <folder> [rounds]\n");
    return 2;
  }
  std::string testbed = argv[1], folder = argv[2];
  int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = HostProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "DeviceDropoutBench";
  RegisterClassA(&windowClass);
  host.main = CreateWindowExA(0, "DeviceDropoutBench", "device dropout bench", WS_POPUP | WS_VISIBLE, 0, 0, 400,
                              300, nullptr, nullptr, windowClass.hInstance, nullptr);
  host.preview = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 320, 240, host.main, nullptr,
                                 windowClass.hInstance, nullptr);
  host.settings.EnableTitle = 0;
  CaptureEngine captureEngine(host);
  engine = &captureEngine;
  engine->EnumerateCaptureDevices();
  if (engine->videoDevices.count == 0 || engine->audioDevices.count == 0) {
    std::fprintf(stderr, "no test camera or microphone (scripts/testbed.sh install)\n");
    return 1;
  }
  engine->SelectDevicesByIndex(0, 0);
  engine->InitScreenProfileWriter();
  std::string first = folder + "\\video.wmv";
  engine->BeginRecordingParts(first);
  if (!engine->BuildRecordingGraph() || !engine->ConnectRecordingGraph(first) || !engine->StartRecordingGraph()) {
    std::fprintf(stderr, "the recording did not start\n");
    return 1;
  }
  engine->capturing = 1;
  std::vector<double> losses, returns, queued;
  std::printf("%5s %12s %12s %14s %5s\n", "round", "loss (s)", "return (s)", "return queued", "part");
  for (int round = 1; round <= rounds; ++round) {
    PumpFor(1.0);
    host.lost = host.back = false;
    lastWork = 0;
    if (!Plug(testbed, "unplug") || !PumpUntil([] { return host.lost; }, 10)) {
      std::fprintf(stderr, "round %d: the camera's loss was not seen\n", round);
      break;
    }
    double loss = lastWork;
    PumpFor(1.0);
    lastWork = 0;
    if (!Plug(testbed, "plug") || !PumpUntil([] { return host.back; }, 10)) {
      std::fprintf(stderr, "round %d: the camera's return was not seen\n", round);
      break;
    }
    losses.push_back(loss);
    returns.push_back(lastWork);
    queued.push_back(lastQueued);
    std::printf("%5d %12.3f %12.3f %14.3f %5d\n", round, loss, lastWork, lastQueued, engine->RecordingPart());
  }
  // The last part records a while too, so that every part holds something to look at.
  PumpFor(1.0);
  engine->capturing = 0;
  engine->TearDownGraph();
  if (returns.empty()) return 1;
  std::printf("median: loss %.3f s, return %.3f s (goal under 2 s), queued %.3f s; %zu rounds\n", Median(losses),
              Median(returns), Median(queued), returns.size());
  return 0;
}
