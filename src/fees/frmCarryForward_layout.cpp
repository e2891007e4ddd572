// The carry-forward window's controls, their key rules and handlers.
#include "fees/frmCarryForward.h"

#include "common/binding.h"
#include "common/errors.h"
#include "common/format.h"
#include "common/formkit.h"
#include "common/input.h"
#include "fees/frmFindApp.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"
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

using common::formkit::buddyLabel;
using common::formkit::lineEdit;

// A box the program fills from the picked application.
void shownOnly(QWidget *w)
{
    if (auto *e = qobject_cast<QLineEdit *>(w))
        e->setReadOnly(true);
    w->setFocusPolicy(Qt::NoFocus);
}

// Enter on a focused button clicks it.
QPushButton *button(const char *objName, const QString &caption, QWidget *parent)
{
    return common::formkit::pushButton(QString::fromLatin1(objName), caption, parent, true);
}

// A caption and its control side by side in cells (row, col) and (row, col + 1).
void place(QGridLayout *grid, int row, int col, const QString &caption, QWidget *w)
{
    grid->addWidget(buddyLabel(caption, w, w->parentWidget()), row, col);
    grid->addWidget(w, row, col + 1);
}

} // namespace

void frmCarryForward::buildControls()
{
    QVBoxLayout *outer = common::formkit::windowColumn(this, 8, 6);
    lblTitle = common::formkit::title(QStringLiteral("lblTitle"), QStringLiteral("CARRY FORWARD"), this);
    outer->addWidget(lblTitle);
    SSTab = common::formkit::tabs(QStringLiteral("SSTab"), this, outer);
    buildEntryTab();
    buildSearchTab();
}

void frmCarryForward::buildEntryTab()
{
    const common::formkit::Page entryPage = common::formkit::tabPage(QStringLiteral("tabEntry"));
    QWidget *entry = entryPage.widget;
    QVBoxLayout *entryLayout = entryPage.column;
    entryLayout->setSpacing(6);
    entryLayout->addLayout(buildFormRow(entry));
    entryLayout->addWidget(buildStudentFrame(entry));
    entryLayout->addWidget(buildSubjectFrame(entry), 1);

    const common::formkit::ButtonRow buttons
        = common::formkit::centredButtons(entryLayout, entry, common::twips(1300), true);
    cmdSave = buttons.add(QStringLiteral("cmdSave"), QStringLiteral("&SAVE"));
    cmdDelete = buttons.add(QStringLiteral("cmdDelete"), QStringLiteral("&DELETE"));
    cmdCancel = buttons.add(QStringLiteral("cmdCancel"), QStringLiteral("&NEW"));
    cmdExit = buttons.add(QStringLiteral("cmdExit"), QStringLiteral("E&XIT"));
    SSTab->addTab(entry, QStringLiteral("Carry Forward Entry"));
}

QHBoxLayout *frmCarryForward::buildFormRow(QWidget *entry)
{
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
    return formRow;
}

// Student detail: filled only by the program from the picked application.
QWidget *frmCarryForward::buildStudentFrame(QWidget *entry)
{
    auto *student = new ui::Frame(QStringLiteral("Student Detail"), entry);
    student->setObjectName(QStringLiteral("fraStudent"));
    auto *sg = new QGridLayout(student);
    sg->setHorizontalSpacing(8);
    sg->setVerticalSpacing(5);
    createStudentControls(student);
    auto *idRow = new QHBoxLayout;
    idRow->addWidget(txtStudent);
    idRow->addWidget(cmdFindApplication);
    idRow->addStretch(1);
    sg->addWidget(buddyLabel(QStringLiteral("STUDENT ID"), txtStudent, student), 0, 0);
    sg->addLayout(idRow, 0, 1);
    place(sg, 0, 2, QStringLiteral("Reg #."), txtICAPReg);
    place(sg, 1, 0, QStringLiteral("Student's Name :"), txtStuNm);
    place(sg, 1, 2, QStringLiteral("Father's Name :"), txtfathNm);
    place(sg, 2, 0, QStringLiteral("Cell No :"), txtCellNo);
    place(sg, 2, 2, QStringLiteral("N.I.C No :"), mskNIC);
    sg->addWidget(buddyLabel(QStringLiteral("FixDate :"), dtpStudent, student), 3, 0);
    sg->addWidget(dtpStudent, 3, 1, Qt::AlignLeft);
    place(sg, 3, 2, QStringLiteral("Session Name :"), cboMasSession);
    sg->setColumnStretch(1, 1);
    sg->setColumnStretch(3, 1);
    return student;
}

