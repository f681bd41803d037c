// Writes one file or folder of the source tree as an encrypted entry of the archive.
#pragma once
#include "tools/compress/OutputFile.h"
#include "tools/compress/SourceTree.h"
#include "tools/compress/ZipFormat.h"

#include <string>

enum class PackOutcome {
  Packed,
  Unreadable,   // the file could not be opened or read; nothing of it stays in the archive
  Fatal,        // the archive could not be written or encrypted
};

struct PackResult {
  PackOutcome outcome = PackOutcome::Packed;
  zip::CentralRecord record;  // valid when Packed
  DWORD error = 0;            // system error of a failure
};

// Files from this size on get a Zip64 field in their local header too, because their packed
// size is only known afterwards. The margin below 4 GiB covers what deflate and the
// encryption can add (deflate adds at most about 0.03% plus a few bytes).
constexpr uint64_t kZip64LocalThreshold = 0xF0000000ull;

// Packs `item` at the archive's current end with the password (UTF-8). Folders become empty
// unencrypted entries. Files are deflated, or stored when deflate does not shrink their
// first megabyte, and read in chunks so that no file is ever held in memory as a whole.
PackResult PackEntry(OutputFile& archive, const SourceItem& item, const std::string& password,
                     bool forceZip64);
