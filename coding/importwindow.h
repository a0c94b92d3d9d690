// "Apply Mailsort Codes": imports the customer's file named by parmcode
// MailFile into mmwork, codes every address, prints the coding report with
// its summary, and in a run sequence hands the job on to the next step.
#pragma once

#include "coding/importer.h"
#include "coding/report.h"
#include "common/db/database.h"
#include "common/parm/parmrecord.h"
#include "platform/messages.h"
#include "platform/programend.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QRadioButton;

namespace qv::coding {

class ImportWindow : public QWidget, public platform::ProgramEnd {
    Q_OBJECT
public:
    explicit ImportWindow(QWidget* parent = nullptr);
    ~ImportWindow() override;

    // Opens the database for sole use and reads parmcode. False when the
    // start was refused: the message has been shown and the program ends.
    bool Form_Load();
    // The window's first focus: a sequenced run starts here by itself.
    void Form_GotFocus();
    void cmdImport_Click();
    void cmdCancel_Click();

    bool databaseOpen() const { return db_ != nullptr; }
    bool databaseShared() const { return db_ && db_->mode() == db::OpenMode::Shared; }
    bool runUnderWay() const { return running_; }
    const Counters& counters() const { return counters_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void build();
    bool sequenced() const;
    void run();
    void readerFailed(const ReaderFailure& f);
    // A run that did not complete: shows `text`; in a sequence, ends it as
    // endSequence does and ends the program with status 1.
    void failed(const QString& text, platform::Icon icon = platform::Icon::None);
    // At a failed run in a sequence: RunAlone "N", saved at once. The line to
    // add to the failure's message when it could not be saved, else empty.
    QString endSequence();
    void handOver();
    bool reopenShared();
    void closeDatabase();
    void showStatus(const QString& text, bool duringRun = false);
    void reportUnexpected(int number, const QString& description, const QString& addition = {});

    // Recordsets go before the database they belong to.
    std::unique_ptr<db::Database> db_;
    std::unique_ptr<parm::ParmRecord> parm_;
    Counters counters_;
    std::unique_ptr<CodingReport> report_;
    bool running_ = false;
    bool stopRequested_ = false;  // stop the run / it was stopped
    bool closeRequested_ = false;
    QElapsedTimer painted_;

    QLabel *Label1_, *Label2_, *Label3_, *Image1_, *Status_;
    QRadioButton *optAll_, *optSummary_;
    QPushButton *cmdImport_, *cmdCancel_;
};

// The program: shows the window unless the start is refused, and runs until
// it ends. Returns the exit status.
int runKavrin();

}  // namespace qv::coding
