#include "designer/fielddrag.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace qv::designer {

void startFieldDrag(QWidget* source, const QString& caption) {
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(FieldMimeType), caption.toUtf8());
    mime->setText(caption);
    auto* drag = new QDrag(source);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

bool acceptFieldDrag(QDropEvent* e) {
    const QMimeData* m = e->mimeData();
    if (!m || !m->hasFormat(QString::fromLatin1(FieldMimeType))) {
        e->ignore();
        return false;
    }
    e->acceptProposedAction();
    return true;
}

}  // namespace qv::designer
