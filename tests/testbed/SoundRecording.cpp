// Records from the prefix's sound device the way Vistrel does: waveIn through WAVE_MAPPER at
// 22050 Hz stereo 16-bit, and the MCI waveaudio device. The files go to the folder named by
// LUMORA_TESTBED_SOUND; sound_check.sh measures them with sox.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>
#include <mmsystem.h>

#include "framework/Handles.h"

namespace {

std::string OutputFolder() {
  const char* folder = std::getenv("LUMORA_TESTBED_SOUND");
  return folder ? folder : "C:\\";
}

// A canonical 44-byte RIFF/WAVE header followed by the samples.
bool WriteWav(const std::string& path, const WAVEFORMATEX& format, const std::vector<char>& data) {
  std::string bytes = "RIFF";
  auto u32 = [&](uint32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
  u32(36 + static_cast<uint32_t>(data.size()));
  bytes += "WAVEfmt ";
  u32(16);
  bytes.append(reinterpret_cast<const char*>(&format), 16);
  bytes += "data";
  u32(static_cast<uint32_t>(data.size()));
  bytes.append(data.begin(), data.end());
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  CloseHandle(file);
  return ok;
}

}  // namespace

TEST(SoundDevices, WaveInAndWaveOutSeeADevice) {
  EXPECT_GE(waveInGetNumDevs(), 1u);
  EXPECT_GE(waveOutGetNumDevs(), 1u);
}

TEST(SoundDevices, WaveInRecordsTwoSecondsThroughTheMapper) {
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
  UniqueHandle done(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  HWAVEIN in = nullptr;
  ASSERT_EQ(waveInOpen(&in, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(done.Get()), 0, CALLBACK_EVENT),
            MMSYSERR_NOERROR);
  const int kBuffers = 4;
  const DWORD kBytes = 88200 / 2;  // half a second each
  std::vector<std::vector<char>> blocks(kBuffers, std::vector<char>(kBytes));
  std::vector<WAVEHDR> headers(kBuffers);
  for (int i = 0; i < kBuffers; ++i) {
    headers[i] = WAVEHDR{};
    headers[i].lpData = blocks[i].data();
    headers[i].dwBufferLength = kBytes;
    ASSERT_EQ(waveInPrepareHeader(in, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(in, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  auto allDone = [&] {
    for (const WAVEHDR& h : headers)
      if (!(h.dwFlags & WHDR_DONE)) return false;
    return true;
  };
  for (int waits = 0; !allDone() && waits < 100; ++waits) WaitForSingleObject(done.Get(), 200);
  EXPECT_TRUE(allDone());
  waveInReset(in);
  std::vector<char> recorded;
  for (int i = 0; i < kBuffers; ++i) {
    recorded.insert(recorded.end(), blocks[i].begin(), blocks[i].begin() + headers[i].dwBytesRecorded);
    waveInUnprepareHeader(in, &headers[i], sizeof(WAVEHDR));
  }
  waveInClose(in);
  EXPECT_EQ(recorded.size(), kBuffers * kBytes);
  ASSERT_TRUE(WriteWav(OutputFolder() + "\\wavein.wav", format, recorded));
}

TEST(SoundDevices, MciWaveaudioRecordsAndSaves) {
  MCI_OPEN_PARMSA open{};
  open.lpstrDeviceType = reinterpret_cast<LPCSTR>(MCI_DEVTYPE_WAVEFORM_AUDIO);
  open.lpstrElementName = "";
  ASSERT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_WAIT,
                            reinterpret_cast<DWORD_PTR>(&open)), 0u);
  MCI_WAVE_SET_PARMS set{};
  set.wFormatTag = WAVE_FORMAT_PCM;
  set.nChannels = 2;
  set.nSamplesPerSec = 22050;
  set.nAvgBytesPerSec = 88200;
  set.nBlockAlign = 4;
  set.wBitsPerSample = 16;
  EXPECT_EQ(mciSendCommandA(open.wDeviceID, MCI_SET,
                            MCI_WAIT | MCI_WAVE_SET_FORMATTAG | MCI_WAVE_SET_CHANNELS | MCI_WAVE_SET_SAMPLESPERSEC |
                                MCI_WAVE_SET_AVGBYTESPERSEC | MCI_WAVE_SET_BLOCKALIGN | MCI_WAVE_SET_BITSPERSAMPLE,
                            reinterpret_cast<DWORD_PTR>(&set)), 0u);
  // Windows records with no parameter block at all; Wine 8.0's mciwave refuses that with
  // MCIERR_NULL_PARAMETER_BLOCK (its WAVE_mciRecord, WINEDEBUG=+mciwave), so an empty block
  // is given, which both accept.
  MCI_RECORD_PARMS record{};
  ASSERT_EQ(mciSendCommandA(open.wDeviceID, MCI_RECORD, 0, reinterpret_cast<DWORD_PTR>(&record)), 0u);
  Sleep(1500);  // the length of the recording, not a measurement
  EXPECT_EQ(mciSendCommandA(open.wDeviceID, MCI_STOP, MCI_WAIT, 0), 0u);
  // Wine 8.0's mciwave answers the waited stop while its recording thread is still closing the
  // wave-in device; saving and closing at once lets the close free the device under that thread.
  Sleep(500);
  std::string path = OutputFolder() + "\\mci.wav";
  MCI_SAVE_PARMSA save{};
  save.lpfilename = path.c_str();
  EXPECT_EQ(mciSendCommandA(open.wDeviceID, MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&save)),
            0u);
  mciSendCommandA(open.wDeviceID, MCI_CLOSE, 0, 0);
}
