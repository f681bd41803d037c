#include "tests/recorder/RecordingFiles.h"

#include "recorder/AviCapture.h"
#include "recorder/PackedDib.h"
#include "recorder/ScreenFrame.h"
#include "recorder/audio/SoundFile.h"
#include "recorder/audio/WaveIn.h"

#include <vfw.h>
#include <atomic>
#include <vector>

bool WriteSmallScreenAvi(const std::string& path, int frames) {
  CaptureRectangle corner = {0, 0, 63, 47};
  AviCapture avi;
  if (avi.Open(path, corner, 200) != AviSetUp::Ready) return false;
  for (int i = 0; i < frames; ++i) {
    BITMAPINFOHEADER* frame = GrabScreenFrame(0, 0, 64, 48);
    HRESULT written = avi.WriteFrame(frame, static_cast<uint32_t>(i * 4));
    FreeDib(frame);
    if (written != 0) return false;
  }
  avi.FreeOptions();
  avi.Close();
  return true;
}

bool WriteToneWav(const std::string& path, int milliseconds) {
  WAVEFORMATEX format = PcmFormat(16, 2, 22050);
  CSoundFile file(path, &format);
  if (file.FileMode != SoundFileWriting) return false;
  int frames = 22050 * milliseconds / 1000;
  std::vector<short> samples(static_cast<size_t>(frames) * 2);
  for (int i = 0; i < frames; ++i) samples[2 * i] = samples[2 * i + 1] = (i / 25) % 2 ? 8000 : -8000;
  CBuffer buffer(samples.data(), static_cast<int>(samples.size() * sizeof(short)));
  return file.Write(buffer);
}

std::string StreamTypes(const std::string& path) {
  AVIFileInit();
  std::string types;
  PAVIFILE file = nullptr;
  if (AVIFileOpenA(&file, path.c_str(), OF_READ | OF_SHARE_DENY_WRITE, nullptr) == 0) {
    for (LONG i = 0;; ++i) {
      PAVISTREAM stream = nullptr;
      if (AVIFileGetStream(file, &stream, 0, i) != 0) break;
      AVISTREAMINFOA info = {};
      AVIStreamInfoA(stream, &info, sizeof(info));
      types.append(reinterpret_cast<const char*>(&info.fccType), 4);
      types += i < 9 ? "," : "";
      AVIStreamRelease(stream);
    }
    AVIFileRelease(file);
  }
  AVIFileExit();
  if (!types.empty() && types.back() == ',') types.pop_back();
  return types;
}

uint32_t PictureFrames(const std::string& path, AviFacts* facts) {
  AviFacts read;
  if (!facts) facts = &read;
  if (!CheckAviFile(path, facts)) return 0;
  return facts->videoEntries - facts->emptyFrames;
}

namespace {
std::atomic<int> writeCalls{0};
int failingWrite = 0;
bool failingOnwards = false;
HRESULT writeFailure = AVIERR_FILEWRITE;
DWORD hangMilliseconds = 0;
HANDLE hangSignal = nullptr;

HRESULT WINAPI WriteFailingOnce(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bytes,
                                DWORD flags, LONG* samplesWritten, LONG* bytesWritten) {
  const int call = ++writeCalls;
  if (call == failingWrite || (failingOnwards && call > failingWrite)) return writeFailure;
  return AVIStreamWrite(stream, start, samples, buffer, bytes, flags, samplesWritten, bytesWritten);
}

HRESULT WINAPI WriteHangingOnce(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bytes,
                                DWORD flags, LONG* samplesWritten, LONG* bytesWritten) {
  if (++writeCalls == failingWrite) {
    SetEvent(hangSignal);
    Sleep(hangMilliseconds);
  }
  return AVIStreamWrite(stream, start, samples, buffer, bytes, flags, samplesWritten, bytesWritten);
}
}  // namespace

void FailFrameWriteNumber(int failingCall, HRESULT failure) {
  writeCalls = 0;
  failingWrite = failingCall;
  failingOnwards = false;
  writeFailure = failure;
  SetAviStreamWriteForTests(WriteFailingOnce);
}

void FailFrameWritesFrom(int firstFailingCall) {
  FailFrameWriteNumber(firstFailingCall);
  failingOnwards = true;
}

void HangFrameWriteNumber(int hangingCall, DWORD milliseconds, HANDLE hung) {
  writeCalls = 0;
  failingWrite = hangingCall;
  hangMilliseconds = milliseconds;
  hangSignal = hung;
  SetAviStreamWriteForTests(WriteHangingOnce);
}

int FrameWritesSoFar() { return writeCalls.load(); }
