// The designer's list of the file's fields: a drag source and a drop target
// for their captions.
#pragma once

#include <QListWidget>

#include <functional>

namespace qv::designer {

class FieldList : public QListWidget {
public:
    // The pointer moved over the list with no button down; a caption's drag
    // begins; a caption was dropped on the list.
    std::function<void()> onPointerMove, onDragStart, onDrop;

    explicit FieldList(QWidget* parent);

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void startDrag(Qt::DropActions) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
};

}  // namespace qv::designer
