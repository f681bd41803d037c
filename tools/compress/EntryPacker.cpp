#include "tools/compress/EntryPacker.h"

#include "framework/Handles.h"
#include "tools/compress/WinZipAes.h"

#include <zlib.h>

#include <memory>
#include <vector>

namespace {
constexpr size_t kChunkSize = 1 << 20;
// Deflate is used when it brings the first chunk below this share of its size.
constexpr double kWorthDeflating = 0.97;

// Raw deflate (no zlib header), as zip stores it.
class Deflater {
public:
  explicit Deflater(int level) {
    ok_ = deflateInit2(&stream_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~Deflater() { if (ok_) deflateEnd(&stream_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;
  bool Ok() const { return ok_; }

  // Compresses `size` bytes (or finishes the stream when `finish`), passing each piece of
  // output to `sink`; false when zlib or the sink fails.
  template <typename Sink>
  bool Run(const uint8_t* data, size_t size, bool finish, Sink&& sink) {
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(size);
    for (;;) {
      stream_.next_out = out_;
      stream_.avail_out = sizeof(out_);
      int status = deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
      if (status == Z_STREAM_ERROR) return false;
      size_t produced = sizeof(out_) - stream_.avail_out;
      if (produced > 0 && !sink(out_, produced)) return false;
      if (finish ? status == Z_STREAM_END : (stream_.avail_in == 0 && stream_.avail_out != 0))
        return true;
    }
  }

private:
  z_stream stream_ = {};
  bool ok_ = false;
  uint8_t out_[256 * 1024];
};

// Whether deflate shrinks this sample enough to be worth its time when unpacking.
bool DeflateShrinks(const std::vector<uint8_t>& sample) {
  if (sample.empty()) return false;
  std::unique_ptr<Deflater> probe(new Deflater(Z_BEST_SPEED));
  size_t packed = 0;
  if (!probe->Ok() || !probe->Run(sample.data(), sample.size(), true,
                                  [&](const uint8_t*, size_t n) { packed += n; return true; }))
    return false;
  return packed < sample.size() * kWorthDeflating;
}

// Reads up to one chunk, never past `left` bytes; false on a read error.
bool ReadChunk(HANDLE file, std::vector<uint8_t>& chunk, uint64_t& left) {
  size_t want = static_cast<size_t>(std::min<uint64_t>(left, kChunkSize));
  chunk.resize(want);
  size_t got = 0;
  while (got < want) {
    DWORD n = 0;
    if (!ReadFile(file, chunk.data() + got, static_cast<DWORD>(want - got), &n, nullptr)) return false;
    if (n == 0) break;  // the file became shorter; pack what is there
    got += n;
  }
  chunk.resize(got);
  left = got < want ? 0 : left - got;
  return true;
}

std::string LocalHeader(const zip::CentralRecord& record, bool zip64) {
  using namespace zip;
  std::string header;
  Put32(header, kLocalHeaderSignature);
  Put16(header, zip64 && record.versionNeeded < kVersionZip64 ? kVersionZip64 : record.versionNeeded);
  Put16(header, record.flags);
  Put16(header, record.method);
  Put16(header, record.dosTime);
  Put16(header, record.dosDate);
  Put32(header, record.crc);
  Put32(header, zip64 ? kZip64Marker32 : static_cast<uint32_t>(record.compressedSize));
  Put32(header, zip64 ? kZip64Marker32 : static_cast<uint32_t>(record.uncompressedSize));
  Put16(header, static_cast<uint16_t>(record.name.size()));
  Put16(header, static_cast<uint16_t>((zip64 ? 20 : 0) + record.extra.size()));
  header += record.name;
  if (zip64) {
    Put16(header, kExtraZip64);
    Put16(header, 16);
    Put64(header, record.uncompressedSize);
    Put64(header, record.compressedSize);
  }
  header += record.extra;
  return header;
}

zip::CentralRecord RecordFor(const SourceItem& item) {
  zip::CentralRecord record;
  record.flags = zip::kFlagUtf8;
  record.name = item.zipName;
  zip::ToDosDateTime(item.lastWrite, record.dosDate, record.dosTime);
  record.externalAttributes = item.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                 FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY |
                                                 FILE_ATTRIBUTE_ARCHIVE);
  return record;
}

PackResult Fatal(DWORD error) {
  PackResult result;
  result.outcome = PackOutcome::Fatal;
  result.error = error ? error : ERROR_WRITE_FAULT;
  return result;
}

PackResult WriteFailure(const OutputFile& archive) { return Fatal(archive.Error()); }

PackResult Unreadable(DWORD error) {
  PackResult result;
  result.outcome = PackOutcome::Unreadable;
  result.error = error ? error : ERROR_READ_FAULT;
  return result;
}

PackResult PackFolder(OutputFile& archive, const SourceItem& item, bool forceZip64) {
  PackResult result;
  result.record = RecordFor(item);
  result.record.localHeaderOffset = archive.Position();
  if (!archive.Write(LocalHeader(result.record, forceZip64))) return WriteFailure(archive);
  return result;
}

PackResult PackFile(OutputFile& archive, const SourceItem& item, const std::string& password,
                    bool forceZip64) {
  UniqueHandle file(CreateFileW(item.path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return Unreadable(GetLastError());
  // The size when the file is opened bounds what is packed, so a file that grows meanwhile
  // cannot outgrow the header chosen for it.
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size)) return Unreadable(GetLastError());
  uint64_t left = static_cast<uint64_t>(size.QuadPart);

  std::vector<uint8_t> chunk;
  if (!ReadChunk(file.Get(), chunk, left)) return Unreadable(GetLastError());
  bool deflate = DeflateShrinks(chunk);

  std::unique_ptr<WinZipAesEncryptor> encryptor = WinZipAesEncryptor::Create(password);
  if (!encryptor) return Fatal(ERROR_ENCRYPTION_FAILED);

  PackResult result;
  zip::CentralRecord& record = result.record;
  record = RecordFor(item);
  uint16_t realMethod = deflate ? zip::kMethodDeflated : zip::kMethodStored;
  record.versionNeeded = zip::kVersionAes;
  record.flags |= zip::kFlagEncrypted;
  record.method = zip::kMethodAes;
  record.crc = 0;  // AE-2 leaves the CRC out; the authentication code protects the data
  record.extra = zip::AesExtraField(realMethod);
  record.localHeaderOffset = archive.Position();
  bool zip64Local = forceZip64 || static_cast<uint64_t>(size.QuadPart) >= kZip64LocalThreshold;

  if (!archive.Write(LocalHeader(record, zip64Local)) || !archive.Write(encryptor->Header()))
    return WriteFailure(archive);
  uint64_t dataStart = archive.Position();
  auto encryptAndWrite = [&](const uint8_t* data, size_t n) {
    // The deflater's output buffer and the read chunk are ours to change until the next call.
    uint8_t* bytes = const_cast<uint8_t*>(data);
    return encryptor->Encrypt(bytes, n) && archive.Write(bytes, n);
  };

  std::unique_ptr<Deflater> deflater;
  if (deflate) {
    deflater.reset(new Deflater(Z_DEFAULT_COMPRESSION));
    if (!deflater->Ok()) return WriteFailure(archive);
  }
  uint64_t read = 0;
  for (;;) {
    read += chunk.size();
    bool last = left == 0;
    bool written = deflate ? deflater->Run(chunk.data(), chunk.size(), last, encryptAndWrite)
                           : (chunk.empty() || encryptAndWrite(chunk.data(), chunk.size()));
    if (!written) return WriteFailure(archive);
    if (last) break;
    if (!ReadChunk(file.Get(), chunk, left)) {
      DWORD error = GetLastError();
      // Take the half-written entry out again; the rest of the archive stays as it was.
      if (!archive.TruncateTo(record.localHeaderOffset)) return WriteFailure(archive);
      return Unreadable(error);
    }
  }

  uint8_t code[kAesAuthCodeSize];
  if (!encryptor->FinishAuthCode(code) || !archive.Write(code, sizeof(code)))
    return WriteFailure(archive);
  record.uncompressedSize = read;
  record.compressedSize = archive.Position() - dataStart + kAesSaltSize + kAesVerifierSize;
  // Sizes that would not fit the header chosen before packing cannot be stored correctly.
  if (!zip64Local && record.compressedSize >= zip::kZip64Marker32) return Fatal(ERROR_FILE_TOO_LARGE);
  if (!archive.WriteAt(record.localHeaderOffset, LocalHeader(record, zip64Local)))
    return WriteFailure(archive);
  return result;
}
}  // namespace

PackResult PackEntry(OutputFile& archive, const SourceItem& item, const std::string& password,
                     bool forceZip64) {
  return item.isFolder ? PackFolder(archive, item, forceZip64)
                       : PackFile(archive, item, password, forceZip64);
}
