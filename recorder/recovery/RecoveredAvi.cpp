#include "recorder/recovery/RecoveredAvi.h"

#include <windows.h>
#include <vfw.h>
#include <algorithm>
#include <cstring>

namespace {
constexpr uint64_t kPlainAviLimit = 0xFFFFFFF0ull;

struct IndexEntry {
  char id[4];
  uint32_t flags;
  uint32_t offset;  // from the "movi" tag
  uint32_t size;
};

// Opens a RIFF or LIST with a size to be patched; returns the size field's offset.
uint64_t BeginList(FileWriter& out, const char* tag, const char* type) {
  out.WriteFourcc(tag);
  uint64_t sizeAt = out.Position();
  out.WriteU32(0);
  out.WriteFourcc(type);
  return sizeAt;
}

void EndList(FileWriter& out, uint64_t sizeAt) {
  out.PatchU32(sizeAt, static_cast<uint32_t>(out.Position() - sizeAt - 4));
}

void WriteChunk(FileWriter& out, const char* tag, const void* data, uint32_t size) {
  out.WriteFourcc(tag);
  out.WriteU32(size);
  out.Write(data, size);
  if (size & 1) out.Write("", 1);
}

AVIStreamHeader VideoHeader(const RecoveryRecord& record, const BITMAPINFOHEADER& format,
                            uint32_t length, uint32_t largest) {
  AVIStreamHeader header = {};
  header.fccType = streamtypeVIDEO;
  header.fccHandler = record.handler;
  header.dwScale = record.scale;
  header.dwRate = record.rate;
  header.dwLength = length;
  header.dwSuggestedBufferSize = std::max(largest, record.suggestedBufferSize);
  header.dwQuality = 0xFFFFFFFF;
  header.rcFrame.right = static_cast<short>(format.biWidth);
  header.rcFrame.bottom = static_cast<short>(std::abs(format.biHeight));
  return header;
}

AVIStreamHeader SoundHeader(const SalvagedSound& sound, uint32_t largest) {
  AVIStreamHeader header = {};
  header.fccType = streamtypeAUDIO;
  header.dwScale = sound.blockAlign;
  header.dwRate = sound.bytesPerSecond;
  header.dwLength = static_cast<uint32_t>(sound.dataBytes / sound.blockAlign);
  header.dwSuggestedBufferSize = largest;
  header.dwQuality = 0xFFFFFFFF;
  header.dwSampleSize = sound.blockAlign;
  return header;
}
bool HasSound(const RecoveredSound* sound) {
  return sound && sound->file && sound->sound.dataBytes > 0;
}

// The sound goes in pieces of one second, whole blocks.
uint32_t SoundPieceBytes(const SalvagedSound& s) {
  return std::max<uint32_t>(s.blockAlign, s.bytesPerSecond - s.bytesPerSecond % s.blockAlign);
}
}  // namespace

uint64_t RecoveredAviBytes(const std::vector<FrameChunk>& chunks, const RecoveredSound* sound) {
  uint64_t total = 4096;
  for (const FrameChunk& chunk : chunks) total += 8 + uint64_t(chunk.size) + (chunk.size & 1) + sizeof(IndexEntry);
  if (HasSound(sound)) {
    const SalvagedSound& s = sound->sound;
    total += s.dataBytes + (s.dataBytes / SoundPieceBytes(s) + 1) * (8 + sizeof(IndexEntry) + 1);
  }
  return total;
}

