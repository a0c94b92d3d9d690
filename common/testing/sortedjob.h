// A job standing sorted in mailsort.mdb of the current folder: one address
// in mmwork, one bags row, and the keys of parmcode as they stand kept as
// those it was sorted by.
#pragma once

namespace qv::testkit {

void writeSortedJob();

}  // namespace qv::testkit
