// A header of the platform: every floor may include it.
#pragma once
#include <vector>
