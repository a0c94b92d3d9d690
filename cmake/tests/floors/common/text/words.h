// A header of common/ that an extra include folder reaches by its short name.
#pragma once
