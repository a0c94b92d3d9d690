// Setting and reading parmcode keys of the current folder's database from a
// test, each in one open and close.
#pragma once

#include "common/db/value.h"

#include <map>
#include <string>

namespace qv::testkit {

void setParmKeys(const std::map<std::string, db::Value>& values);
std::string parmKeyText(const std::string& key);

}  // namespace qv::testkit
