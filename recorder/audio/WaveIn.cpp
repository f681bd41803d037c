#include "recorder/audio/WaveIn.h"

#include "recorder/RecorderState.h"
#include "recorder/TempPaths.h"
#include "recorder/audio/AudioApi.h"
#include "recorder/audio/Buffer.h"

#include <memory>
#include <new>

namespace {
WAVEFORMATEX microphoneFormat = PcmFormat(16, 2, 22050);
InterleaveSettings interleave = {1, 100, 0};
HWAVEIN waveIn = nullptr;
volatile LONG outstandingBuffers = 0;
int framesPerBuffer = kFramesPerBuffer;

// The writer is used by MMWIMDATA on the host's thread and deleted by CloseSoundFile on the
// capture thread; this lock keeps a write from meeting the delete.
CRITICAL_SECTION writerLock;
CSoundFile* soundFile = nullptr;
// The recording whose run records the sound: its recording flag, not the host's newest one,
// decides whether a returned buffer is written (a run may still drain while the next begins).
std::shared_ptr<RecorderState> soundRecording;
struct WriterLockInit {
  WriterLockInit() { InitializeCriticalSection(&writerLock); }
  ~WriterLockInit() { DeleteCriticalSection(&writerLock); }
} writerLockInit;

class WriterGuard {
public:
  WriterGuard() { EnterCriticalSection(&writerLock); }
  ~WriterGuard() { LeaveCriticalSection(&writerLock); }
  WriterGuard(const WriterGuard&) = delete;
  WriterGuard& operator=(const WriterGuard&) = delete;
};

// Whether a returned buffer's device has been closed since: none is open, or another one is.
bool FromClosedDevice(WPARAM device) {
  return !waveIn || (device && reinterpret_cast<HWAVEIN>(device) != waveIn);
}

void FreeBuffer(WAVEHDR* header) {
  delete[] header->lpData;
  delete header;
  InterlockedDecrement(&outstandingBuffers);
}
}  // namespace

WAVEFORMATEX PcmFormat(int bits, int channels, int samplesPerSec) {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = static_cast<WORD>(channels);
  format.nSamplesPerSec = static_cast<DWORD>(samplesPerSec);
  format.wBitsPerSample = static_cast<WORD>(bits);
  format.nBlockAlign = static_cast<WORD>(bits / 8 * channels);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  format.cbSize = 0;
  return format;
}

const WAVEFORMATEX& MicrophoneFormat() { return microphoneFormat; }
InterleaveSettings CurrentInterleave() { return interleave; }
int OutstandingBuffers() { return outstandingBuffers; }
CSoundFile* CurrentSoundFile() { return soundFile; }
HWAVEIN CurrentWaveIn() { return waveIn; }

void PrepareMicrophoneFormat() {
  microphoneFormat = PcmFormat(16, 2, 22050);
  interleave = {1, 100, 0};
}

void BeginMicrophoneRecording() {
  // The count is not reset: buffers of an earlier recording may still come back and be freed.
  waveIn = nullptr;
  framesPerBuffer = kFramesPerBuffer;
  microphoneFormat = PcmFormat(16, 2, 22050);
  CloseSoundFile();
  // Without a sound path the writer stays away and the captured sound is dropped.
  if (!ChooseTempSoundPath()) return;
  CSoundFile* writer = new (std::nothrow) CSoundFile(Recorder().tempSoundPath, &microphoneFormat);
  WriterGuard guard;
  soundFile = writer;
  soundRecording = Recorder().shared_from_this();
}

int WaveInStartCapture(const WAVEFORMATEX& format) {
  microphoneFormat = format;
  HWAVEIN opened = nullptr;
  if (Audio().waveInOpen(&opened, WAVE_MAPPER, &microphoneFormat,
                         reinterpret_cast<DWORD_PTR>(Recorder().callbackWindow), 0,
                         CALLBACK_WINDOW) != MMSYSERR_NOERROR)
    return 0;
  waveIn = opened;
  for (int i = 0; i < kQueuedBuffers; ++i) WaveInQueueBuffer();
  return Audio().waveInStart(waveIn) == MMSYSERR_NOERROR ? 1 : 0;
}

int WaveInQueueBuffer() {
  LONG before = outstandingBuffers;
  auto* header = new (std::nothrow) WAVEHDR();
  if (!header) return 0;
  // The block belongs to the header from now on; the wrapper does not free it.
  CBuffer block(microphoneFormat.nBlockAlign * framesPerBuffer, false);
  header->lpData = block.data;
  header->dwBufferLength = static_cast<DWORD>(block.size);
  if (Audio().waveInPrepareHeader(waveIn, header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR &&
      Audio().waveInAddBuffer(waveIn, header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR) {
    InterlockedIncrement(&outstandingBuffers);
  } else {
    Audio().waveInUnprepareHeader(waveIn, header, sizeof(WAVEHDR));
    delete[] header->lpData;
    delete header;
  }
  return before;
}

LRESULT __stdcall MMWIMDATA(WPARAM device, LPARAM lParam) {
  auto* header = reinterpret_cast<WAVEHDR*>(lParam);
  if (!header) return 0;
  if (FromClosedDevice(device)) {
    // The reset returned this buffer, but its message came after the close: no device holds it
    // any more, and nothing else would free it.
    if (!(header->dwFlags & WHDR_INQUEUE)) FreeBuffer(header);
    return 0;
  }
  if (Audio().waveInUnprepareHeader(waveIn, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return 0;
  bool stopping;
  bool paused = false;
  {
    WriterGuard guard;
    stopping = !soundRecording || soundRecording->recording.load() == 0;
    if (!stopping) paused = soundRecording->pauses.Paused();
  }
  if (stopping) {
    FreeBuffer(header);
    return 0;
  }
  // The sound of a paused recording is left out, as its pictures are; the buffer goes back to
  // the device.
  if (!paused) {
    WriterGuard guard;
    // Only what the device recorded; the rest of the block holds nothing.
    CBuffer recorded(header->lpData, static_cast<int>(header->dwBytesRecorded));
    if (soundFile && !soundFile->Write(recorded)) {
      WaveInStopCapture();
      CloseSoundFile();
    }
  }
  if (Audio().waveInPrepareHeader(waveIn, header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR &&
      Audio().waveInAddBuffer(waveIn, header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR)
    return 0;
  FreeBuffer(header);
  return 0;
}

MMRESULT WaveInStopCapture() {
  MMRESULT reset = Audio().waveInReset(waveIn);
  if (reset != MMSYSERR_NOERROR) return reset;
  Sleep(500);
  Audio().waveInStop(waveIn);
  MMRESULT closed = Audio().waveInClose(waveIn);
  if (closed == MMSYSERR_NOERROR) waveIn = nullptr;
  return closed;
}

void CloseSoundFile() {
  WriterGuard guard;
  delete soundFile;
  soundFile = nullptr;
  soundRecording.reset();
}

void ResetWaveInState() {
  CloseSoundFile();
  microphoneFormat = PcmFormat(16, 2, 22050);
  interleave = {1, 100, 0};
  waveIn = nullptr;
  outstandingBuffers = 0;
  framesPerBuffer = kFramesPerBuffer;
}
