// The command line that asks the archiver "compress.exe" to pack a lesson, and the names it uses.
#pragma once
#include <string>

// The argument as the Windows command-line rules read it back unchanged: left as it is when
// it has no blank, tab or quote, otherwise quoted, with the quotes inside escaped and the
// backslashes before them doubled. Works on characters, not bytes, because the second byte
// of a GBK character may have the value of a backslash.
std::string QuoteArgumentIfNeeded(const std::string& argument);

// " a -tzip -p%s "%s\%s" "%s\*" -r" from password, save folder, file name and source folder;
// the password is quoted when it needs it, so that blanks and quotes in it arrive unchanged.
std::string PackageParameters(const std::string& password, const std::string& saveFolder,
                              const std::string& fileName, const std::string& sourceFolder);

// The archive the archiver makes: "<save folder>\<file name>", with ".zip" appended when
// the name has no extension.
std::string PackageArchivePath(const std::string& saveFolder, const std::string& fileName);

// Why a typed file name cannot name an archive, as the message to show; empty when it can.
std::string FileNameProblem(const std::string& fileName);
