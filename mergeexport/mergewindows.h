// The merge-file export's two windows: the start dialog frmMerge and the
// progress window frmComplete whose first appearance runs the export.
#pragma once

#include "common/progress/progresswindow.h"
#include "mergeexport/mergefile.h"
#include "platform/programend.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace qv::mergeexport {

class MergeWindow : public QWidget, public platform::ProgramEnd {
    Q_OBJECT
public:
    explicit MergeWindow(QWidget* parent = nullptr);
    ~MergeWindow() override;

    void cmdOK_Click();
    void cmdCancel_Click();

    // The progress window of the export under way (null between exports).
    progress::ProgressWindow* progressWindow() const { return complete_; }
    // What the last export ended with.
    const ExportResult& lastResult() const { return last_; }

    // The end handler (setEndHandler) is called after the message of a
    // failure (the file, or the database other than held by another
    // program), with 1; closing the window ends the program with 0.

signals:
    void exportFinished();

protected:
    // Cancel, Esc or the close box during an export: the export stops before
    // its next row and the window closes once it has ended.
    void closeEvent(QCloseEvent* event) override;

private:
    void runExport();

    QPointer<progress::ProgressWindow> complete_;
    ExportResult last_;
    bool closeAfterExport_ = false;
};

// The program: shows frmMerge and runs until it closes (status 0) or a
// failure ends it (status 1). Returns the exit status.
int runShoravel();

}  // namespace qv::mergeexport
