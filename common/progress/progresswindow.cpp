#include "common/progress/progresswindow.h"

#include "common/text/numtext.h"
#include "platform/forms.h"
#include "platform/messages.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace qv::progress {

namespace {
constexpr int kLeft = 20;
constexpr int kTop = 15;
constexpr int kBlockWidth = 18;
constexpr int kBarHeight = 24;
constexpr int kBarWidth = 20 * kBlockWidth;
}  // namespace

ProgressWindow::ProgressWindow(const QString& caption, const QString& stepText, const QString& words,
                               TextLayout layout, QWidget* parent)
    : QWidget(parent, Qt::Window), layout_(layout), words_(words) {
    using qv::platform::control;
    setWindowTitle(caption);
    setFixedSize(kBarWidth + 2 * kLeft, 130);

    for (int k = 1; k <= 20; ++k) {
        QFrame* b = control<QFrame>(this, QStringLiteral("Perc%1").arg(k));
        b->setGeometry(kLeft + (k - 1) * kBlockWidth + 1, kTop + 1, kBlockWidth - 2, kBarHeight - 2);
        b->setAutoFillBackground(true);
        QPalette pal = b->palette();
        pal.setColor(QPalette::Window, QColor(0, 0, 128));
        b->setPalette(pal);
        b->hide();
        blocks_[k - 1] = b;
    }
    const QRect lines[4] = {
        {kLeft, kTop, kBarWidth, 1},                   // top
        {kLeft + kBarWidth, kTop, 1, kBarHeight + 1},  // right
        {kLeft, kTop + kBarHeight, kBarWidth, 1},      // bottom
        {kLeft, kTop, 1, kBarHeight},                  // left
    };
    for (int i = 0; i < 4; ++i) {
        QFrame* l = control<QFrame>(this, QStringLiteral("Line%1").arg(i + 1));
        l->setFrameShape(QFrame::Box);
        l->setGeometry(lines[i]);
        l->hide();
        lines_[i] = l;
    }

    auto* row = new QWidget(this);
    row->setGeometry(0, kTop + kBarHeight + 16, width(), 22);
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(kLeft, 0, kLeft, 0);
    rowLayout->setSpacing(4);
    rowLayout->addStretch(1);
    if (layout_ == TextLayout::StepPercentWords) {
        step_ = control<QLabel>(row, QStringLiteral("lblPerc1"), stepText);
        percent_ = control<QLabel>(row, QStringLiteral("lblPerc2"), QString(""));
        wordsLabel_ = control<QLabel>(row, QStringLiteral("lblPerc3"), words_);
        for (QLabel* l : {step_, percent_, wordsLabel_}) {
            l->setTextFormat(Qt::PlainText);
            rowLayout->addWidget(l);
            l->hide();
        }
    } else {
        percent_ = control<QLabel>(row, QStringLiteral("lblPerc"), QString(""));
        percent_->setTextFormat(Qt::PlainText);
        rowLayout->addWidget(percent_);
        percent_->hide();
    }
    rowLayout->addStretch(1);

    cancel_ = control<QPushButton>(this, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"));
    cancel_->setGeometry((width() - 90) / 2, 90, 90, 26);
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::cmdCancel_Click);
}

int ProgressWindow::blocksFor(double p) {
    if (p >= 100) return 20;
    if (p >= 5) return std::clamp(static_cast<int>(std::floor(p / 5)), 1, 19);
    return 0;
}

QString ProgressWindow::formatPercent(double p) { return QString::fromStdString(qv::formatNumber(p, "0.00")); }

void ProgressWindow::clearperc() {
    for (QFrame* b : blocks_) b->hide();
}

void ProgressWindow::percbar() {
    const int k = blocksFor(percdone);
    for (int i = 0; i < k; ++i) blocks_[i]->show();
}

void ProgressWindow::cmdCancel_Click() {
    using namespace qv::platform;
    if (messages().msgBox(QStringLiteral("Are you sure you want to cancel ?"), Buttons::YesNo) == Answer::Yes)
        stop_ = true;
}

bool ProgressWindow::finish() {
    finishing_ = true;
    const bool closed = close();
    finishing_ = false;
    return closed;
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    if (finishing_) {
        QWidget::closeEvent(event);
        return;
    }
    // Closed by the frame: the run still paints into the window and tests
    // its stop flag, so the window must outlive the run. It is a request to
    // cancel.
    event->ignore();
    cmdCancel_Click();
}

void ProgressWindow::showProgress(double p) {
    percdone = p;
    percbar();
    if (percdone > 100) percdone = 100;
    setPercentText(percdone);
}

void ProgressWindow::setPercentText(double p) {
    const QString text = formatPercent(std::min(p, 100.0));
    percent_->setText(layout_ == TextLayout::PercentWithWords ? text + words_ : text);
    qv::platform::repaintNow(percent_);
}

void ProgressWindow::setStepText(const QString& text) {
    if (step_) {
        step_->setText(text);
        qv::platform::repaintNow(step_);
    }
}

void ProgressWindow::setWords(const QString& words) {
    words_ = words;
    if (wordsLabel_) {
        wordsLabel_->setText(words);
        qv::platform::repaintNow(wordsLabel_);
    }
}

QString ProgressWindow::percentText() const { return percent_->text(); }

void ProgressWindow::showControls() {
    for (QFrame* l : lines_) l->show();
    for (QLabel* l : {step_, percent_, wordsLabel_})
        if (l) l->show();
    cancel_->show();
}

int ProgressWindow::blocksShown() const {
    return static_cast<int>(std::count_if(blocks_.begin(), blocks_.end(),
                                          [this](QFrame* b) { return b->isVisibleTo(this); }));
}

}  // namespace qv::progress
