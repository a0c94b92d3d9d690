// A text from the plain C++ layers (std::string, UTF-8) as Qt's QString:
// one spelling for the forms and the engines that hand such texts to Qt.
#pragma once

#include <QString>

#include <string>

namespace qv::platform {

inline QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace qv::platform
