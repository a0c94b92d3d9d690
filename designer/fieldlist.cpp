#include "designer/fieldlist.h"

#include "designer/fielddrag.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMouseEvent>

namespace qv::designer {

FieldList::FieldList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

void FieldList::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() == Qt::NoButton && onPointerMove) onPointerMove();
    QListWidget::mouseMoveEvent(e);
    e->accept();  // not on to the form's background
}

void FieldList::startDrag(Qt::DropActions) {
    QListWidgetItem* item = currentItem();
    if (!item || !item->isSelected()) return;
    const QString caption = item->text();
    if (onDragStart) onDragStart();
    startFieldDrag(this, caption);
}

void FieldList::dragEnterEvent(QDragEnterEvent* e) { acceptFieldDrag(e); }

void FieldList::dragMoveEvent(QDragMoveEvent* e) { acceptFieldDrag(e); }

void FieldList::dropEvent(QDropEvent* e) {
    if (acceptFieldDrag(e) && onDrop) onDrop();
}

}  // namespace qv::designer
