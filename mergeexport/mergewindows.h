// The merge-file export's two windows: the start dialog frmMerge and the
// progress window frmComplete whose first appearance runs the export.
#pragma once

#include "common/progress/progresswindow.h"
#include "mergeexport/mergefile.h"

#include <QPointer>
#include <QWidget>

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

}  // namespace qv::mergeexport
