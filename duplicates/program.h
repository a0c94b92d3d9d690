// The duplicate checker program: the file chooser as its start form, the
// key-field form an accepted file opens, and the run form its OK opens.
//
// The forms stay in step: a file chosen again while a key-field form is open
// replaces that form, so the list and the run always belong to one file; the
// chooser and the key-field form take no input while a run is going on.
#pragma once

#include "common/filesel/frmfilesel.h"

#include <functional>

namespace qv::duplicates {

class KeyFieldsWindow;
class CheckWindow;

struct ProgramHooks {
    // Called on every run form before it loads (tests answer its dialog here).
    std::function<void(CheckWindow&)> prepareRun;
    // Ends the program with its exit status (1 after an unexpected error);
    // by default the application quits with it.
    std::function<void(int status)> endProgram;
};

// The start form, not yet shown; the program's forms delete themselves when
// they close. F1 is switched off for the program: it has no help.
filesel::FileChooser* makeStartForm(ProgramHooks hooks = {});

// The key-field form now open for the chooser, or null.
KeyFieldsWindow* keyFieldsOf(const filesel::FileChooser& chooser);
// The run form now open for the chooser, or null.
CheckWindow* runOf(const filesel::FileChooser& chooser);

}  // namespace qv::duplicates
