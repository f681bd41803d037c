// Puts right two things in the file the merge saved that Wine's AVISaveV gets wrong (on a
// file that has them right, nothing changes):
// - its index lists each stream's entries together, the video's first, so its first entry is
//   not the first chunk; a reader that takes the index offsets as counted from the file's start
//   when the first one lies beyond the "movi" tag (ffmpeg does) reads the wrong bytes once it
//   goes by the index, which it does for a file shorter than the sound read ahead of the first
//   frame (0.75 s). The entries are put in file order.
// - the sound stream's header gives a length that is not its samples; it is set from the bytes
//   the index holds for the stream.
#pragma once
#include <windows.h>
#include <string>

// The merge saves into a file of its own beside the final one and tidies that file in place
// (the recording's temporary files still hold everything), so a write that breaks off here never
// touches a file the teacher has.
enum class TidyResult {
  Done,          // the file was right, or was put right
  NotUnderstood, // its layout is not the one expected; it was left as the save wrote it
  WriteFailed,   // a write broke off: the file can no longer be trusted
};
TidyResult TidyMergedAvi(const std::string& path);

// The file write call of the tidy-up (WriteFile); tests replace it to make a write stop half way
// as a full disk or a power cut would. nullptr restores the real call.
using MergedAviWriteCall = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
void SetMergedAviWriteForTests(MergedAviWriteCall call);
