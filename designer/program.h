// The layout designer program: the file chooser as its start form, and the
// designer form that an accepted file opens.
#pragma once

#include "common/filesel/frmfilesel.h"

namespace qv::designer {

class DesignerWindow;

// The start form, not yet shown; it deletes itself when it closes.
filesel::FileChooser* makeStartForm();

// What the chooser does with an accepted file: loads frmDovanet, shows it
// and hands it the headings answer and the path. Null when the form could
// not load (it has said why).
DesignerWindow* showDesigner(const filesel::FileChooser::Accepted& accepted);

}  // namespace qv::designer
