// A program reaching up into the benchmarks: refused.
#pragma once
#include "bench/helper.h"
