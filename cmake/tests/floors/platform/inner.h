#pragma once
#include "common/base.h"
