#include "testbed/writer/AsfFile.h"

#include <algorithm>
#include <cstring>

namespace testbed {
namespace {

// Object and type identifiers of the published ASF format.
const GUID kHeaderObject = {0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
const GUID kDataObject = {0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
const GUID kSimpleIndexObject = {0x33000890, 0xE5B1, 0x11CF, {0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB}};
const GUID kFilePropertiesObject = {0x8CABDCA1, 0xA947, 0x11CF, {0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
const GUID kStreamPropertiesObject = {0xB7DC0791, 0xA9B7, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
const GUID kHeaderExtensionObject = {0x5FBF03B5, 0xA92E, 0x11CF, {0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
const GUID kHeaderExtensionReserved = {0xABD3D211, 0xA9BA, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
const GUID kAudioMedia = {0xF8699E40, 0x5B4D, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B}};
const GUID kVideoMedia = {0xBC19EFC0, 0x5B4D, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B}};
const GUID kNoErrorCorrection = {0x20FB5700, 0x5B55, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B}};

constexpr uint32_t kPacketHeaderBytes = 14;
constexpr uint32_t kPayloadHeaderBytes = 17;
constexpr int kMaxPayloadsPerPacket = 63;
constexpr uint32_t kIndexIntervalMs = 1000;
constexpr uint32_t kFilePropertiesBytes = 104;
constexpr uint32_t kStreamPropertiesBytes = 78;
constexpr uint32_t kHeaderExtensionBytes = 46;
constexpr uint32_t kDataObjectHeaderBytes = 50;

// Little-endian field writer.
class Bytes {
public:
  explicit Bytes(std::vector<uint8_t>& out) : out_(out) {}
  Bytes& U8(uint8_t v) { out_.push_back(v); return *this; }
  Bytes& U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }
  Bytes& U32(uint32_t v) { return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16)); }
  Bytes& U64(uint64_t v) { return U32(static_cast<uint32_t>(v)).U32(static_cast<uint32_t>(v >> 32)); }
  Bytes& Guid(const GUID& g) {
    U32(g.Data1).U16(g.Data2).U16(g.Data3);
    return Raw(g.Data4, 8);
  }
  Bytes& Raw(const void* p, size_t n) {
    const uint8_t* b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
    return *this;
  }

private:
  std::vector<uint8_t>& out_;
};

uint32_t StreamTypeSpecificBytes(const AsfStream& s) {
  return s.video ? 11 + sizeof(BITMAPINFOHEADER) : sizeof(WAVEFORMATEX);
}

}  // namespace

HRESULT AsfFile::Create(const std::wstring& path, const std::vector<AsfStream>& streams) {
  if (streams.empty() || streams.size() > 127) return E_INVALIDARG;
  file_.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) return HRESULT_FROM_WIN32(GetLastError());
  streams_ = streams;
  CoCreateGuid(&fileId_);
  GetSystemTimeAsFileTime(&created_);
  packets_ = 0;
  objectNumbers_.assign(streams.size() + 1, 0);
  keyFrames_.clear();
  indexedStream_ = 0;
  for (size_t i = 0; i < streams.size(); ++i)
    if (streams[i].video && !indexedStream_) indexedStream_ = static_cast<int>(i + 1);
  payloads_.clear();
  payloadCount_ = 0;
  sendTime_ = 0;
  HRESULT hr = Write(HeaderObject(0, 0, 0));
  if (SUCCEEDED(hr)) hr = Write(DataObjectHeader());
  return hr;
}

std::vector<uint8_t> AsfFile::HeaderObject(uint64_t fileSize, uint64_t duration, uint32_t maxBitrate) const {
  uint64_t size = 30 + kFilePropertiesBytes + kHeaderExtensionBytes;
  for (const AsfStream& s : streams_) size += kStreamPropertiesBytes + StreamTypeSpecificBytes(s);

  std::vector<uint8_t> out;
  Bytes b(out);
  b.Guid(kHeaderObject).U64(size).U32(static_cast<uint32_t>(streams_.size() + 2)).U8(1).U8(2);

  uint64_t created = (static_cast<uint64_t>(created_.dwHighDateTime) << 32) | created_.dwLowDateTime;
  b.Guid(kFilePropertiesObject).U64(kFilePropertiesBytes).Guid(fileId_).U64(fileSize).U64(created)
      .U64(packets_)
      .U64(duration + static_cast<uint64_t>(kPrerollMs) * 10000)  // play duration includes the preroll
      .U64(duration)
      .U64(kPrerollMs)
      .U32(fileSize ? 0x02 : 0x00)  // seekable once finished; never a broadcast
      .U32(kPacketSize).U32(kPacketSize).U32(maxBitrate);

  for (size_t i = 0; i < streams_.size(); ++i) {
    const AsfStream& s = streams_[i];
    uint32_t specific = StreamTypeSpecificBytes(s);
    b.Guid(kStreamPropertiesObject).U64(kStreamPropertiesBytes + specific)
        .Guid(s.video ? kVideoMedia : kAudioMedia).Guid(kNoErrorCorrection)
        .U64(0).U32(specific).U32(0).U16(static_cast<uint16_t>(i + 1)).U32(0);
    if (s.video) {
      BITMAPINFOHEADER bih{};
      bih.biSize = sizeof(bih);
      bih.biWidth = s.width;
      bih.biHeight = s.height;
      bih.biPlanes = 1;
      bih.biBitCount = static_cast<WORD>(s.bitCount);
      bih.biCompression = s.compression;
      bih.biSizeImage = ((s.width * s.bitCount + 31) / 32) * 4 * s.height;
      b.U32(s.width).U32(s.height).U8(2).U16(sizeof(bih)).Raw(&bih, sizeof(bih));
    } else {
      WAVEFORMATEX wave = s.wave;
      wave.cbSize = 0;
      b.Raw(&wave, sizeof(wave));
    }
  }
  b.Guid(kHeaderExtensionObject).U64(kHeaderExtensionBytes).Guid(kHeaderExtensionReserved).U16(6).U32(0);
  return out;
}

std::vector<uint8_t> AsfFile::DataObjectHeader() const {
  std::vector<uint8_t> out;
  Bytes(out).Guid(kDataObject).U64(kDataObjectHeaderBytes + packets_ * kPacketSize).Guid(fileId_)
      .U64(packets_).U16(0x0101);
  return out;
}

HRESULT AsfFile::WriteObject(int number, uint32_t timeMs, bool keyFrame, const uint8_t* data, size_t size) {
  if (!file_) return E_UNEXPECTED;
  if (number < 1 || number > static_cast<int>(streams_.size()) || size == 0) return E_INVALIDARG;
  uint32_t time = timeMs + kPrerollMs;
  uint8_t objectNumber = objectNumbers_[number]++;
  bool indexed = keyFrame && number == indexedStream_;
  const uint32_t space = kPacketSize - kPacketHeaderBytes;
  size_t offset = 0;
  while (offset < size) {
    uint32_t used = static_cast<uint32_t>(payloads_.size());
    // Start a new packet rather than cut off a sliver: a fragment gets at least 64 bytes.
    bool full = payloadCount_ == kMaxPayloadsPerPacket || used + kPayloadHeaderBytes + 64 > space;
    if (full) {
      HRESULT hr = FlushPacket();
      if (FAILED(hr)) return hr;
      continue;
    }
    size_t chunk = std::min<size_t>(size - offset, space - used - kPayloadHeaderBytes);
    if (payloadCount_ == 0) sendTime_ = std::max(sendTime_, timeMs);
    if (indexed && offset == 0)
      keyFrames_.push_back({time, static_cast<uint32_t>(packets_), static_cast<uint32_t>(packets_)});
    if (indexed) keyFrames_.back().lastPacket = static_cast<uint32_t>(packets_);
    Bytes(payloads_).U8(static_cast<uint8_t>(number | (keyFrame ? 0x80 : 0))).U8(objectNumber)
        .U32(static_cast<uint32_t>(offset)).U8(8).U32(static_cast<uint32_t>(size)).U32(time)
        .U16(static_cast<uint16_t>(chunk)).Raw(data + offset, chunk);
    ++payloadCount_;
    offset += chunk;
  }
  return S_OK;
}

HRESULT AsfFile::FlushPacket() {
  if (payloadCount_ == 0) return S_OK;
  uint16_t padding = static_cast<uint16_t>(kPacketSize - kPacketHeaderBytes - payloads_.size());
  std::vector<uint8_t> packet;
  packet.reserve(kPacketSize);
  Bytes(packet)
      .U8(0x82).U8(0).U8(0)  // error correction data: two bytes, unused
      .U8(0x11)              // several payloads; padding length as a WORD; fixed packet size
      .U8(0x5D)              // replicated data length BYTE, offset DWORD, object number BYTE, stream BYTE
      .U16(padding).U32(sendTime_).U16(0)
      .U8(static_cast<uint8_t>(0x80 | payloadCount_))  // payload lengths as WORDs
      .Raw(payloads_.data(), payloads_.size());
  packet.resize(kPacketSize, 0);
  payloads_.clear();
  payloadCount_ = 0;
  HRESULT hr = Write(packet);
  if (SUCCEEDED(hr)) ++packets_;
  return hr;
}

std::vector<uint8_t> AsfFile::SimpleIndex(uint64_t duration) const {
  uint32_t entries = static_cast<uint32_t>((duration / 10000 + kPrerollMs) / kIndexIntervalMs + 1);
  uint32_t maxPackets = 0;
  for (const KeyFrame& k : keyFrames_) maxPackets = std::max(maxPackets, k.lastPacket - k.firstPacket + 1);
  std::vector<uint8_t> out;
  Bytes b(out);
  b.Guid(kSimpleIndexObject).U64(56 + 6ull * entries).Guid(fileId_)
      .U64(static_cast<uint64_t>(kIndexIntervalMs) * 10000).U32(maxPackets).U32(entries);
  size_t k = 0;
  for (uint32_t i = 0; i < entries; ++i) {
    uint32_t at = i * kIndexIntervalMs;
    while (k + 1 < keyFrames_.size() && keyFrames_[k + 1].time <= at) ++k;
    if (keyFrames_.empty()) {
      b.U32(0).U16(1);
    } else {
      const KeyFrame& key = keyFrames_[k];
      b.U32(key.firstPacket).U16(static_cast<uint16_t>(key.lastPacket - key.firstPacket + 1));
    }
  }
  return out;
}

HRESULT AsfFile::Finish(uint64_t duration) {
  if (!file_) return E_UNEXPECTED;
  HRESULT hr = FlushPacket();
  std::vector<uint8_t> index = indexedStream_ ? SimpleIndex(duration) : std::vector<uint8_t>();
  if (SUCCEEDED(hr)) hr = Write(index);
  std::vector<uint8_t> data = DataObjectHeader();
  uint64_t headerBytes = HeaderObject(0, 0, 0).size();
  uint64_t fileSize = headerBytes + data.size() + packets_ * kPacketSize + index.size();
  uint64_t ms = std::max<uint64_t>(duration / 10000, 1);
  uint32_t bitrate = static_cast<uint32_t>(std::min<uint64_t>(packets_ * kPacketSize * 8 * 1000 / ms, 0xFFFFFFFFu));
  if (SUCCEEDED(hr)) {
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file_.Get(), zero, nullptr, FILE_BEGIN)) hr = HRESULT_FROM_WIN32(GetLastError());
  }
  if (SUCCEEDED(hr)) hr = Write(HeaderObject(fileSize, duration, bitrate));
  if (SUCCEEDED(hr)) hr = Write(data);
  file_.Reset();
  return hr;
}

HRESULT AsfFile::Write(const std::vector<uint8_t>& bytes) {
  const uint8_t* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    DWORD written = 0;
    if (!WriteFile(file_.Get(), p, static_cast<DWORD>(left), &written, nullptr) || written == 0)
      return HRESULT_FROM_WIN32(GetLastError());
    p += written;
    left -= written;
  }
  return S_OK;
}

}  // namespace testbed