RecoveredAviWrite WriteRecoveredAvi(const std::string& path, const RecoveryRecord& record,
                                    const FileReader& frames, const std::vector<FrameChunk>& chunks,
                                    const RecoveredSound* sound) {
  BITMAPINFOHEADER format = {};
  if (record.format.size() < sizeof(format)) return RecoveredAviWrite::CannotHold;
  memcpy(&format, record.format.data(), sizeof(format));
  const bool withSound = HasSound(sound);

  // The whole size is known before anything is written: refuse what a plain AVI cannot hold.
  if (RecoveredAviBytes(chunks, sound) > kPlainAviLimit) return RecoveredAviWrite::CannotHold;
  uint32_t largestFrame = 0;
  for (const FrameChunk& chunk : chunks) largestFrame = std::max(largestFrame, chunk.size);
  // Sound goes in one chunk per second of picture, interleaved with the frames.
  const uint32_t positionsPerSecond = std::max<uint32_t>(1, record.rate / record.scale);
  const uint32_t soundPiece = withSound ? SoundPieceBytes(sound->sound) : 0;

  FileWriter out;
  if (!out.Create(path)) return RecoveredAviWrite::WriteFailed;
  uint64_t riff = BeginList(out, "RIFF", "AVI ");
  uint64_t hdrl = BeginList(out, "LIST", "hdrl");
  MainAVIHeader main = {};
  main.dwMicroSecPerFrame = static_cast<DWORD>(1000000ull * record.scale / record.rate);
  main.dwFlags = AVIF_HASINDEX | (withSound ? AVIF_ISINTERLEAVED : 0);
  main.dwTotalFrames = static_cast<DWORD>(chunks.size());
  main.dwStreams = withSound ? 2 : 1;
  main.dwSuggestedBufferSize = std::max(largestFrame, record.suggestedBufferSize);
  main.dwWidth = static_cast<DWORD>(format.biWidth);
  main.dwHeight = static_cast<DWORD>(std::abs(format.biHeight));
  WriteChunk(out, "avih", &main, sizeof(main));

  uint64_t strl = BeginList(out, "LIST", "strl");
  AVIStreamHeader video = VideoHeader(record, format, static_cast<uint32_t>(chunks.size()), largestFrame);
  WriteChunk(out, "strh", &video, sizeof(video));
  WriteChunk(out, "strf", record.format.data(), static_cast<uint32_t>(record.format.size()));
  EndList(out, strl);
  if (withSound) {
    strl = BeginList(out, "LIST", "strl");
    AVIStreamHeader audio = SoundHeader(sound->sound, soundPiece);
    WriteChunk(out, "strh", &audio, sizeof(audio));
    WriteChunk(out, "strf", sound->sound.format.data(), static_cast<uint32_t>(sound->sound.format.size()));
    EndList(out, strl);
  }
  EndList(out, hdrl);

  uint64_t movi = BeginList(out, "LIST", "movi");
  const uint64_t moviTag = movi + 4;
  std::vector<IndexEntry> index;
  index.reserve(chunks.size() + 16);
  uint64_t soundDone = 0;
  bool readFailed = false;
  auto writeSound = [&](uint64_t upTo) {
    const SalvagedSound& s = sound->sound;
    while (soundDone < std::min(upTo, s.dataBytes)) {
      uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(soundPiece, s.dataBytes - soundDone));
      index.push_back({{'0', '1', 'w', 'b'}, AVIIF_KEYFRAME, static_cast<uint32_t>(out.Position() - moviTag), piece});
      out.WriteFourcc("01wb");
      out.WriteU32(piece);
      if (!CopyBytes(*sound->file, s.dataOffset + soundDone, piece, out)) {
        readFailed = true;
        return;
      }
      if (piece & 1) out.Write("", 1);
      soundDone += piece;
    }
  };
  for (size_t i = 0; i < chunks.size(); ++i) {
    const FrameChunk& chunk = chunks[i];
    // The second of sound that goes with the second of picture about to start.
    if (withSound && i % positionsPerSecond == 0) writeSound(uint64_t(i / positionsPerSecond + 1) * soundPiece);
    IndexEntry entry = {{}, chunk.keyFrame ? AVIIF_KEYFRAME : 0u,
                        static_cast<uint32_t>(out.Position() - moviTag), chunk.size};
    memcpy(entry.id, chunk.tag, 4);
    index.push_back(entry);
    out.Write(chunk.tag, 4);
    out.WriteU32(chunk.size);
    if (!CopyBytes(frames, chunk.offset + 8, chunk.size, out)) {
      readFailed = true;
      break;
    }
    if (chunk.size & 1) out.Write("", 1);
  }
  if (withSound) writeSound(sound->sound.dataBytes);
  EndList(out, movi);
  WriteChunk(out, "idx1", index.data(), static_cast<uint32_t>(index.size() * sizeof(IndexEntry)));
  EndList(out, riff);
  // A copy that stopped on a failed write is the writer's failure, not the reader's.
  RecoveredAviWrite result = RecoveredAviWrite::Written;
  if (out.Failed()) {
    result = RecoveredAviWrite::WriteFailed;
  } else if (readFailed) {
    result = RecoveredAviWrite::ReadFailed;
  } else if (!out.Finish()) {
    result = RecoveredAviWrite::WriteFailed;
  }
  if (result != RecoveredAviWrite::Written) {
    out.Finish();
    DeleteFileA(path.c_str());
  }
  return result;
}
