// The designer's tests work in the shared scratch folder.
#pragma once

#include "common/testing/scratch.h"

namespace qv::designer::test {

using qv::testkit::ScratchFolder;

}  // namespace qv::designer::test
