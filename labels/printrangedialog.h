// "Print Labels": the print-range dialog, the program's start form. It holds
// mailsort.mdb for the program's sole use while it is shown, presets the
// range from the last run, and starts a run on the progress form for each OK.
#pragma once

#include "common/db/database.h"
#include "labels/labelrun.h"
#include "platform/programend.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qv::platform {
class NumericBox;
}

namespace qv::labels {

class LabelProgressWindow;

class PrintRangeDialog : public QWidget, public platform::ProgramEnd {
    Q_OBJECT
public:
    explicit PrintRangeDialog(QWidget* parent = nullptr);
    ~PrintRangeDialog() override;

    // Opens the database for sole use and presets the range. False when
    // the start was refused: the message has been shown and the program ends.
    bool Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();

    bool databaseOpen() const { return db_ != nullptr; }
    bool running() const { return running_; }

    // The print type of the selected option: "A", "B" or "L".
    QString printType() const;
    QString fromText() const;
    QString toText() const;

    // The run of the progress form ends with this (tests read it).
    const RunResult& lastResult() const { return lastResult_; }
    Session& session() { return session_; }

    // Milliseconds between repaints of the progress form during a run.
    void setRepaintInterval(int ms) { repaintMs_ = ms; }

signals:
    // The progress form of a run has appeared (tests act on it).
    void runStarted(LabelProgressWindow* form);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void build();
    void runFinished(const RunResult& r);

    std::unique_ptr<db::Database> db_;
    Session session_;
    RunResult lastResult_;
    bool running_ = false;
    int repaintMs_ = 100;

    QLabel *Label4_, *Label1_, *Label2_, *Label3_, *Image1_;
    QRadioButton *optAll_, *optBagRange_, *optLabRange_;
    platform::NumericBox *txtFrom_, *txtTo_;
    QLineEdit* txtPrintType_;
    QPushButton *cmdOK_, *cmdCancel_;
};

// The program: shows the dialog unless the start is refused, and runs until
// Exit (status 0) or a failed run (status 1). Returns the exit status.
int runMistrel();

}  // namespace qv::labels
