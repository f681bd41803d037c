#include "recorder/recovery/AviCheck.h"

#include "recorder/recovery/BinaryFile.h"

#include <windows.h>
#include <vfw.h>
#include <cstring>
#include <vector>

namespace {
struct ChunkHeader {
  char tag[4];
  uint32_t size;
  char type[4];  // of a RIFF or LIST
};

// Reads chunk headers through a window of the file, so that checking an index of a million
// entries reads the file in large pieces.
class WindowedReader {
public:
  explicit WindowedReader(const FileReader& file) : file_(file) {}
  bool Read(uint64_t offset, void* out, uint32_t count) {
    if (offset < start_ || offset + count > start_ + window_.size()) {
      uint64_t left = file_.Size() > offset ? file_.Size() - offset : 0;
      if (left < count) return false;
      window_.resize(static_cast<size_t>(left < kWindow ? left : kWindow));
      if (!file_.ReadAt(offset, window_.data(), static_cast<uint32_t>(window_.size()))) {
        window_.clear();
        return false;
      }
      start_ = offset;
    }
    memcpy(out, window_.data() + (offset - start_), count);
    return true;
  }

private:
  static constexpr uint64_t kWindow = 1u << 20;
  const FileReader& file_;
  std::vector<uint8_t> window_;
  uint64_t start_ = 0;
};

bool ReadHeader(const FileReader& file, uint64_t at, uint64_t end, ChunkHeader& header) {
  if (at + 8 > end || !file.ReadAt(at, &header, 8)) return false;
  if (at + 8 + header.size > end) return false;
  bool list = memcmp(header.tag, "LIST", 4) == 0 || memcmp(header.tag, "RIFF", 4) == 0;
  return !list || (header.size >= 4 && file.ReadAt(at + 8, header.type, 4));
}

bool Is(const char* a, const char* b) { return memcmp(a, b, 4) == 0; }

// The stream list: its header and format; only the first stream's are kept.
bool ReadStreamList(const FileReader& file, uint64_t at, uint64_t end, AviFacts& facts) {
  AVIStreamHeader header = {};
  bool haveHeader = false, haveFormat = false;
  for (ChunkHeader chunk; ReadHeader(file, at, end, chunk); at += 8 + uint64_t(chunk.size) + (chunk.size & 1)) {
    if (Is(chunk.tag, "strh")) {
      if (chunk.size < 48 || !file.ReadAt(at + 8, &header, chunk.size < sizeof(header) ? chunk.size : sizeof(header)))
        return false;
      haveHeader = true;
    } else if (Is(chunk.tag, "strf")) {
      haveFormat = chunk.size > 0;
      if (facts.streams == 0 && haveHeader && header.fccType == streamtypeVIDEO) {
        BITMAPINFOHEADER format = {};
        if (chunk.size < sizeof(format) || !file.ReadAt(at + 8, &format, sizeof(format))) return false;
        facts.width = format.biWidth;
        facts.height = format.biHeight;
        facts.bitCount = format.biBitCount;
        facts.videoCompression = format.biCompression;
      }
    }
  }
  if (!haveHeader || !haveFormat) return false;
  if (facts.streams == 0) {
    if (header.fccType != streamtypeVIDEO || header.dwRate == 0 || header.dwScale == 0) return false;
    facts.videoHandler = header.fccHandler;
    facts.rate = header.dwRate;
    facts.scale = header.dwScale;
    facts.length = header.dwLength;
  }
  ++facts.streams;
  return true;
}

bool ReadHeaderList(const FileReader& file, uint64_t at, uint64_t end, AviFacts& facts) {
  bool haveMain = false;
  for (ChunkHeader chunk; ReadHeader(file, at, end, chunk); at += 8 + uint64_t(chunk.size) + (chunk.size & 1)) {
    if (Is(chunk.tag, "avih")) {
      haveMain = chunk.size >= sizeof(MainAVIHeader);
    } else if (Is(chunk.tag, "LIST") && Is(chunk.type, "strl")) {
      if (!ReadStreamList(file, at + 12, at + 8 + chunk.size, facts)) return false;
    }
  }
  return haveMain && facts.streams > 0;
}

// Which chunks the index check reads: every one it names, or the first and the last only.
enum class ChunkReads { Every, Ends };

bool CheckIndex(const FileReader& file, uint64_t indexAt, uint32_t indexBytes, uint64_t moviTag,
                uint64_t moviEnd, ChunkReads reads, AviFacts& facts) {
  if (indexBytes % 16 != 0) return false;
  struct Entry {
    char id[4];
    uint32_t flags, offset, size;
  };
  std::vector<Entry> entries(indexBytes / 16);
  if (!entries.empty() && !file.ReadAt(indexAt, entries.data(), indexBytes)) return false;
  // Offsets count from the "movi" tag, or from the file's start in some writers' files: the
  // first entry must name the chunk it points at. (Its size says nothing: a merged file may
  // begin "movi" with a second of sound, so its first frame lies far from the tag.)
  WindowedReader chunks(file);
  uint64_t base = moviTag;
  if (!entries.empty()) {
    char first[4];
    if (!(chunks.Read(moviTag + entries[0].offset, first, 4) && Is(first, entries[0].id)) &&
        chunks.Read(entries[0].offset, first, 4) && Is(first, entries[0].id))
      base = 0;
  }
  bool sawPicture = false;
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& entry = entries[i];
    uint64_t at = base + entry.offset;
    if (at < moviTag + 4 || at + 8 + uint64_t(entry.size) > moviEnd) return false;
    if (reads == ChunkReads::Every || i == 0 || i + 1 == entries.size()) {
      char header[8];
      if (!chunks.Read(at, header, 8)) return false;
      uint32_t size;
      memcpy(&size, header + 4, 4);
      if (!Is(header, entry.id) || size != entry.size) return false;
    }
    if (entry.id[0] == '0' && entry.id[1] == '0' && (entry.id[2] == 'd')) {
      ++facts.videoEntries;
      if (entry.size == 0) ++facts.emptyFrames;
      if (entry.flags & AVIIF_KEYFRAME) ++facts.keyFrames;
      if (entry.size > 0 && !sawPicture) {
        if (!(entry.flags & AVIIF_KEYFRAME)) return false;
        sawPicture = true;
      }
    } else if (entry.id[2] == 'w' && entry.id[3] == 'b') {
      ++facts.soundEntries;
      facts.soundBytes += entry.size;
    }
  }
  return true;
}

