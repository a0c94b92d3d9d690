// A part box of the designer: shows the caption assigned to its part; takes
// no typing, no cut or paste; a press selects the whole text and a drag
// takes it away.
#pragma once

#include <QLineEdit>
#include <QPoint>

#include <functional>

namespace qv::designer {

class PartBox : public QLineEdit {
public:
    // The pointer moved over the box with no button down; its caption's drag
    // begins; a caption was dropped on it.
    std::function<void()> onPointerMove, onDragStart, onDrop;

    explicit PartBox(QWidget* parent);

protected:
    void focusInEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    QPoint pressPos_;
    bool pressed_ = false;
};

}  // namespace qv::designer
