#include "recorder/audio/SoundFile.h"

#include "framework/MessageBox.h"

#include <cstring>

namespace {
// The format field holds a WAVEFORMATEX with cbSize: a longer fmt body is read only that far.
constexpr LONG kFormatFieldBytes = sizeof(WAVEFORMATEX);
}  // namespace

CSoundFile::CSoundFile(const std::string& name, const WAVEFORMATEX* writeFormat) : name_(name) {
  if (writeFormat) {
    FileMode = SoundFileWriting;
    memcpy(&format, writeFormat, sizeof(WAVEFORMATEX));
    OpenForWrite();
  } else {
    FileMode = SoundFileReading;
    OpenForRead();
  }
  if (FileMode == SoundFileClosed) Close();
}

CSoundFile::~CSoundFile() { Close(); }

bool CSoundFile::OpenForWrite() {
  if (file_) return false;
  file_ = mmioOpenA(const_cast<char*>(name_.c_str()), nullptr,
                    MMIO_ALLOCBUF | MMIO_CREATE | MMIO_EXCLUSIVE | MMIO_WRITE);
  if (!file_) {
    FileMode = SoundFileClosed;
    return false;
  }
  riff_ = {};
  riff_.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  mmioCreateChunk(file_, &riff_, MMIO_CREATERIFF);
  chunk_ = {};
  chunk_.ckid = mmioFOURCC('f', 'm', 't', ' ');
  chunk_.cksize = format.cbSize + 18;
  mmioCreateChunk(file_, &chunk_, 0);
  mmioWrite(file_, reinterpret_cast<const char*>(&format), static_cast<LONG>(format.cbSize + 18));
  mmioAscend(file_, &chunk_, 0);
  chunk_.ckid = mmioFOURCC('d', 'a', 't', 'a');
  mmioCreateChunk(file_, &chunk_, 0);
  return true;
}

void CSoundFile::FailRead(const char* message) {
  AppMessageBox(message, MB_OK);
  mmioClose(file_, 0);
  file_ = nullptr;
  FileMode = SoundFileClosed;
}

bool CSoundFile::OpenForRead() {
  if (file_) return false;
  file_ = mmioOpenA(const_cast<char*>(name_.c_str()), nullptr, MMIO_READ);
  if (!file_) {
    FileMode = SoundFileClosed;
    return false;
  }
  riff_ = {};
  riff_.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (mmioDescend(file_, &riff_, nullptr, MMIO_FINDRIFF) != 0) {
    FailRead("Error descending into file");
    return false;
  }
  chunk_ = {};
  chunk_.ckid = mmioFOURCC('f', 'm', 't', ' ');
  if (mmioDescend(file_, &chunk_, &riff_, MMIO_FINDCHUNK) != 0) {
    FailRead("Error descending in wave file");
    return false;
  }
  LONG formatBytes = static_cast<LONG>(chunk_.cksize) < kFormatFieldBytes
                         ? static_cast<LONG>(chunk_.cksize)
                         : kFormatFieldBytes;
  mmioRead(file_, reinterpret_cast<char*>(&format), formatBytes);
  if (mmioAscend(file_, &chunk_, 0) != 0) {
    FailRead("Error ascending in File");
    return false;
  }
  chunk_.ckid = mmioFOURCC('d', 'a', 't', 'a');
  if (mmioDescend(file_, &chunk_, &riff_, MMIO_FINDCHUNK) != 0) {
    FailRead("error reading data chunk");
    return false;
  }
  return true;
}

bool CSoundFile::Write(const CBuffer& buffer) {
  if (FileMode != SoundFileWriting || !file_) return false;
  return mmioWrite(file_, buffer.data, buffer.size) == buffer.size;
}

bool CSoundFile::Read(CBuffer& buffer) {
  if (FileMode != SoundFileReading || !file_) return false;
  // Only the data chunk holds samples; whatever chunk follows it is not read as sound.
  LONG position = mmioSeek(file_, 0, SEEK_CUR);
  LONG remaining = static_cast<LONG>(chunk_.dwDataOffset + chunk_.cksize) - position;
  LONG wanted = buffer.size < remaining ? buffer.size : remaining;
  LONG got = wanted > 0 ? mmioRead(file_, buffer.data, wanted) : 0;
  buffer.size = got > 0 ? got : 0;
  return got > 0;
}

CBuffer* CSoundFile::ReadBuffer() {
  auto* buffer = new CBuffer(format.nBlockAlign * framesPerBuffer, true);
  if (Read(*buffer)) return buffer;
  delete buffer;
  return nullptr;
}

void CSoundFile::Close() {
  if (!file_) return;
  if (FileMode == SoundFileWriting) {
    mmioAscend(file_, &chunk_, 0);
    mmioAscend(file_, &riff_, 0);
  }
  mmioClose(file_, 0);
  file_ = nullptr;
}
