// Everything the programs use of the desktop layer, in one include.
#pragma once

#include "platform/app.h"
#include "platform/drives.h"
#include "platform/forms.h"
#include "platform/help.h"
#include "platform/launcher.h"
#include "platform/lptport.h"
#include "platform/messages.h"
#include "platform/numericbox.h"
#include "platform/printer.h"
