// common/ reaching up into a program: refused.
#pragma once
#include "common/base.h"
#include "sortation/sort.h"
