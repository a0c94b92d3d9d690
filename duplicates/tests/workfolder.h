// The checker's tests work in a scratch folder with the delivered DupWork.mdb.
#pragma once

#include "common/testing/scratchfolder.h"

namespace qv::duplicates::test {

using WorkFolder = qv::test::ScratchFolder;

}  // namespace qv::duplicates::test
