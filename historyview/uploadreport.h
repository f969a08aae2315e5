// UploadReport: one recorded upload as a one-page PDF to print, sign and file
// with the instrument's papers: what was programmed, into which port and
// adapter, when, by whom, the result, the link figures, the values sent, and
// a line for a signature. Written with Qt's PDF writer; needs Qt Gui only, so
// korapc-program can write it with no display. The interface has no Qt types.
#pragma once

#include <string>

#include "history/uploadrecord.h"

enum class ReportPaper { A4, Letter };

// The paper of a locale, by its territory: Letter where it is the common size
// (the United States, Canada, Mexico, Puerto Rico, the Philippines, Chile,
// Colombia, Venezuela and Central America), A4 everywhere else. localeName is
// a locale name as QLocale reads it ("en_US", "fr_CA.UTF-8", "de_DE"); an
// empty or unknown name gives A4.
ReportPaper ReportPaperFor(const std::string& localeName);

// The paper of the user's locale: LC_PAPER, where set, else as QLocale takes
// the system's locale.
ReportPaper SystemReportPaper();

// Writes record as a PDF of exactly one page of the given paper at path
// (UTF-8), replacing any file there; the text is made smaller when it would
// not fit. Needs a QGuiApplication. Returns true; false when the file cannot
// be written, with the reason in error.
bool WriteUploadReport(const UploadRecord& record, const std::string& path, ReportPaper paper,
                       std::string& error);

// As WriteUploadReport on SystemReportPaper(), for a program without a
// window: when no Qt application object exists it makes a QGuiApplication on
// the "offscreen" platform for the call, so that no display is needed. Fails
// (with error) when another kind of Qt application object exists already.
// Call from the program's main thread.
bool WriteUploadReportOffscreen(const UploadRecord& record, const std::string& path,
                                std::string& error);
