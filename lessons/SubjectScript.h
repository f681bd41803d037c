// The course page's copy of a lesson's subject: "subject.js" beside "subject.txt", one line
// that sets `lessonSubject` to the subject's file form. Browsers refuse a page opened from disk
// to read a sibling text file, but they run a sibling script, so the page loads this one.
#pragma once
#include <string>

// "subject.js" in the folder of the subject file.
std::string SubjectScriptPath(const std::string& subjectPath);
// The script for a subject in its file form (ANSI). Every character outside printable ASCII,
// and every quote, backslash and angle bracket, is written as a \uXXXX escape, so the script is
// plain ASCII and reads the same whatever encoding the browser assumes.
std::string SubjectScriptText(const std::string& fileText);
// True when the subject file belongs to a course page: it lies in an "html" folder whose
// parent holds "index.htm", as in every lesson folder.
bool IsCoursePageSubject(const std::string& subjectPath);
// Writes the script for the subject file's current contents; true on success.
bool WriteSubjectScript(const std::string& subjectPath);
