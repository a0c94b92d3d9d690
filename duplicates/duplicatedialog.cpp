#include "duplicates/duplicatedialog.h"

#include "platform/forms.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace qv::duplicates {

using qv::platform::control;

namespace {

// The texts carry CR LF after each field; the box shows one field a line.
QString lines(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (t.endsWith(u'\n')) t.chop(1);
    return t;
}

QPlainTextEdit* recordBox(QWidget* parent, const QString& name, const QString& text) {
    auto* box = control<QPlainTextEdit>(parent, name);
    box->setReadOnly(true);
    box->setPlainText(lines(text));
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    return box;
}

}  // namespace

DuplicateDialog::DuplicateDialog(const QString& dupText1, const QString& dupText2, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDupFound"));
    setWindowTitle(QStringLiteral("Duplicate record found"));
    setModal(true);

    auto* label1 = control<QLabel>(this, QStringLiteral("Label1"), QStringLiteral("Record found that exists:"));
    lblDup1_ = recordBox(this, QStringLiteral("lblDup1"), dupText1);
    auto* cmdDelete1 = control<QPushButton>(this, QStringLiteral("cmdDelete1"), QStringLiteral("Delete Record"));
    auto* label2 = control<QLabel>(this, QStringLiteral("Label2"), QStringLiteral("Duplicate already in file:"));
    lblDup2_ = recordBox(this, QStringLiteral("lblDup2"), dupText2);
    auto* cmdDelete2 = control<QPushButton>(this, QStringLiteral("cmdDelete2"), QStringLiteral("Delete Record"));
    auto* cmdLeave =
        control<QPushButton>(this, QStringLiteral("cmdLeave"), QStringLiteral("Leave Both Records in File"));
    cmdDelete1->setAutoDefault(false);
    cmdDelete2->setAutoDefault(false);
    cmdLeave->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(lblDup1_, 1, 0);
    grid->addWidget(cmdDelete1, 1, 1, Qt::AlignTop);
    grid->addWidget(label2, 2, 0);
    grid->addWidget(lblDup2_, 3, 0);
    grid->addWidget(cmdDelete2, 3, 1, Qt::AlignTop);
    grid->addWidget(cmdLeave, 4, 0, 1, 2, Qt::AlignHCenter);
    grid->setColumnStretch(0, 1);
    resize(480, 420);

    connect(cmdDelete1, &QPushButton::clicked, this, [this] { cmdDelete1_Click(); });
    connect(cmdDelete2, &QPushButton::clicked, this, [this] { cmdDelete2_Click(); });
    connect(cmdLeave, &QPushButton::clicked, this, [this] { cmdLeave_Click(); });
    qv::platform::centreOnScreen(this);
}

void DuplicateDialog::cmdDelete1_Click() {
    decision_ = Decision::DeleteNew;
    accept();
}

void DuplicateDialog::cmdDelete2_Click() {
    decision_ = Decision::DeleteEarlier;
    accept();
}

void DuplicateDialog::cmdLeave_Click() {
    decision_ = Decision::LeaveBoth;
    accept();
}

Decision DuplicateDialog::ask(const DuplicatePair& pair, QWidget* parent) {
    DuplicateDialog dialog(QString::fromStdString(pair.newText), QString::fromStdString(pair.earlierText), parent);
    dialog.exec();
    return dialog.decision();
}

}  // namespace qv::duplicates
