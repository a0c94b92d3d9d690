// A header of common/: every floor above the platform may include it.
#pragma once
