// Reaching up through a folder of the include path by a short name: refused.
#pragma once
#include <words.h>
