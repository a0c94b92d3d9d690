// A header of the benchmarks, the top floor.
#pragma once
#include "sortation/sort.h"
