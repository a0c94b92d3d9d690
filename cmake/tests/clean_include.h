// Sample for the engine include check: QtCore and our own headers only.
#include <QString>
#include "common/db/database.h"
#include "platform/printer.h"
