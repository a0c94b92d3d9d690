// Program-wide set-up shared by every program of the suite.
#pragma once

#include <QString>

namespace qv::platform {

// Call once in main(), right after the QApplication is made: sets the
// program's title (message boxes carry it), the font substitutions for the
// report and form faces, the F1 help key, and the system's default printer
// as the one printer() gives (lives in qv_platform; the rest of this header in
// qv_print, which needs no widgets).
void initPlatform(const QString& programTitle);

// Title shown on message and input boxes that have no title of their own.
// Defaults to the application's display name.
QString programTitle();
void setProgramTitle(const QString& title);

// The one argument letter a program was started with ("C" for "lurrow.exe C"),
// or an empty text when it was started without one.
QString startArgument();

// Makes sure the faces the forms and reports name ("Courier New", "Arial",
// "Times New Roman") come out as metric-compatible faces. Safe to call again.
void installFontSubstitutions();

}  // namespace qv::platform
