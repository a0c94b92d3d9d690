// frmCheckDup: the run. Loading opens DupWork.mdb and re-creates its tables;
// when the window first takes the focus it reads the chosen file record by
// record, asks about each duplicate in frmDupFound, and writes OUTPUT.CSV.
// Cancel asks before it stops the run; both ends of a run end the program,
// and so do an unexpected error, a refused DupWork.mdb and an OUTPUT.CSV
// given up after its failure (status 1).
#pragma once

#include "duplicates/dupcheck.h"
#include "platform/programend.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;

namespace qv::duplicates {

class CheckWindow : public QWidget, public platform::ProgramEnd {
    Q_OBJECT
public:
    explicit CheckWindow(QWidget* parent = nullptr);
    ~CheckWindow() override;

    // How a pair is put to the user; by default frmDupFound, modal.
    using Ask = std::function<Decision(const DuplicatePair& pair)>;
    void setAsk(Ask ask) { ask_ = std::move(ask); }
    // Called with true when the run starts and false when it gives up without
    // ending the program: the other forms are kept out of the way meanwhile.
    void setShield(std::function<void(bool on)> shield) { shield_ = std::move(shield); }
    // The end handler (setEndHandler) is by default the application's quit.

    // Form_Load: opens DupWork.mdb, re-creates and opens its tables. False
    // when any of it fails: its unexpected error (or a read-only file's or
    // folder's plain refusal) has been shown and the program ended (status
    // 1); the run must not start then.
    bool Form_Load(const CheckSetup& setup);
    // The run (Form_GotFocus): done once, when the window first takes the focus.
    void Form_GotFocus();
    void cmdCancel_Click();

    QLabel* lblStage() const { return lblStage_; }
    QLabel* lblRecNum() const { return lblRecNum_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void endingProgram() override { work_.reset(); }

private:
    void giveUp();
    // The unexpected error ends the program, as in every program of the suite.
    void unexpected(const QString& message);
    void endProgram(int status = 0) { ProgramEnd::endProgram(status); }
    bool writeOutputFile();

    CheckSetup setup_;
    std::unique_ptr<DupWork> work_;
    bool cancelRequested_ = false;
    bool started_ = false;
    bool running_ = false;
    Ask ask_;
    std::function<void(bool)> shield_;
    QLabel* lblStage_ = nullptr;
    QLabel* lblRecNum_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

// The messages of a failure the checker did not expect, in its own words.
QString unexpectedError(int number, const QString& description);
QString tableError(int number, const QString& description);

}  // namespace qv::duplicates
