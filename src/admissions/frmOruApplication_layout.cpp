// The application form's controls, their key rules and handlers.
#include "admissions/frmOruApplication.h"
#include "admissions/frmOruApplication_p.h"

#include "common/binding.h"
#include "common/errors.h"
#include "common/formkit.h"
#include "common/hooks.h"
#include "common/input.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"
#include "platform/ui/maskededit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using admissions::applicationwindow::kTagM;
namespace kit = common::formkit;

namespace {

const QString kNicMask = QStringLiteral("#####-#######-#");
// The buttons' least width; Enter on a focused button clicks it (auto-default).
constexpr int kButtonWidth = 80;

// A read-only amount or name box that the program fills.
void shownOnly(QLineEdit *box)
{
    box->setReadOnly(true);
    box->setStyleSheet(QStringLiteral("QLineEdit { background: palette(window); }"));
}

// A text box bound to a column of tblMasApp.
QLineEdit *bound(const char *name, const char *column, QWidget *parent)
{
    return kit::boundEdit(QString::fromLatin1(name), kTagM, QString::fromLatin1(column), parent);
}

// A caption and its control on one row of a grid of fields, the control
// spanning `span` columns.
void place(QGridLayout *grid, int row, int col, const QString &caption, QWidget *w, int span = 1)
{
    grid->addWidget(kit::buddyLabel(caption, w, w->parentWidget()), row, col);
    grid->addWidget(w, row, col + 1, 1, span);
}

QLabel *caption(const char *text, QWidget *parent)
{
    return kit::buddyLabel(QString::fromLatin1(text), nullptr, parent);
}

} // namespace

void frmOruApplication::buildControls()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 6, 8, 8);
    outer->setSpacing(4);
    outer->addLayout(buildTitleRow());
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    outer->addWidget(SSTab1, 1);
    buildApplicationTab();
    buildSearchTab();
    setFocusOrder();
}

