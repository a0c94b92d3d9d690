// A header of a program.
#pragma once
#include "common/base.h"
