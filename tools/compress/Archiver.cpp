#include "tools/compress/Archiver.h"

#include "tools/compress/EntryPacker.h"
#include "tools/compress/ExistingArchive.h"
#include "tools/compress/SourceTree.h"

#include <windows.h>
#include <set>

namespace {
std::wstring FullPath(const std::wstring& path) {
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  full.resize(length);
  return full;
}

// An entry name as a key that matches the way Windows matches file names.
std::wstring NameKey(const zip::CentralRecord& record) {
  UINT codePage = (record.flags & zip::kFlagUtf8) ? CP_UTF8 : CP_OEMCP;
  int count = MultiByteToWideChar(codePage, 0, record.name.data(), static_cast<int>(record.name.size()),
                                  nullptr, 0);
  std::wstring key(static_cast<size_t>(count), L'\0');
  if (count > 0)
    MultiByteToWideChar(codePage, 0, record.name.data(), static_cast<int>(record.name.size()), &key[0],
                        count);
  for (wchar_t& c : key)
    if (c == L'\\') c = L'/';
  if (!key.empty()) CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
  return key;
}

// A file next to the archive that receives the new archive until it is complete.
bool CreateTemporaryArchive(const std::wstring& archive, OutputFile& out, std::wstring& path) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    wchar_t suffix[40];
    wsprintfW(suffix, L".%lx%x.tmp", GetCurrentProcessId(), GetTickCount() + attempt);
    path = archive + suffix;
    if (out.CreateNew(path)) return true;
    if (out.Error() != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

class Run {
public:
  Run(const AddRequest& request, const ArchiveOptions& options)
      : archivePath_(FullPath(request.archive)), sourceFolder_(FullPath(request.sourceFolder)),
        password_(ToUtf8(request.password)), options_(options) {}

  ArchiveReport Execute() {
    if (!Prepare() || !PackSource() || !CopyKeptEntries() || !Finish()) {
      Discard();
      report_.exitCode = kExitFatal;
      return report_;
    }
    report_.entriesWritten = records_.size();
    report_.exitCode = report_.warnings.empty() ? kExitSuccess : kExitWarnings;
    return report_;
  }

private:
  bool Fail(const std::wstring& why) {
    report_.fatal = why;
    return false;
  }

  bool Prepare() {
    DWORD source = GetFileAttributesW(sourceFolder_.c_str());
    if (source == INVALID_FILE_ATTRIBUTES || !(source & FILE_ATTRIBUTE_DIRECTORY))
      return Fail(L"the source folder does not exist: " + sourceFolder_);
    DWORD target = GetFileAttributesW(archivePath_.c_str());
    if (target != INVALID_FILE_ATTRIBUTES) {
      if (target & FILE_ATTRIBUTE_DIRECTORY) return Fail(L"the archive name is a folder: " + archivePath_);
      std::wstring problem;
      if (!existing_.Open(archivePath_, problem)) return Fail(problem + L": " + archivePath_);
      addingToExisting_ = true;
    }
    if (!CreateTemporaryArchive(archivePath_, out_, temporaryPath_)) {
      temporaryPath_.clear();
      return Fail(L"cannot create the archive " + archivePath_ + L": " + SystemMessage(out_.Error()));
    }
    return true;
  }

  bool PackSource() {
    // The archive may lie inside the folder it packs; neither it nor its temporary is packed.
    SourceTree tree = ListSourceTree(sourceFolder_, {archivePath_, temporaryPath_});
    for (const std::wstring& folder : tree.unreadableFolders)
      report_.warnings.push_back(L"cannot read the folder " + folder);
    for (const SourceItem& item : tree.items) {
      PackResult packed = PackEntry(out_, item, password_, options_.forceZip64);
      if (packed.outcome == PackOutcome::Fatal)
        return Fail(L"cannot write the archive " + archivePath_ + L": " + SystemMessage(packed.error));
      if (packed.outcome == PackOutcome::Unreadable) {
        report_.warnings.push_back(L"cannot read " + item.path + L": " + SystemMessage(packed.error));
        continue;
      }
      packedNames_.insert(NameKey(packed.record));
      records_.push_back(packed.record);
    }
    return true;
  }

  // Entries of the existing archive stay unless a file of the same name was packed now; a
  // file that could not be read keeps its earlier version.
  bool CopyKeptEntries() {
    if (!addingToExisting_) return true;
    for (const zip::CentralRecord& record : existing_.Records()) {
      if (packedNames_.count(NameKey(record))) continue;
      zip::CentralRecord moved;
      std::wstring problem;
      if (!existing_.CopyEntry(record, out_, moved, problem))
        return Fail(problem + L": " + archivePath_);
      records_.push_back(moved);
    }
    existing_.Close();
    return true;
  }

  bool Finish() {
    uint64_t directoryOffset = out_.Position();
    for (const zip::CentralRecord& record : records_)
      if (!out_.Write(zip::CentralHeader(record, options_.forceZip64))) break;
    uint64_t directorySize = out_.Position() - directoryOffset;
    out_.Write(zip::EndRecords(records_.size(), directoryOffset, directorySize, out_.Position(),
                               options_.forceZip64));
    if (!out_.Close())
      return Fail(L"cannot write the archive " + archivePath_ + L": " + SystemMessage(out_.Error()));
    if (!MoveFileExW(temporaryPath_.c_str(), archivePath_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return Fail(L"cannot replace the archive " + archivePath_ + L": " + SystemMessage(GetLastError()));
    temporaryPath_.clear();
    return true;
  }

  void Discard() {
    existing_.Close();
    out_.Close();
    if (!temporaryPath_.empty()) DeleteFileW(temporaryPath_.c_str());
  }

  std::wstring archivePath_, sourceFolder_;
  std::string password_;
  ArchiveOptions options_;
  ArchiveReport report_;
  ExistingArchive existing_;
  bool addingToExisting_ = false;
  OutputFile out_;
  std::wstring temporaryPath_;
  std::vector<zip::CentralRecord> records_;
  std::set<std::wstring> packedNames_;
};
}  // namespace

ArchiveReport AddToArchive(const AddRequest& request, const ArchiveOptions& options) {
  return Run(request, options).Execute();
}

std::wstring SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length ? std::wstring(text, length) : L"error " + std::to_wstring(error);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
    message.pop_back();
  return message;
}
