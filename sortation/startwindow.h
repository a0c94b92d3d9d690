// "Print PO Reports": the start dialog Form1 with the one-program-at-a-time
// guard, and the program around it. Started by a run sequence it hides
// itself and runs at once; started alone it waits for OK or Exit.
#pragma once

#include "platform/programend.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace qv::sortation {

class RunWindow;

class StartWindow : public QWidget, public platform::ProgramEnd {
    Q_OBJECT
public:
    explicit StartWindow(QWidget* parent = nullptr);
    ~StartWindow() override;

    // Centring, the guard and the branch. False when the program ends here
    // (the database is held by another program).
    bool Form_Load();
    // Shows a run window, unless one is running.
    void cmdOK_Click();
    void cmdCancel_Click();

    RunWindow* runWindow() const { return run_; }

    // From the run window: its run is over (it unloads itself).
    void runFinished();
    // From the run window: the program ends (a sequenced run's hand-over, or
    // a failure); the dialog hides first.
    using ProgramEnd::endProgram;

protected:
    void closeEvent(QCloseEvent* e) override;
    void endingProgram() override { hide(); }

private:
    void build();
    void showRun();

    RunWindow* run_ = nullptr;
    bool unloaded_ = false;
    bool hiddenForRun_ = false;  // hidden by a run sequence
    QLabel *Picture1_, *Label1_, *Label2_, *Label3_;
    QPushButton *cmdOK_, *cmdCancel_;
};

// The program: shows the start dialog unless the guard ends it, and runs
// until it ends. Returns the exit status.
int runZolbern();

}  // namespace qv::sortation
