// A picture that starts something when clicked (the step icons).
#pragma once

#include <QLabel>

namespace qv::console {

class StepIcon : public QLabel {
    Q_OBJECT
public:
    enum class Picture { Parameters, Codes, Reports, Labels };
    StepIcon(const QString& objectName, Picture picture, QWidget* parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool pressed_ = false;
};

}  // namespace qv::console