QHBoxLayout *frmOruApplication::buildTitleRow()
{
    auto *titleRow = new QHBoxLayout;
    auto *title = new QLabel(QStringLiteral("APPLICATION FORM"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont tf = title->font();
    tf.setBold(true);
    tf.setPointSize(tf.pointSize() + 4);
    title->setFont(tf);
    titleRow->addWidget(title);
    titleRow->addStretch(1);
    lblLogin = new QLabel(this);
    lblLogin->setObjectName(QStringLiteral("lblLogin"));
    titleRow->addWidget(lblLogin);
    return titleRow;
}

void frmOruApplication::buildApplicationTab()
{
    auto *Frame1 = new ui::Frame(SSTab1);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *page = new QVBoxLayout(Frame1);
    page->setSpacing(4);
    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(3);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);
    page->addLayout(fields);
    buildStudentFields(fields, Frame1);
    buildContactFields(fields, Frame1);
    page->addWidget(buildSubjectFrame(Frame1), 1);
    page->addLayout(buildTotals(Frame1));
    page->addLayout(buildButtons(Frame1));
    SSTab1->addTab(Frame1, QStringLiteral("APPLICATION DATA"));
}

// The application's number and dates, the session and who the student is.
void frmOruApplication::buildStudentFields(QGridLayout *fields, QWidget *page)
{
    txtAppId = bound("txtAppId", "AppID", page);
    txtAppId->setMaxLength(20);
    txtAppId->setFocusPolicy(Qt::NoFocus);
    shownOnly(txtAppId);
    place(fields, 0, 0, QStringLiteral("STUDENT ID"), txtAppId);
    dtpDate = new ui::DatePicker(page);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    place(fields, 0, 2, QStringLiteral("Date  :"), dtpDate);
    DtpFix = new ui::DatePicker(page);
    DtpFix->setObjectName(QStringLiteral("DtpFix"));
    DtpFix->setFocusPolicy(Qt::ClickFocus);
    place(fields, 1, 0, QStringLiteral("Fix Date :"), DtpFix);
    cboSession = new ui::DataCombo(page);
    cboSession->setObjectName(QStringLiteral("cboSession"));
    place(fields, 1, 2, QStringLiteral("Session Name :"), cboSession);

    txtStuNm = bound("txtStuNm", "StuName", page);
    place(fields, 2, 0, QStringLiteral("Student's Name :"), txtStuNm);
    txtfathNm = bound("txtfathNm", "FatherName", page);
    place(fields, 2, 2, QStringLiteral("Father's Name :"), txtfathNm);
    mskNIC = new ui::MaskedEdit(kNicMask, page);
    mskNIC->setObjectName(QStringLiteral("mskNIC"));
    mskNIC->setProperty("Tag", kTagM);
    place(fields, 3, 0, QStringLiteral("N.I.C No :"), mskNIC);
    txtICAPReg = bound("txtICAPReg", "RegNo", page);
    place(fields, 3, 2, QStringLiteral("Reg #."), txtICAPReg);
}

// How to reach the student, the schooling and the section.
void frmOruApplication::buildContactFields(QGridLayout *fields, QWidget *page)
{
    struct Field {
        QLineEdit **box;
        const char *name, *column, *caption;
        int row, col, span;
    };
    const Field contacts[] = {
        {&txtMailAdd, "txtMailAdd", "MailAdd", "Mailing Address :", 4, 0, 3},
        {&txtEmail, "txtEmail", "Email", "Email :", 5, 0, 1},
        {&txtCellNo, "txtCellNo", "CellNo", "Cell No :", 5, 2, 1},
        {&txtConRes, "txtConRes", "Contact", "Contacts : Residence :", 6, 0, 1},
        {&txtoff, "txtoff", "Office", "Office :", 6, 2, 1},
        {&txtAuditFirm, "txtAuditFirm", "AudCompany", "Audit Firm / Company :", 7, 0, 1},
        {&txtLastEduQua, "txtLastEduQua", "LastQulS", "Last Educational Qualification :", 7, 2, 1},
        {&txtModules, "txtModules", "ModPart", "Module/Part :", 8, 0, 1},
    };
    for (const Field &f : contacts) {
        *f.box = bound(f.name, f.column, page);
        place(fields, f.row, f.col, QString::fromLatin1(f.caption), *f.box, f.span);
    }
    cmbAtoZ = new QComboBox(page);
    cmbAtoZ->setObjectName(QStringLiteral("cmbAtoZ"));
    cmbAtoZ->setProperty("Tag", kTagM);
    place(fields, 8, 2, QStringLiteral("Section :"), cmbAtoZ);
    txtExamAtt = bound("txtExamAtt", "ExamAtt", page);
    txtExamAtt->setMaxLength(12);
    place(fields, 9, 0, QStringLiteral("Exam Attempt :"), txtExamAtt);
    txtRegfee = bound("txtRegfee", "RegFee", page);
    place(fields, 9, 2, QStringLiteral("Registration Fee :"), txtRegfee);
}

QWidget *frmOruApplication::buildSubjectFrame(QWidget *page)
{
    auto *subjects = new ui::Frame(QStringLiteral("SUBJECTS DETAIL'S"), page);
    subjects->setObjectName(QStringLiteral("Frame2"));
    auto *sub = new QGridLayout(subjects);
    sub->setHorizontalSpacing(6);
    sub->setVerticalSpacing(3);
    createSubjectControls(subjects);
    layOutSubjects(sub, subjects);
    return subjects;
}

void frmOruApplication::createSubjectControls(QWidget *subjects)
{
    cmdFindsubject = kit::pushButton(
        QStringLiteral("cmdFindsubject"), QStringLiteral("&Find"), subjects, kButtonWidth, true);
    txtCourse = kit::lineEdit(QStringLiteral("txtCourse"), subjects);
    shownOnly(txtCourse);
    txtSubId = kit::lineEdit(QStringLiteral("txtSubId"), subjects);
    txtSubId->hide();
    txtSubName = kit::lineEdit(QStringLiteral("txtSubName"), subjects);
    shownOnly(txtSubName);
    txtCourDur = kit::lineEdit(QStringLiteral("txtCourDur"), subjects);
    txtCourDur->hide();
    txt_rate = kit::lineEdit(QStringLiteral("txt_rate"), subjects);
    shownOnly(txt_rate);
    txtDiscount = kit::lineEdit(QStringLiteral("txtDiscount"), subjects);
    txtNetAmt = kit::lineEdit(QStringLiteral("txtNetAmt"), subjects);
    shownOnly(txtNetAmt);
    txtRecAmt = kit::lineEdit(QStringLiteral("txtRecAmt"), subjects);
    txtNarration = kit::lineEdit(QStringLiteral("txtNarration"), subjects);
    ChkInactive = new QCheckBox(QStringLiteral("INACTIVE"), subjects);
    ChkInactive->setObjectName(QStringLiteral("ChkInactive"));
    txtEditRow = kit::lineEdit(QStringLiteral("txtEditRow"), subjects);
    txtEditRow->hide();
    cmd_ADD_1
        = kit::pushButton(QStringLiteral("cmd_ADD_1"), QStringLiteral("&Add"), subjects, kButtonWidth, true);
    cmd_Delete_2 = kit::pushButton(
        QStringLiteral("cmd_Delete_2"), QStringLiteral("&Delete"), subjects, kButtonWidth, true);
    for (QLineEdit *box : {txt_rate, txtDiscount, txtNetAmt, txtRecAmt})
        box->setAlignment(Qt::AlignRight);
}

void frmOruApplication::layOutSubjects(QGridLayout *sub, QWidget *subjects)
{
    sub->addWidget(cmdFindsubject, 0, 0);
    sub->addWidget(caption("Course", subjects), 0, 1);
    sub->addWidget(txtCourse, 0, 2);
    sub->addWidget(caption("Subject Name ", subjects), 0, 3);
    sub->addWidget(txtSubName, 0, 4, 1, 3);
    sub->addWidget(caption("Amount", subjects), 1, 1);
    sub->addWidget(txt_rate, 1, 2);
    sub->addWidget(caption("Discount", subjects), 1, 3);
    sub->addWidget(txtDiscount, 1, 4);
    sub->addWidget(caption("Net Amount", subjects), 1, 5);
    sub->addWidget(txtNetAmt, 1, 6);
    sub->addWidget(ChkInactive, 1, 0);
    sub->addWidget(caption("Narration :", subjects), 2, 1);
    sub->addWidget(txtNarration, 2, 2, 1, 3);
    sub->addWidget(caption("Rec. Amount", subjects), 2, 5);
    sub->addWidget(txtRecAmt, 2, 6);
    auto *lineButtons = new QHBoxLayout;
    lineButtons->addStretch(1);
    lineButtons->addWidget(cmd_ADD_1);
    lineButtons->addWidget(cmd_Delete_2);
    sub->addLayout(lineButtons, 3, 0, 1, 7);
    sub->setColumnStretch(2, 2);
    sub->setColumnStretch(4, 2);
    sub->setColumnStretch(6, 1);
    MshSubject = new ui::Grid(subjects);
    MshSubject->setObjectName(QStringLiteral("MshSubject"));
    MshSubject->setMinimumHeight(110);
    sub->addWidget(MshSubject, 4, 0, 1, 7);
    sub->setRowStretch(4, 1);
}

QHBoxLayout *frmOruApplication::buildTotals(QWidget *page)
{
    auto *totals = new QHBoxLayout;
    txtTotAmount = bound("txtTotAmount", "TotAmt", page);
    txtReceive = bound("txtReceive", "CashReceive", page);
    txtBalance = bound("txtBalance", "CashReceive", page);
    const std::pair<const char *, QLineEdit *> totalBoxes[]
        = {{"Total Amount", txtTotAmount}, {"Cash Receive", txtReceive}, {"Balance Amount:", txtBalance}};
    for (const auto &[text, box] : totalBoxes) {
        shownOnly(box);
        box->setFocusPolicy(Qt::NoFocus);
        box->setAlignment(Qt::AlignRight);
        totals->addWidget(caption(text, page));
        totals->addWidget(box, 1);
    }
    return totals;
}

QHBoxLayout *frmOruApplication::buildButtons(QWidget *page)
{
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const kit::ButtonRow row(buttons, page, kButtonWidth, true);
    cmdSave = row.add(QStringLiteral("cmdSave"), QStringLiteral("&SAVE"));
    cmdCancel = row.add(QStringLiteral("cmdCancel"), QStringLiteral("&NEW"));
    cmdDelete = row.add(QStringLiteral("cmdDelete"), QStringLiteral("&DELETE"));
    cmdPrint = row.add(QStringLiteral("cmdPrint"), QStringLiteral("&PRINT"));
    cmdExit = row.add(QStringLiteral("cmdExit"), QStringLiteral("E&XIT"));
    return buttons;
}

void frmOruApplication::buildSearchTab()
{
    auto *Frame3 = new ui::Frame(SSTab1);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    auto *search = new QVBoxLayout(Frame3);
    auto *criteria = new QHBoxLayout;
    criteria->addWidget(caption("Search Criteria", Frame3));
    cmb_s_cri = new QComboBox(Frame3);
    cmb_s_cri->setObjectName(QStringLiteral("cmb_s_cri"));
    criteria->addWidget(cmb_s_cri);
    criteria->addWidget(caption("Search Value ", Frame3));
    txt_s_value = kit::lineEdit(QStringLiteral("txt_s_value"), Frame3);
    criteria->addWidget(txt_s_value, 1);
    DTPicker1 = new ui::DatePicker(Frame3);
    DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
    criteria->addWidget(DTPicker1);
    search->addLayout(criteria);
    Msh = new ui::Grid(Frame3);
    Msh->setObjectName(QStringLiteral("Msh"));
    search->addWidget(Msh, 1);
    auto *searchButtons = new QHBoxLayout;
    searchButtons->addStretch(1);
    cmdPrintStuRecord = kit::pushButton(
        QStringLiteral("cmdPrintStuRecord"), QStringLiteral("&PRINT"), Frame3, kButtonWidth, true);
    searchButtons->addWidget(cmdPrintStuRecord);
    search->addLayout(searchButtons);
    SSTab1->addTab(Frame3, QStringLiteral("SEARCH"));
}

void frmOruApplication::setFocusOrder()
{
    kit::tabOrder({dtpDate, txtStuNm, txtfathNm, mskNIC, txtICAPReg, txtMailAdd, txtEmail, txtConRes, txtoff,
        txtCellNo, txtAuditFirm, txtLastEduQua, txtModules, cboSession, cmbAtoZ, txtExamAtt, txtRegfee,
        cmdFindsubject, txtDiscount, txtNarration, txtRecAmt, ChkInactive, cmd_ADD_1, cmd_Delete_2,
        MshSubject, cmdSave, cmdCancel, cmdDelete, cmdPrint, cmdExit});
    kit::tabOrder({cmb_s_cri, txt_s_value, DTPicker1, Msh, cmdPrintStuRecord});
}

void frmOruApplication::setKeyRules()
{
    for (QWidget *box :
        std::initializer_list<QWidget *> {txtStuNm, txtfathNm, txtICAPReg, txtCellNo, txtConRes, txtoff,
            txtEmail, txtMailAdd, txtLastEduQua, txtAuditFirm, txtExamAtt, txtModules, mskNIC, txt_s_value})
        ui::keys(box).upperCase().enterMovesNext();
    ui::keys(txtNarration).upperCase().onEnter([this] { txtRecAmt->setFocus(Qt::OtherFocusReason); });
    for (QLineEdit *box : {txtRegfee, txtDiscount, txtRecAmt})
        common::input::amountBox(box);
    ui::keys(txtDiscount).onEnter([this] { txtNarration->setFocus(Qt::OtherFocusReason); });
    ui::keys(txtRecAmt).onEnter([this] { cmd_ADD_1->setFocus(Qt::OtherFocusReason); });
    ui::keys(txtRegfee).enterMovesNext();
    for (QWidget *w : std::initializer_list<QWidget *> {cboSession, cmbAtoZ, dtpDate})
        ui::keys(w).enterMovesNext();
    const auto toList = [this] { Msh->setFocus(Qt::OtherFocusReason); };
    ui::keys(txt_s_value).onKey(Qt::Key_Up, toList).onKey(Qt::Key_Down, toList);
}

void frmOruApplication::connectHandlers()
{
    common::on(cmdFindsubject, &QPushButton::clicked, this, [this](auto &&...) { cmdFindsubject_Click(); });
    common::on(cmd_ADD_1, &QPushButton::clicked, this, [this](auto &&...) { cmd_ADD_1_Click(); });
    common::on(cmd_Delete_2, &QPushButton::clicked, this, [this](auto &&...) { cmd_Delete_2_Click(); });
    common::on(MshSubject, &ui::Grid::cellDoubleClicked, this, [this](auto &&...) { MshSubject_DblClick(); });
    common::on(txtDiscount, &QLineEdit::textEdited, this, [this](auto &&...) { txtDiscount_Change(); });
    common::on(txtRecAmt, &QLineEdit::textEdited, this, [this](auto &&...) { txtRecAmt_Change(); });
    common::on(txt_rate, &QLineEdit::textEdited, this, [this](auto &&...) { recomputeNet(); });
    common::on(cmdCancel, &QPushButton::clicked, this, [this](auto &&...) { ClearAll(); });
    common::on(cmdSave, &QPushButton::clicked, this, [this](auto &&...) { cmdSave_Click(); });
    common::on(cmdDelete, &QPushButton::clicked, this, [this](auto &&...) { cmdDelete_Click(); });
    common::on(cmdPrint, &QPushButton::clicked, this, [this](auto &&...) { cmdPrint_Click(); });
    common::on(
        cmdPrintStuRecord, &QPushButton::clicked, this, [this](auto &&...) { cmdPrintStuRecord_Click(); });
    common::on(cmdExit, &QPushButton::clicked, this, [this](auto &&...) { unload(); });
    common::on(Msh, &ui::Grid::cellDoubleClicked, this, [this](auto &&...) { Msh_DblClick(); });
    common::on(cmb_s_cri, &QComboBox::currentTextChanged, this, [this](auto &&...) { cmb_s_cri_Change(); });
    common::on(txt_s_value, &QLineEdit::textChanged, this, [this](auto &&...) { FillGrid(); });
    common::on(DTPicker1, &QDateEdit::dateChanged, this, [this](auto &&...) { FillGrid(); });
}
