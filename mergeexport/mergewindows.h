// The merge-file export's two windows: the start dialog frmMerge and the
// progress window frmComplete whose first appearance runs the export.
#pragma once

#include "common/progress/progresswindow.h"
#include "mergeexport/mergefile.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace qv::mergeexport {

class MergeWindow : public QWidget {
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

    // Called when the program is to end with a status of its own: after the
    // unexpected-error message, with 1. (Closing the window ends it with 0.)
    void setEndHandler(std::function<void(int)> handler) { endHandler_ = std::move(handler); }

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
    std::function<void(int)> endHandler_;
};

// The program: shows frmMerge and runs until it closes (status 0) or an
// unexpected error ends it (status 1). Returns the exit status.
int runShoravel();

}  // namespace qv::mergeexport
