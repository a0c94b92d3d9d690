// The progress window of a long run: the step's name, its percentage with two
// decimals followed by words, a bar of 20 blocks that fills in steps of 5 per
// cent, and a Cancel button that asks before it stops the run.
//
// The window stops nothing itself: the run sets `percdone`, calls `percbar`
// (or `showProgress`), yields to the user interface, and tests `stopRequested()`
// before its next record. The window lives exactly as long as its run, so
// closing it by its frame is the Cancel question and the window stays; the
// program ends it with finish() (or hides and deletes it) once the run is over.
#pragma once

#include <QString>
#include <QWidget>

#include <array>

class QCloseEvent;
class QFrame;
class QLabel;
class QPushButton;

namespace qv::progress {

class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    // How the texts stand: three labels `lblPerc1` (step name), `lblPerc2`
    // (percentage) and `lblPerc3` (words) side by side, or one label
    // `lblPerc` holding the percentage and the words together.
    enum class TextLayout { StepPercentWords, PercentWithWords };

    ProgressWindow(const QString& caption, const QString& stepText, const QString& words,
                   TextLayout layout = TextLayout::StepPercentWords, QWidget* parent = nullptr);

    // Closes the window when its run is over; any other close asks the
    // Cancel question and leaves it open.
    bool finish();

    // Run state, kept with the window as the runs expect it.
    double percdone = 0;
    // Set by a confirmed Cancel; the run clears it before it starts.
    bool stopRequested() const { return stop_; }
    void setStopRequested(bool on) { stop_ = on; }

    // Hides all 20 blocks.
    void clearperc();
    // Shows the blocks that `percdone` has reached; never hides one.
    void percbar();
    // Asks "Are you sure you want to cancel ?"; Yes requests the stop.
    void cmdCancel_Click();

    // The usual report of a run: percdone = p, percbar, then the percentage
    // text (p limited to 100) repainted at once.
    void showProgress(double p);
    // Sets the percentage text alone (limited to 100) and repaints it.
    void setPercentText(double p);

    void setStepText(const QString& text);
    void setWords(const QString& words);
    QString words() const { return words_; }
    // The text of the percentage label as shown.
    QString percentText() const;

    // Makes the bar's frame, the texts and Cancel visible (they start hidden).
    void showControls();

    int blocksShown() const;
    QFrame* block(int k) const { return blocks_.at(k - 1); }  // k = 1..20
    QLabel* stepLabel() const { return step_; }
    QLabel* percentLabel() const { return percent_; }
    QLabel* wordsLabel() const { return wordsLabel_; }
    QPushButton* cancelButton() const { return cancel_; }

    // The block rule: how many blocks a percentage reaches (0 below 5).
    static int blocksFor(double p);
    // A percentage as "0.00" text.
    static QString formatPercent(double p);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool stop_ = false;
    bool finishing_ = false;
    TextLayout layout_;
    QString words_;
    std::array<QFrame*, 20> blocks_{};
    std::array<QFrame*, 4> lines_{};
    QLabel* step_ = nullptr;
    QLabel* percent_ = nullptr;
    QLabel* wordsLabel_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace qv::progress
