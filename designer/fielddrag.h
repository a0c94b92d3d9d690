// The drag of a field caption between the field list and the part boxes.
#pragma once

#include <QString>

class QDropEvent;
class QWidget;

namespace qv::designer {

// The MIME type of a caption dragged inside the form; drops of anything else
// are refused.
inline constexpr const char* FieldMimeType = "application/x-quorvel-layout-field";

// Starts dragging the caption from source; returns when it is dropped.
void startFieldDrag(QWidget* source, const QString& caption);
// Takes a drag or drop of one of our field captions and refuses any other.
bool acceptFieldDrag(QDropEvent* e);

}  // namespace qv::designer
