// Its own floor and the ones below, and headers outside the tree: passes.
#include "sortation/sort.h"
#include "common/base.h"
#include "platform/base.h"
#include <string>
#include "no/such/header.h"
