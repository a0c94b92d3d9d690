// frmDovanet, "Define File Layout": the layout designer's working window. The
// file chooser shows it with the chosen file in lblFile and the headings
// answer in DummyField; the first focus of OK reads the file's first records
// and lists its fields; the user drags fields onto the 18 part boxes, steps
// through sample records, and OK stores the layout in the first row of
// `data` and the path in parmcode MailFile, which ends the program. A
// database that cannot be opened or written ends it with status 1 after its
// message (the end handler, platform::ProgramEnd).
#pragma once

#include "designer/assignment.h"
#include "designer/records.h"
#include "designer/samplefile.h"

#include "common/db/database.h"
#include "platform/programend.h"

#include <QString>
#include <QWidget>

#include <array>
#include <memory>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace qv::designer {

// Nine sample boxes, one beside each row of part boxes.
enum SampleBox : int { SmpName, SmpAdd1, SmpAdd2, SmpAdd3, SmpAdd4, SmpTown, SmpCounty, SmpPost, SmpRef, SampleCount };

// Object names of the part boxes, in Part order, and of the sample boxes.
extern const std::array<const char*, PartCount> kPartBoxNames;
extern const std::array<const char*, SampleCount> kSampleBoxNames;

class DesignerWindow : public QWidget, public platform::ProgramEnd {
    Q_OBJECT
public:
    explicit DesignerWindow(QWidget* parent = nullptr);
    ~DesignerWindow() override;

    // Opens mailsort.mdb and table data with index File. On failure it has
    // said why, ended the program with status 1 and returns false; the form
    // must not be shown then.
    bool Form_Load();

    // The one-time start, run the first time OK gets the focus.
    void cmdOK_GotFocus();
    void cmdPrevious_Click();
    void cmdNext_Click();
    // True when the layout can be stored; else says why.
    bool CheckLayout();
    void cmdOK_Click();
    void cmdCancel_Click();

    // Drag and drop, as the widgets report it.
    void Form_MouseMove();
    void lstFields_MouseMove();
    void box_MouseMove(Part p);
    void lstFields_OLEStartDrag();
    void box_OLEStartDrag(Part p);
    void box_OLEDragDrop(Part p);
    void lstFields_OLEDragDrop();
    void ShowSample();

    bool started() const { return started_; }
    // Saved, left, or refused the file: the window has closed.
    bool ended() const { return ended_; }
    const std::string& fileType() const { return fileType_; }
    const std::string& sampleRecord() const { return sample_; }
    const FieldTable& fields() const { return fields_; }
    const Columns& columns() const { return columns_; }
    const AssignmentModel& assignment() const { return model_; }

    QLabel* lblFile() const { return lblFile_; }
    QLabel* DummyField() const { return dummyField_; }
    QListWidget* lstFields() const { return lstFields_; }
    QLineEdit* partBox(Part p) const { return boxes_[static_cast<std::size_t>(p)]; }
    QLineEdit* sampleBox(SampleBox s) const { return samples_[static_cast<std::size_t>(s)]; }
    QCheckBox* chkSkipFirst() const { return chkSkipFirst_; }
    QPushButton* cmdOK() const { return cmdOK_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    bool startFile(const std::string& path);
    void refuse(const QString& message);
    void cut();
    void readFirstDataRecord();
    void setMarker(const std::string& m);
    void refreshList();
    void parkFocus();
    // Closes the window, which ends the program once the chooser has gone.
    void leave();

    std::unique_ptr<db::Database> db_;
    std::unique_ptr<db::Recordset> data_;

    bool started_ = false;
    bool headings_ = false;
    std::string fileType_;
    SampleFile file_;
    std::string current_;
    std::string sample_;
    FieldTable fields_;
    Columns columns_;
    CaptionTable captions_{};
    AssignmentModel model_;
    bool ended_ = false;

    QLabel* lblFile_ = nullptr;
    QLabel* dummyField_ = nullptr;
    QListWidget* lstFields_ = nullptr;
    std::array<QLineEdit*, PartCount> boxes_{};
    std::array<QLineEdit*, SampleCount> samples_{};
    QCheckBox* chkSkipFirst_ = nullptr;
    QPushButton* cmdPrevious_ = nullptr;
    QPushButton* cmdNext_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace qv::designer