bool Check(const std::string& path, ChunkReads reads, AviFacts* result) {
  FileReader file;
  if (!file.Open(path)) return false;
  ChunkHeader riff;
  if (!ReadHeader(file, 0, file.Size(), riff) || !Is(riff.tag, "RIFF") || !Is(riff.type, "AVI "))
    return false;
  const uint64_t end = 8 + uint64_t(riff.size);
  AviFacts facts;
  bool haveHeaders = false;
  uint64_t moviTag = 0, moviEnd = 0, indexAt = 0;
  uint32_t indexBytes = 0;
  bool haveIndex = false;
  for (uint64_t at = 12; at < end;) {
    ChunkHeader chunk;
    if (!ReadHeader(file, at, end, chunk)) return false;
    if (Is(chunk.tag, "LIST") && Is(chunk.type, "hdrl")) {
      haveHeaders = ReadHeaderList(file, at + 12, at + 8 + chunk.size, facts);
      if (!haveHeaders) return false;
    } else if (Is(chunk.tag, "LIST") && Is(chunk.type, "movi")) {
      moviTag = at + 8;
      moviEnd = at + 8 + chunk.size;
    } else if (Is(chunk.tag, "idx1")) {
      indexAt = at + 8;
      indexBytes = chunk.size;
      haveIndex = true;
    }
    at += 8 + uint64_t(chunk.size) + (chunk.size & 1);
  }
  if (!haveHeaders || moviTag == 0 || !haveIndex) return false;
  if (!CheckIndex(file, indexAt, indexBytes, moviTag, moviEnd, reads, facts)) return false;
  if (facts.videoEntries == 0 && facts.length != 0) return false;
  if (result) *result = facts;
  return true;
}
}  // namespace

bool CheckAviFile(const std::string& path, AviFacts* facts) { return Check(path, ChunkReads::Every, facts); }

bool CheckAviFileEnds(const std::string& path, AviFacts* facts) { return Check(path, ChunkReads::Ends, facts); }
