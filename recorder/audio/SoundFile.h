// Writes and reads RIFF/WAVE files with the multimedia file I/O functions: the temporary sound
// of a microphone recording, and the level test's recordings.
#pragma once
#include "recorder/audio/Buffer.h"
#include "recorder/audio/SoundBase.h"

#include <string>

enum SoundFileMode { SoundFileClosed = 0, SoundFileReading = 1, SoundFileWriting = 2 };

class CSoundFile : public CSoundBase {
public:
  // With a format: creates `name` for writing in that format. Without: opens it for reading and
  // takes the format from the file. FileMode tells whether the open worked.
  CSoundFile(const std::string& name, const WAVEFORMATEX* writeFormat);
  ~CSoundFile() override;

  // Appends the buffer's bytes to the data chunk; true when all were written.
  bool Write(const CBuffer& buffer);
  // Fills the buffer from the data chunk; its size becomes the count read.
  bool Read(CBuffer& buffer);
  // The next block of 1000 sample frames (shorter at the end), or null after the last.
  CBuffer* ReadBuffer();
  // Writes the true chunk sizes (when writing) and closes the file.
  void Close();

  int FileMode = SoundFileClosed;

private:
  bool OpenForWrite();
  bool OpenForRead();
  void FailRead(const char* message);

  HMMIO file_ = nullptr;
  std::string name_;
  MMCKINFO riff_ = {};
  MMCKINFO chunk_ = {};
};
