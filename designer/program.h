// The layout designer program: the file chooser as its start form, and the
// designer form that an accepted file opens.
#pragma once

#include "common/filesel/frmfilesel.h"

#include <functional>

namespace qv::designer {

class DesignerWindow;

// Ends the program with its exit status: the designer's end handler.
using EndProgram = std::function<void(int status)>;

// The start form, not yet shown; it deletes itself when it closes. The
// designer forms it opens end the program through `end` after a failure.
filesel::FileChooser* makeStartForm(EndProgram end = {});

// What the chooser does with an accepted file: loads frmDovanet, shows it
// and hands it the headings answer and the path. Null when the form could
// not load (it has said why and ended the program through `end`).
DesignerWindow* showDesigner(const filesel::FileChooser::Accepted& accepted, const EndProgram& end = {});

// The program as main runs it: the chooser, then the designer, until the last
// window closes (status 0) or a failure's message ends it (status 1).
// Returns the exit status.
int runDovanet();

}  // namespace qv::designer