void frmCarryForward::createStudentControls(QWidget *student)
{
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
}

// The subject lines: the line being entered over the grid of lines.
QWidget *frmCarryForward::buildSubjectFrame(QWidget *entry)
{
    auto *subjects = new ui::Frame(QStringLiteral("SUBJECTS DETAIL'S"), entry);
    subjects->setObjectName(QStringLiteral("fraSubjects"));
    auto *lg = new QGridLayout(subjects);
    lg->setHorizontalSpacing(8);
    lg->setVerticalSpacing(5);
    createSubjectControls(subjects);
    auto *subjectRow = new QHBoxLayout;
    subjectRow->addWidget(txtSubName, 1);
    subjectRow->addWidget(cmdFindsubject);
    place(lg, 0, 0, QStringLiteral("Course"), txtCourse);
    lg->addWidget(buddyLabel(QStringLiteral("Subject Name "), txtSubName, subjects), 0, 2);
    lg->addLayout(subjectRow, 0, 3);
    place(lg, 1, 0, QStringLiteral("Narration :"), txtNarration);
    place(lg, 1, 2, QStringLiteral("Session Name :"), cboSession);
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
    return subjects;
}

void frmCarryForward::createSubjectControls(QWidget *subjects)
{
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
}

void frmCarryForward::buildSearchTab()
{
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

void frmCarryForward::setKeyRules()
{
    ui::keys(txtNarration).enterMovesNext();
    ui::keys(cboSession).enterMovesNext();
    ui::keys(dtpForm).enterMovesNext();
    common::input::amountBox(txtForAmt);
    ui::keys(txtForAmt).enterMovesNext();
    txtStudent->installEventFilter(this);
}

void frmCarryForward::setFocusOrder()
{
    common::formkit::tabOrder(
        {dtpForm, txtStudent, cmdFindApplication, cboMasSession, cmdFindsubject, txtNarration, cboSession,
            txtForAmt, cmd_ADD_1, cmd_Delete_2, MshSubject, cmdSave, cmdDelete, cmdCancel, cmdExit});
    common::formkit::tabOrder({cboCriteria, txt_s_value, DTPicker1, Msh});
}

void frmCarryForward::connectHandlers()
{
    using common::on;
    on(cmdFindApplication, &QPushButton::clicked, this, [](bool) { openApplicationPicker(); });
    on(cmdFindsubject, &QPushButton::clicked, this, [this](bool) { cmdFindsubject_Click(); });
    on(cmd_ADD_1, &QPushButton::clicked, this, [this](bool) { cmd_ADD_1_Click(); });
    on(cmd_Delete_2, &QPushButton::clicked, this, [this](bool) { cmd_Delete_2_Click(); });
    on(MshSubject, &ui::Grid::cellDoubleClicked, this, [this] { MshSubject_DblClick(); });
    on(cmdSave, &QPushButton::clicked, this, [this](bool) { cmdSave_Click(); });
    on(cmdDelete, &QPushButton::clicked, this, [this](bool) { cmdDelete_Click(); });
    on(cmdCancel, &QPushButton::clicked, this, [this](bool) { ClearAll(); });
    on(cmdExit, &QPushButton::clicked, this, [this](bool) { unload(); });
    on(cboCriteria, &QComboBox::currentTextChanged, this, [this](const QString &) { cboCriteria_Change(); });
    on(txt_s_value, &QLineEdit::textChanged, this, [this](const QString &) { FillGrid(); });
    on(DTPicker1, &QDateEdit::dateChanged, this, [this](const QDate &) { FillGrid(); });
    on(Msh, &ui::Grid::cellDoubleClicked, this, [this] { Msh_DblClick(); });
}

} // namespace fees
