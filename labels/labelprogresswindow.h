// "Print Labels in Progress": the progress form of one label run. Its first
// appearance runs the labels of the range it was given, then it closes.
#pragma once

#include "common/progress/progresswindow.h"
#include "labels/labelrun.h"

#include <QElapsedTimer>

namespace qv::labels {

// The help topic of the program's windows: "Print Labels".
inline constexpr int kHelpTopic = 5;

class LabelProgressWindow : public progress::ProgressWindow {
    Q_OBJECT
public:
    LabelProgressWindow(const RunRequest& request, Session& session, int repaintMs, QWidget* parent = nullptr);

    // The run (the old first focus): opens the database shared, prints, shows
    // what the user must know, and closes the form.
    void Form_GotFocus();
    const RunResult& result() const { return result_; }

signals:
    void finished(const qv::labels::RunResult& result);

private:
    void progress(double percent);

    RunRequest request_;
    Session& session_;
    int repaintMs_;
    QElapsedTimer painted_;
    RunResult result_;
    bool started_ = false;
};

}  // namespace qv::labels
