// Reading and saving subject files ("subject.txt": ANSI text in the file form).
#pragma once
#include "framework/WholeFile.h"

#include <windows.h>
#include <string>

// Only the beginning of a longer subject file is read.
constexpr DWORD kSubjectReadLimit = 102400;

// The file's first kSubjectReadLimit bytes as stored. The file is opened without sharing and
// created empty when missing (in an existing folder); an unreadable file reads as empty.
std::string ReadSubjectFileBytes(const std::string& path);
// The subject as shown: the bytes read, converted with FromHtmlText.
std::string ReadSubject(const std::string& path);

// Stores a subject as shown (converted with ToHtmlText) and, when the file belongs to a course
// page, refreshes the page's copy of it. True when the subject file was replaced.
bool SaveSubject(const std::string& path, const std::string& shownText);
