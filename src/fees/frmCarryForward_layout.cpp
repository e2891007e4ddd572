// The carry-forward window's controls.
#include "fees/frmCarryForward.h"

#include "common/binding.h"
#include "common/format.h"
#include "common/formkit.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/maskededit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace fees {

namespace {

const QString kNicMask = QStringLiteral("#####-#######-#");

} // namespace

void frmCarryForward::buildControls()
{
    using common::formkit::buddyLabel;
    using common::formkit::lineEdit;
    const auto shownOnly = [](QWidget *w) {
        if (auto *e = qobject_cast<QLineEdit *>(w))
            e->setReadOnly(true);
        w->setFocusPolicy(Qt::NoFocus);
    };
    // Enter on a focused button clicks it.
    const auto button = [](const char *objName, const QString &caption, QWidget *parent) {
        return common::formkit::pushButton(QString::fromLatin1(objName), caption, parent, true);
    };

    QVBoxLayout *outer = common::formkit::windowColumn(this, 8, 6);
    lblTitle = common::formkit::title(QStringLiteral("lblTitle"), QStringLiteral("CARRY FORWARD"), this);
    outer->addWidget(lblTitle);
    SSTab = common::formkit::tabs(QStringLiteral("SSTab"), this, outer);

    // ---- entry tab
    const common::formkit::Page entryPage = common::formkit::tabPage(QStringLiteral("tabEntry"));
    QWidget *entry = entryPage.widget;
    QVBoxLayout *entryLayout = entryPage.column;
    entryLayout->setSpacing(6);

    txtFormID = lineEdit("txtFormID", entry);
    txtFormID->setReadOnly(true);
    txtFormID->setFocusPolicy(Qt::NoFocus);
    txtFormID->setFixedWidth(common::twips(1400));
    dtpForm = new ui::DatePicker(entry);
    dtpForm->setObjectName(QStringLiteral("dtpForm"));
    dtpForm->setFixedWidth(common::twips(1700));
    auto *formRow = new QHBoxLayout;
    formRow->addWidget(buddyLabel(QStringLiteral("Form ID:"), txtFormID, entry));
    formRow->addWidget(txtFormID);
    formRow->addSpacing(24);
    formRow->addWidget(buddyLabel(QStringLiteral("Form Date:"), dtpForm, entry));
    formRow->addWidget(dtpForm);
    formRow->addStretch(1);
    entryLayout->addLayout(formRow);

    // Student detail: filled only by the program from the picked application.
    auto *student = new ui::Frame(QStringLiteral("Student Detail"), entry);
    student->setObjectName(QStringLiteral("fraStudent"));
    auto *sg = new QGridLayout(student);
    sg->setHorizontalSpacing(8);
    sg->setVerticalSpacing(5);
    txtStudent = lineEdit("txtStudent", student);
    txtStudent->setReadOnly(true);
    txtStudent->setFixedWidth(common::twips(1200));
    cmdFindApplication = button("cmdFindApplication", QStringLiteral("&Find"), student);
    txtICAPReg = lineEdit("txtICAPReg", student);
    txtStuNm = lineEdit("txtStuNm", student);
    txtfathNm = lineEdit("txtfathNm", student);
    txtCellNo = lineEdit("txtCellNo", student);
    common::binding::bind(txtICAPReg, QStringLiteral("M"), QStringLiteral("RegNo"));
    common::binding::bind(txtfathNm, QStringLiteral("M"), QStringLiteral("FatherName"));
    common::binding::bind(txtCellNo, QStringLiteral("M"), QStringLiteral("CellNo"));
    txtStuNm->setProperty("Tag", QString()); // the student's account key
    for (QLineEdit *b : {txtICAPReg, txtStuNm, txtfathNm, txtCellNo})
        shownOnly(b);
    dtpStudent = new ui::DatePicker(student);
    dtpStudent->setObjectName(QStringLiteral("dtpStudent"));
    dtpStudent->setReadOnly(true);
    dtpStudent->setButtonSymbols(QAbstractSpinBox::NoButtons);
    dtpStudent->setFocusPolicy(Qt::NoFocus);
    dtpStudent->setFixedWidth(common::twips(1700));
    mskNIC = new ui::MaskedEdit(kNicMask, student);
    mskNIC->setObjectName(QStringLiteral("mskNIC"));
    shownOnly(mskNIC);
    cboMasSession = new ui::DataCombo(student);
    cboMasSession->setObjectName(QStringLiteral("cboMasSession"));
    auto *idRow = new QHBoxLayout;
    idRow->addWidget(txtStudent);
    idRow->addWidget(cmdFindApplication);
    idRow->addStretch(1);
    sg->addWidget(buddyLabel(QStringLiteral("STUDENT ID"), txtStudent, student), 0, 0);
    sg->addLayout(idRow, 0, 1);
    sg->addWidget(buddyLabel(QStringLiteral("Reg #."), txtICAPReg, student), 0, 2);
    sg->addWidget(txtICAPReg, 0, 3);
    sg->addWidget(buddyLabel(QStringLiteral("Student's Name :"), txtStuNm, student), 1, 0);
    sg->addWidget(txtStuNm, 1, 1);
    sg->addWidget(buddyLabel(QStringLiteral("Father's Name :"), txtfathNm, student), 1, 2);
    sg->addWidget(txtfathNm, 1, 3);
    sg->addWidget(buddyLabel(QStringLiteral("Cell No :"), txtCellNo, student), 2, 0);
    sg->addWidget(txtCellNo, 2, 1);
    sg->addWidget(buddyLabel(QStringLiteral("N.I.C No :"), mskNIC, student), 2, 2);
    sg->addWidget(mskNIC, 2, 3);
    sg->addWidget(buddyLabel(QStringLiteral("FixDate :"), dtpStudent, student), 3, 0);
    sg->addWidget(dtpStudent, 3, 1, Qt::AlignLeft);
    sg->addWidget(buddyLabel(QStringLiteral("Session Name :"), cboMasSession, student), 3, 2);
    sg->addWidget(cboMasSession, 3, 3);
    sg->setColumnStretch(1, 1);
    sg->setColumnStretch(3, 1);
    entryLayout->addWidget(student);

    // Subject lines.
    auto *subjects = new ui::Frame(QStringLiteral("SUBJECTS DETAIL'S"), entry);
    subjects->setObjectName(QStringLiteral("fraSubjects"));
    auto *lg = new QGridLayout(subjects);
    lg->setHorizontalSpacing(8);
    lg->setVerticalSpacing(5);
    txtSubId = lineEdit("txtSubId", subjects);
    txtSubId->hide();
    txtEditRow = lineEdit("txtEditRow", subjects);
    txtEditRow->hide();
    txtCourse = lineEdit("txtCourse", subjects);
    txtSubName = lineEdit("txtSubName", subjects);
    for (QLineEdit *b : {txtCourse, txtSubName}) {
        b->setReadOnly(true);
        b->setFocusPolicy(Qt::ClickFocus);
    }
    cmdFindsubject = button("cmdFindsubject", QStringLiteral("&Find"), subjects);
    txtNarration = lineEdit("txtNarration", subjects);
    txtNarration->setMaxLength(50);
    cboSession = new ui::DataCombo(subjects);
    cboSession->setObjectName(QStringLiteral("cboSession"));
    txtForAmt = lineEdit("txtForAmt", subjects);
    txtForAmt->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtForAmt->setFixedWidth(common::twips(1700));
    cmd_ADD_1 = button("cmd_ADD_1", QStringLiteral("&Add"), subjects);
    cmd_Delete_2 = button("cmd_Delete_2", QStringLiteral("&Delete"), subjects);
    auto *subjectRow = new QHBoxLayout;
    subjectRow->addWidget(txtSubName, 1);
    subjectRow->addWidget(cmdFindsubject);
    lg->addWidget(buddyLabel(QStringLiteral("Course"), txtCourse, subjects), 0, 0);
    lg->addWidget(txtCourse, 0, 1);
    lg->addWidget(buddyLabel(QStringLiteral("Subject Name "), txtSubName, subjects), 0, 2);
    lg->addLayout(subjectRow, 0, 3);
    lg->addWidget(buddyLabel(QStringLiteral("Narration :"), txtNarration, subjects), 1, 0);
    lg->addWidget(txtNarration, 1, 1);
    lg->addWidget(buddyLabel(QStringLiteral("Session Name :"), cboSession, subjects), 1, 2);
    lg->addWidget(cboSession, 1, 3);
    auto *amountRow = new QHBoxLayout;
    amountRow->addWidget(txtForAmt);
    amountRow->addStretch(1);
    amountRow->addWidget(cmd_ADD_1);
    amountRow->addWidget(cmd_Delete_2);
    lg->addWidget(buddyLabel(QStringLiteral("Forward Amt."), txtForAmt, subjects), 2, 0);
    lg->addLayout(amountRow, 2, 1, 1, 3);
    MshSubject = new ui::Grid(subjects);
    MshSubject->setObjectName(QStringLiteral("MshSubject"));
    lg->addWidget(MshSubject, 3, 0, 1, 4);
    lg->setRowStretch(3, 1);
    lg->setColumnStretch(1, 1);
    lg->setColumnStretch(3, 1);
    entryLayout->addWidget(subjects, 1);

    const common::formkit::ButtonRow buttons
        = common::formkit::centredButtons(entryLayout, entry, common::twips(1300), true);
    cmdSave = buttons.add(QStringLiteral("cmdSave"), QStringLiteral("&SAVE"));
    cmdDelete = buttons.add(QStringLiteral("cmdDelete"), QStringLiteral("&DELETE"));
    cmdCancel = buttons.add(QStringLiteral("cmdCancel"), QStringLiteral("&NEW"));
    cmdExit = buttons.add(QStringLiteral("cmdExit"), QStringLiteral("E&XIT"));
    SSTab->addTab(entry, QStringLiteral("Carry Forward Entry"));

    // ---- search tab
    const common::formkit::Page searchPage = common::formkit::tabPage(QStringLiteral("tabSearch"));
    QWidget *search = searchPage.widget;
    QVBoxLayout *searchLayout = searchPage.column;
    cboCriteria = new QComboBox(search);
    cboCriteria->setObjectName(QStringLiteral("cboCriteria"));
    cboCriteria->setMinimumWidth(common::twips(2000));
    txt_s_value = lineEdit("txt_s_value", search);
    DTPicker1 = new ui::DatePicker(search);
    DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
    DTPicker1->setFixedWidth(common::twips(1700));
    auto *criteria = new QHBoxLayout;
    criteria->addWidget(buddyLabel(QStringLiteral("Criteria :"), cboCriteria, search));
    criteria->addWidget(cboCriteria);
    criteria->addSpacing(16);
    criteria->addWidget(buddyLabel(QStringLiteral("Search Value "), txt_s_value, search));
    criteria->addWidget(txt_s_value, 1);
    criteria->addWidget(DTPicker1);
    searchLayout->addLayout(criteria);
    Msh = new ui::Grid(search);
    Msh->setObjectName(QStringLiteral("Msh"));
    searchLayout->addWidget(Msh, 1);
    SSTab->addTab(search, QStringLiteral("Search"));
}

} // namespace fees
