// Test doubles that the GoogleTest main installs fresh before every test, so
// that no test shows a real box, starts a program or prints.
#pragma once

#include "platform/testing/recordinglauncher.h"
#include "platform/testing/scriptedmessages.h"
#include "platform/testing/recordingport.h"
#include "platform/testing/recordingprinter.h"

namespace qv::platform::testing {

// Replaces the process-wide services with new scripted / recording ones.
void installTestServices();

// The services installed for the running test.
ScriptedMessageService& scriptedMessages();
RecordingLauncher& recordingLauncher();
RecordingPrinter& recordingPrinter();

}  // namespace qv::platform::testing
