// The designer's tests work in a scratch folder with a fresh mailsort.mdb.
#pragma once

#include "common/testing/scratchfolder.h"

namespace qv::designer::test {

using ScratchFolder = qv::test::ScratchFolder;

}  // namespace qv::designer::test
