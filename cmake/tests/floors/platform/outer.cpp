// Clean itself, but a header it includes reaches up: refused there.
#include "platform/inner.h"
