#include "testbed/wmformat/WmWriter.h"

#include "testbed/wmformat/WmProfile.h"
#include "testbed/wmformat/WmStreamConfig.h"

#include <nserror.h>
#include <strsafe.h>

#include <vector>

namespace testbed {

namespace {
std::wstring GuidText(const GUID& guid) {
  if (guid == kWmSubtypeMss1) return L"MSS1";
  if (guid == kWmSubtypeMss2) return L"MSS2";
  if (guid == kWmSubtypeWmv3) return L"WMV3";
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  return text;
}

// "stream 1 "Screen" MSS2 1366x768 500000 bps 1.0 s/frame buffer 3000 ms"
std::wstring Describe(WmStreamConfig* stream) {
  DWORD window = 0;
  stream->GetBufferWindow(&window);
  const WM_MEDIA_TYPE* type = stream->MediaType().Get();
  const VIDEOINFOHEADER* info = stream->MediaType().VideoInfo();
  wchar_t text[512];
  StringCchPrintfW(text, 512, L"stream %u \"%ls\" %ls %ldx%ld %lu bps, format %lu bps %.1f s/frame, buffer %lu ms",
           stream->Number(), stream->Name().c_str(), GuidText(type->subtype).c_str(),
           info ? info->bmiHeader.biWidth : 0L, info ? info->bmiHeader.biHeight : 0L, stream->BitRate(),
           info ? info->dwBitRate : 0UL, info ? info->AvgTimePerFrame / 1e7 : 0.0, window);
  return text;
}
}  // namespace

void ReportLine(const std::wstring& line) {
  wchar_t path[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"LUMORA_TESTBED_WM_REPORT", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  std::wstring text = line + L"\n";
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::vector<char> utf8(bytes);
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(file);
}

// --- inputs

void* WmInputProps::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == __uuidof(IWMMediaProps) || iid == __uuidof(IWMInputMediaProps)) {
    return static_cast<IWMInputMediaProps*>(this);
  }
  return nullptr;
}

STDMETHODIMP WmInputProps::GetType(GUID* type) {
  if (!type) return E_POINTER;
  *type = majorType_;
  return S_OK;
}

STDMETHODIMP WmInputProps::SetMediaType(WM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  if (type->majortype != majorType_) return NS_E_INVALID_INPUT_FORMAT;
  return type_.Set(*type);
}

STDMETHODIMP WmInputProps::GetConnectionName(WCHAR* name, WORD* length) { return CopyName(connection_, name, length); }

STDMETHODIMP WmInputProps::GetGroupName(WCHAR* name, WORD* length) { return CopyName(L"", name, length); }

// --- writer

WmWriter::~WmWriter() { ReleaseInputs(); }

void WmWriter::ReleaseInputs() {
  for (WmInputProps* input : inputs_) input->Release();
  inputs_.clear();
}

void* WmWriter::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == __uuidof(IWMWriter)) return static_cast<IWMWriter*>(this);
  return nullptr;
}

STDMETHODIMP WmWriter::SetProfile(IWMProfile* profile) {
  if (!profile) return E_POINTER;
  DWORD count = 0;
  HRESULT hr = profile->GetStreamCount(&count);
  if (FAILED(hr)) return hr;
  if (count == 0) return NS_E_INVALID_REQUEST;
  std::vector<WmInputProps*> inputs;
  std::vector<std::wstring> lines;
  for (DWORD i = 0; i < count && SUCCEEDED(hr); ++i) {
    IWMStreamConfig* config = nullptr;
    hr = profile->GetStream(i, &config);
    if (FAILED(hr)) break;
    WmStreamConfig* stream = nullptr;
    hr = WmStreamConfig::CopyOf(config, &stream);
    config->Release();
    if (FAILED(hr)) break;
    GUID type;
    stream->GetStreamType(&type);
    const VIDEOINFOHEADER* info = stream->MediaType().VideoInfo();
    if (stream->MediaType().Empty() || stream->BitRate() == 0) {
      hr = NS_E_INVALID_OUTPUT_FORMAT;
    } else if (type == kWmVideo && (!info || info->bmiHeader.biWidth <= 0 || info->bmiHeader.biHeight <= 0)) {
      hr = NS_E_INVALID_OUTPUT_FORMAT;
    } else {
      lines.push_back(L"SetProfile: " + Describe(stream));
      std::wstring connection = stream->Name().empty() ? L"Stream" : stream->Name();
      // Video comes in as uncompressed 24-bit frames of the stream's size.
      WmMediaType input = type == kWmVideo
                              ? MakeVideoType(kWmSubtypeRgb24, BI_RGB, 24, info->bmiHeader.biWidth,
                                              info->bmiHeader.biHeight, 0, info->AvgTimePerFrame, false)
                              : stream->MediaType();
      inputs.push_back(new WmInputProps(connection, type, input));
    }
    stream->Release();
  }
  if (FAILED(hr)) {
    for (WmInputProps* input : inputs) input->Release();
    return hr;
  }
  ReleaseInputs();
  inputs_.swap(inputs);
  configured_ = true;
  for (const std::wstring& line : lines) ReportLine(line);
  return S_OK;
}

STDMETHODIMP WmWriter::SetOutputFilename(const WCHAR* name) {
  if (!name || !*name) return E_INVALIDARG;
  fileName_ = name;
  ReportLine(L"SetOutputFilename: " + fileName_);
  return S_OK;
}

STDMETHODIMP WmWriter::GetInputCount(DWORD* count) {
  if (!count) return E_INVALIDARG;
  if (!configured_) return NS_E_INVALID_REQUEST;
  *count = static_cast<DWORD>(inputs_.size());
  return S_OK;
}

STDMETHODIMP WmWriter::GetInputProps(DWORD input, IWMInputMediaProps** props) {
  if (!props) return E_INVALIDARG;
  *props = nullptr;
  if (!configured_) return NS_E_INVALID_REQUEST;
  if (input >= inputs_.size()) return E_INVALIDARG;
  *props = inputs_[input]->Copy();
  return S_OK;
}

STDMETHODIMP WmWriter::SetInputProps(DWORD input, IWMInputMediaProps* props) {
  if (!configured_) return NS_E_INVALID_REQUEST;
  if (input >= inputs_.size()) return E_INVALIDARG;
  if (!props) return E_POINTER;
  DWORD size = 0;
  HRESULT hr = props->GetMediaType(nullptr, &size);
  if (FAILED(hr) || size < sizeof(WM_MEDIA_TYPE)) return FAILED(hr) ? hr : E_INVALIDARG;
  std::vector<BYTE> block(size);
  auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(block.data());
  hr = props->GetMediaType(type, &size);
  if (FAILED(hr)) return hr;
  return inputs_[input]->SetMediaType(type);
}

STDMETHODIMP WmWriter::GetInputFormatCount(DWORD input, DWORD* count) {
  if (!count) return E_INVALIDARG;
  if (!configured_) return NS_E_INVALID_REQUEST;
  if (input >= inputs_.size()) return E_INVALIDARG;
  *count = 1;
  return S_OK;
}

STDMETHODIMP WmWriter::GetInputFormat(DWORD input, DWORD format, IWMInputMediaProps** props) {
  if (format != 0) return E_INVALIDARG;
  return GetInputProps(input, props);
}

STDMETHODIMP WmWriter::BeginWriting() {
  if (!configured_ || fileName_.empty()) return NS_E_INVALID_REQUEST;
  return E_NOTIMPL;
}

STDMETHODIMP WmWriter::EndWriting() {
  ReportLine(L"EndWriting: not writing");
  return NS_E_INVALID_REQUEST;
}

}  // namespace testbed
