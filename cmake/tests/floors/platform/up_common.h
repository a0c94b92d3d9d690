// The platform reaching up into common/: refused.
#pragma once
#include "platform/base.h"
#include "common/base.h"
