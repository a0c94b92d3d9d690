// Reaching up by a path relative to this file: refused all the same.
#pragma once
#include "../common/base.h"
