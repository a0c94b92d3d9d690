#include "console/stepicon.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qv::console {

namespace {

constexpr int kSize = 40;

QPixmap draw(StepIcon::Picture picture) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(40, 40, 40);
    p.setPen(QPen(ink, 1.5));
    switch (picture) {
    case StepIcon::Picture::Parameters: {
        // a form with ticked boxes
        p.setBrush(Qt::white);
        p.drawRect(QRectF(8, 4, 24, 32));
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 3; ++i) {
            const qreal y = 10 + i * 8;
            p.drawRect(QRectF(11, y, 5, 5));
            p.drawLine(QPointF(19, y + 2.5), QPointF(29, y + 2.5));
        }
        p.setPen(QPen(QColor(0, 130, 0), 2));
        p.drawLine(QPointF(11.5, 12), QPointF(13.5, 14.5));
        p.drawLine(QPointF(13.5, 14.5), QPointF(17, 9));
        break;
    }
    case StepIcon::Picture::Codes: {
        // an envelope with a code strip
        p.setBrush(QColor(250, 245, 225));
        p.drawRect(QRectF(3, 9, 34, 22));
        p.drawLine(QPointF(3, 9), QPointF(20, 21));
        p.drawLine(QPointF(37, 9), QPointF(20, 21));
        p.setPen(QPen(ink, 1.2));
        for (int i = 0; i < 9; ++i) {
            const qreal x = 8 + i * 2.6;
            p.drawLine(QPointF(x, 25), QPointF(x, i % 2 ? 28.5 : 27));
        }
        break;
    }
    case StepIcon::Picture::Reports: {
        // a printer with a page coming out
        p.setBrush(Qt::white);
        p.drawRect(QRectF(12, 3, 16, 12));
        p.setBrush(QColor(170, 170, 180));
        p.drawRoundedRect(QRectF(4, 14, 32, 14), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(11, 24, 18, 13));
        p.drawLine(QPointF(14, 29), QPointF(26, 29));
        p.drawLine(QPointF(14, 33), QPointF(26, 33));
        break;
    }
    case StepIcon::Picture::Labels: {
        // a sheet of address labels
        p.setBrush(QColor(235, 235, 240));
        p.drawRect(QRectF(5, 3, 30, 34));
        p.setBrush(Qt::white);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 2; ++c) {
                const QRectF cell(8 + c * 13, 6 + r * 10, 11, 8);
                p.drawRoundedRect(cell, 1.5, 1.5);
                p.drawLine(QPointF(cell.left() + 2, cell.top() + 3), QPointF(cell.right() - 2, cell.top() + 3));
                p.drawLine(QPointF(cell.left() + 2, cell.top() + 5.5), QPointF(cell.right() - 4, cell.top() + 5.5));
            }
        break;
    }
    }
    return pm;
}

}  // namespace

StepIcon::StepIcon(const QString& objectName, Picture picture, QWidget* parent) : QLabel(parent) {
    setObjectName(objectName);
    setPixmap(draw(picture));
    setFixedSize(kSize, kSize);
    setCursor(Qt::PointingHandCursor);
}

void StepIcon::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) pressed_ = true;
    e->accept();
}

void StepIcon::mouseReleaseEvent(QMouseEvent* e) {
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    e->accept();
    if (click) emit clicked();
}

}  // namespace qv::console
