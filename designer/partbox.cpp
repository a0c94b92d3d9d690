#include "designer/partbox.h"

#include "designer/fielddrag.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QMouseEvent>

namespace qv::designer {

PartBox::PartBox(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setMouseTracking(true);
    setAcceptDrops(true);
    setDragEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void PartBox::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    selectAll();
}

void PartBox::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    selectAll();
    pressPos_ = e->position().toPoint();
    pressed_ = true;
    e->accept();
}

void PartBox::mouseMoveEvent(QMouseEvent* e) {
    e->accept();
    if (e->buttons() == Qt::NoButton) {
        if (onPointerMove) onPointerMove();
        return;
    }
    if (!pressed_ || !(e->buttons() & Qt::LeftButton)) return;
    if ((e->position().toPoint() - pressPos_).manhattanLength() < QApplication::startDragDistance()) return;
    pressed_ = false;
    if (text().isEmpty()) return;
    if (onDragStart) onDragStart();
    startFieldDrag(this, text());
}

void PartBox::mouseReleaseEvent(QMouseEvent* e) {
    pressed_ = false;
    e->accept();
}

void PartBox::mouseDoubleClickEvent(QMouseEvent* e) { e->accept(); }

void PartBox::dragEnterEvent(QDragEnterEvent* e) { acceptFieldDrag(e); }

void PartBox::dragMoveEvent(QDragMoveEvent* e) { acceptFieldDrag(e); }

void PartBox::dropEvent(QDropEvent* e) {
    if (acceptFieldDrag(e) && onDrop) onDrop();
}

}  // namespace qv::designer
