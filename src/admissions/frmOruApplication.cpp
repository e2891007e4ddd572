#include "admissions/frmOruApplication.h"

#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/format.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "common/printing.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"
#include "platform/ui/maskededit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

using admissions::Refusal;
using admissions::SubjectLine;

namespace {

const QString kTagM = QStringLiteral("M");
const QString kNicMask = QStringLiteral("#####-#######-#");
const QString kPickerName = QStringLiteral("frmSearchSub");
// Bound columns the save writes itself.
const QStringList kExplicitColumns {QStringLiteral("AppID"), QStringLiteral("StuName"),
    QStringLiteral("TotAmt"), QStringLiteral("CashReceive"), QStringLiteral("RegFee")};

void info(const QString &text)
{
    common::msgBox(text, common::Buttons::Ok, common::Icon::Information);
}

QLineEdit *lineEdit(QWidget *parent, const QString &name)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    return box;
}

QLabel *label(QWidget *parent, const QString &text)
{
    return new QLabel(text, parent);
}

QPushButton *button(QWidget *parent, const QString &name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    // Enter on a focused button clicks it.
    b->setAutoDefault(true);
    b->setMinimumWidth(80);
    return b;
}

QString money(const db::Value &v)
{
    return v.isNull() ? QString() : admissions::amountText(v.toMoney());
}

// A read-only amount or name box that the program fills.
void shownOnly(QLineEdit *box)
{
    box->setReadOnly(true);
    box->setStyleSheet(QStringLiteral("QLineEdit { background: palette(window); }"));
}

} // namespace

frmOruApplication::frmOruApplication()
    : common::Window(QStringLiteral("frmOruApplication"))
{
    setWindowTitle(QStringLiteral("Application Form"));
    buildControls();
    setKeyRules();
    connectHandlers();
}

frmOruApplication::~frmOruApplication() = default;

void frmOruApplication::buildControls()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 6, 8, 8);
    outer->setSpacing(4);
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
    outer->addLayout(titleRow);

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    outer->addWidget(SSTab1, 1);

    // ---- Tab 0: the application.
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

    const auto bound = [&](const char *name, const char *column) {
        QLineEdit *box = lineEdit(Frame1, QString::fromLatin1(name));
        common::binding::bind(box, kTagM, QString::fromLatin1(column));
        return box;
    };
    const auto place = [&](int row, int col, const QString &caption, QWidget *w, int span = 1) {
        fields->addWidget(label(Frame1, caption), row, col);
        fields->addWidget(w, row, col + 1, 1, span);
    };

    txtAppId = bound("txtAppId", "AppID");
    txtAppId->setMaxLength(20);
    txtAppId->setFocusPolicy(Qt::NoFocus);
    shownOnly(txtAppId);
    place(0, 0, QStringLiteral("STUDENT ID"), txtAppId);
    dtpDate = new ui::DatePicker(Frame1);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    place(0, 2, QStringLiteral("Date  :"), dtpDate);
    DtpFix = new ui::DatePicker(Frame1);
    DtpFix->setObjectName(QStringLiteral("DtpFix"));
    DtpFix->setFocusPolicy(Qt::ClickFocus);
    place(1, 0, QStringLiteral("Fix Date :"), DtpFix);
    cboSession = new ui::DataCombo(Frame1);
    cboSession->setObjectName(QStringLiteral("cboSession"));
    place(1, 2, QStringLiteral("Session Name :"), cboSession);

    txtStuNm = bound("txtStuNm", "StuName");
    place(2, 0, QStringLiteral("Student's Name :"), txtStuNm);
    txtfathNm = bound("txtfathNm", "FatherName");
    place(2, 2, QStringLiteral("Father's Name :"), txtfathNm);
    mskNIC = new ui::MaskedEdit(kNicMask, Frame1);
    mskNIC->setObjectName(QStringLiteral("mskNIC"));
    mskNIC->setProperty("Tag", kTagM);
    place(3, 0, QStringLiteral("N.I.C No :"), mskNIC);
    txtICAPReg = bound("txtICAPReg", "RegNo");
    place(3, 2, QStringLiteral("Reg #."), txtICAPReg);
    txtMailAdd = bound("txtMailAdd", "MailAdd");
    place(4, 0, QStringLiteral("Mailing Address :"), txtMailAdd, 3);
    txtEmail = bound("txtEmail", "Email");
    place(5, 0, QStringLiteral("Email :"), txtEmail);
    txtCellNo = bound("txtCellNo", "CellNo");
    place(5, 2, QStringLiteral("Cell No :"), txtCellNo);
    txtConRes = bound("txtConRes", "Contact");
    place(6, 0, QStringLiteral("Contacts : Residence :"), txtConRes);
    txtoff = bound("txtoff", "Office");
    place(6, 2, QStringLiteral("Office :"), txtoff);
    txtAuditFirm = bound("txtAuditFirm", "AudCompany");
    place(7, 0, QStringLiteral("Audit Firm / Company :"), txtAuditFirm);
    txtLastEduQua = bound("txtLastEduQua", "LastQulS");
    place(7, 2, QStringLiteral("Last Educational Qualification :"), txtLastEduQua);
    txtModules = bound("txtModules", "ModPart");
    place(8, 0, QStringLiteral("Module/Part :"), txtModules);
    cmbAtoZ = new QComboBox(Frame1);
    cmbAtoZ->setObjectName(QStringLiteral("cmbAtoZ"));
    cmbAtoZ->setProperty("Tag", kTagM);
    place(8, 2, QStringLiteral("Section :"), cmbAtoZ);
    txtExamAtt = bound("txtExamAtt", "ExamAtt");
    txtExamAtt->setMaxLength(12);
    place(9, 0, QStringLiteral("Exam Attempt :"), txtExamAtt);
    txtRegfee = bound("txtRegfee", "RegFee");
    txtRegfee->setMaxLength(12);
    place(9, 2, QStringLiteral("Registration Fee :"), txtRegfee);

    // Subject lines.
    auto *subjects = new ui::Frame(QStringLiteral("SUBJECTS DETAIL'S"), Frame1);
    subjects->setObjectName(QStringLiteral("Frame2"));
    auto *sub = new QGridLayout(subjects);
    sub->setHorizontalSpacing(6);
    sub->setVerticalSpacing(3);
    cmdFindsubject = button(subjects, QStringLiteral("cmdFindsubject"), QStringLiteral("&Find"));
    txtCourse = lineEdit(subjects, QStringLiteral("txtCourse"));
    shownOnly(txtCourse);
    txtSubId = lineEdit(subjects, QStringLiteral("txtSubId"));
    txtSubId->hide();
    txtSubName = lineEdit(subjects, QStringLiteral("txtSubName"));
    shownOnly(txtSubName);
    txtCourDur = lineEdit(subjects, QStringLiteral("txtCourDur"));
    txtCourDur->hide();
    txt_rate = lineEdit(subjects, QStringLiteral("txt_rate"));
    txt_rate->setMaxLength(12);
    shownOnly(txt_rate);
    txtDiscount = lineEdit(subjects, QStringLiteral("txtDiscount"));
    txtNetAmt = lineEdit(subjects, QStringLiteral("txtNetAmt"));
    shownOnly(txtNetAmt);
    txtRecAmt = lineEdit(subjects, QStringLiteral("txtRecAmt"));
    txtNarration = lineEdit(subjects, QStringLiteral("txtNarration"));
    ChkInactive = new QCheckBox(QStringLiteral("INACTIVE"), subjects);
    ChkInactive->setObjectName(QStringLiteral("ChkInactive"));
    txtEditRow = lineEdit(subjects, QStringLiteral("txtEditRow"));
    txtEditRow->hide();
    cmd_ADD_1 = button(subjects, QStringLiteral("cmd_ADD_1"), QStringLiteral("&Add"));
    cmd_Delete_2 = button(subjects, QStringLiteral("cmd_Delete_2"), QStringLiteral("&Delete"));
    for (QLineEdit *box : {txt_rate, txtDiscount, txtNetAmt, txtRecAmt})
        box->setAlignment(Qt::AlignRight);

    sub->addWidget(cmdFindsubject, 0, 0);
    sub->addWidget(label(subjects, QStringLiteral("Course")), 0, 1);
    sub->addWidget(txtCourse, 0, 2);
    sub->addWidget(label(subjects, QStringLiteral("Subject Name ")), 0, 3);
    sub->addWidget(txtSubName, 0, 4, 1, 3);
    sub->addWidget(label(subjects, QStringLiteral("Amount")), 1, 1);
    sub->addWidget(txt_rate, 1, 2);
    sub->addWidget(label(subjects, QStringLiteral("Discount")), 1, 3);
    sub->addWidget(txtDiscount, 1, 4);
    sub->addWidget(label(subjects, QStringLiteral("Net Amount")), 1, 5);
    sub->addWidget(txtNetAmt, 1, 6);
    sub->addWidget(ChkInactive, 1, 0);
    sub->addWidget(label(subjects, QStringLiteral("Narration :")), 2, 1);
    sub->addWidget(txtNarration, 2, 2, 1, 3);
    sub->addWidget(label(subjects, QStringLiteral("Rec. Amount")), 2, 5);
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
    page->addWidget(subjects, 1);

    // Totals and buttons.
    auto *totals = new QHBoxLayout;
    txtTotAmount = bound("txtTotAmount", "TotAmt");
    txtReceive = bound("txtReceive", "CashReceive");
    txtBalance = bound("txtBalance", "CashReceive");
    const std::pair<const char *, QLineEdit *> totalBoxes[]
        = {{"Total Amount", txtTotAmount}, {"Cash Receive", txtReceive}, {"Balance Amount:", txtBalance}};
    for (const auto &[caption, box] : totalBoxes) {
        shownOnly(box);
        box->setFocusPolicy(Qt::NoFocus);
        box->setAlignment(Qt::AlignRight);
        totals->addWidget(label(Frame1, QString::fromLatin1(caption)));
        totals->addWidget(box, 1);
    }
    page->addLayout(totals);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdSave = button(Frame1, QStringLiteral("cmdSave"), QStringLiteral("&SAVE"));
    cmdCancel = button(Frame1, QStringLiteral("cmdCancel"), QStringLiteral("&NEW"));
    cmdDelete = button(Frame1, QStringLiteral("cmdDelete"), QStringLiteral("&DELETE"));
    cmdPrint = button(Frame1, QStringLiteral("cmdPrint"), QStringLiteral("&PRINT"));
    cmdExit = button(Frame1, QStringLiteral("cmdExit"), QStringLiteral("E&XIT"));
    for (QPushButton *b : {cmdSave, cmdCancel, cmdDelete, cmdPrint, cmdExit})
        buttons->addWidget(b);
    page->addLayout(buttons);
    SSTab1->addTab(Frame1, QStringLiteral("APPLICATION DATA"));

    // ---- Tab 1: search.
    auto *Frame3 = new ui::Frame(SSTab1);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    auto *search = new QVBoxLayout(Frame3);
    auto *criteria = new QHBoxLayout;
    criteria->addWidget(label(Frame3, QStringLiteral("Search Criteria")));
    cmb_s_cri = new QComboBox(Frame3);
    cmb_s_cri->setObjectName(QStringLiteral("cmb_s_cri"));
    criteria->addWidget(cmb_s_cri);
    criteria->addWidget(label(Frame3, QStringLiteral("Search Value ")));
    txt_s_value = lineEdit(Frame3, QStringLiteral("txt_s_value"));
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
    cmdPrintStuRecord = button(Frame3, QStringLiteral("cmdPrintStuRecord"), QStringLiteral("&PRINT"));
    searchButtons->addWidget(cmdPrintStuRecord);
    search->addLayout(searchButtons);
    SSTab1->addTab(Frame3, QStringLiteral("SEARCH"));

    QWidget *order[] = {dtpDate, txtStuNm, txtfathNm, mskNIC, txtICAPReg, txtMailAdd, txtEmail, txtConRes,
        txtoff, txtCellNo, txtAuditFirm, txtLastEduQua, txtModules, cboSession, cmbAtoZ, txtExamAtt,
        txtRegfee, cmdFindsubject, txtDiscount, txtNarration, txtRecAmt, ChkInactive, cmd_ADD_1, cmd_Delete_2,
        MshSubject, cmdSave, cmdCancel, cmdDelete, cmdPrint, cmdExit};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    setTabOrder(cmb_s_cri, txt_s_value);
    setTabOrder(txt_s_value, DTPicker1);
    setTabOrder(DTPicker1, Msh);
    setTabOrder(Msh, cmdPrintStuRecord);
}

void frmOruApplication::setKeyRules()
{
    for (QWidget *box :
        std::initializer_list<QWidget *> {txtStuNm, txtfathNm, txtICAPReg, txtCellNo, txtConRes, txtoff,
            txtEmail, txtMailAdd, txtLastEduQua, txtAuditFirm, txtExamAtt, txtModules, mskNIC, txt_s_value})
        ui::keys(box).upperCase().enterMovesNext();
    ui::keys(txtNarration).upperCase().onEnter([this] { txtRecAmt->setFocus(Qt::OtherFocusReason); });
    const QString numbers = QStringLiteral("[0-9 .]");
    ui::keys(txtDiscount).dropBlanks().once(QStringLiteral(".")).pattern(numbers).onEnter([this] {
        txtNarration->setFocus(Qt::OtherFocusReason);
    });
    ui::keys(txtRecAmt).dropBlanks().once(QStringLiteral(".")).pattern(numbers).onEnter([this] {
        cmd_ADD_1->setFocus(Qt::OtherFocusReason);
    });
    ui::keys(txtRegfee).dropBlanks().once(QStringLiteral(".")).pattern(numbers).enterMovesNext();
    for (QWidget *w : std::initializer_list<QWidget *> {cboSession, cmbAtoZ, dtpDate})
        ui::keys(w).enterMovesNext();
    const auto toList = [this] { Msh->setFocus(Qt::OtherFocusReason); };
    ui::keys(txt_s_value).onKey(Qt::Key_Up, toList).onKey(Qt::Key_Down, toList);
}

void frmOruApplication::connectHandlers()
{
    common::on(cmdFindsubject, &QPushButton::clicked, this, [this](auto &&...) { cmdFindsubjectClick(); });
    common::on(cmd_ADD_1, &QPushButton::clicked, this, [this](auto &&...) { cmdAddClick(); });
    common::on(cmd_Delete_2, &QPushButton::clicked, this, [this](auto &&...) { cmdDeleteLineClick(); });
    common::on(MshSubject, &ui::Grid::cellDoubleClicked, this, [this](auto &&...) { mshSubjectDblClick(); });
    common::on(txtDiscount, &QLineEdit::textEdited, this, [this](auto &&...) { txtDiscountChanged(); });
    common::on(txtRecAmt, &QLineEdit::textEdited, this, [this](auto &&...) { txtRecAmtChanged(); });
    common::on(txt_rate, &QLineEdit::textEdited, this, [this](auto &&...) { recomputeNet(); });
    common::on(cmdCancel, &QPushButton::clicked, this, [this](auto &&...) { ClearAll(); });
    common::on(cmdSave, &QPushButton::clicked, this, [this](auto &&...) { cmdSaveClick(); });
    common::on(cmdDelete, &QPushButton::clicked, this, [this](auto &&...) { cmdDeleteClick(); });
    common::on(cmdPrint, &QPushButton::clicked, this, [this](auto &&...) { cmdPrintClick(); });
    common::on(
        cmdPrintStuRecord, &QPushButton::clicked, this, [this](auto &&...) { cmdPrintStuRecordClick(); });
    common::on(cmdExit, &QPushButton::clicked, this, [this](auto &&...) { unload(); });
    common::on(Msh, &ui::Grid::cellDoubleClicked, this, [this](auto &&...) { mshDblClick(); });
    common::on(cmb_s_cri, &QComboBox::currentTextChanged, this, [this](auto &&...) { criterionChanged(); });
    common::on(txt_s_value, &QLineEdit::textChanged, this, [this](auto &&...) { FillGrid(); });
    common::on(DTPicker1, &QDateEdit::dateChanged, this, [this](auto &&...) { FillGrid(); });
}

// --- Load, activation, unload ------------------------------------------------

void frmOruApplication::formLoad()
{
    setWidthTwips(11700);
    setHeightTwips(10800);
    lblLogin->setText(QStringLiteral("User Name : ") + gUserName);

    m_sessions = std::make_unique<db::Recordset>();
    m_sessions->open(
        QStringLiteral("Select SessionId,SessionName From tblSession Order By SessionName"), *gConn);
    cboSession->fill(*m_sessions, QStringLiteral("SessionName"), QStringLiteral("SessionId"));
    if (m_sessions->recordCount() > 0) {
        m_sessions->moveLast();
        cboSession->setBoundText(m_sessions->fields(QStringLiteral("SessionId")).toString());
    }

    for (char c = 'A'; c <= 'Z'; ++c)
        cmbAtoZ->addItem(QString(QLatin1Char(c)));
    cmbAtoZ->setCurrentIndex(0);

    FixAccount();
    ui::showTab(SSTab1, 0);
    {
        const QSignalBlocker quiet(cmb_s_cri);
        cmb_s_cri->addItems(admissions::searchCriteria());
        cmb_s_cri->setCurrentIndex(0);
    }
    criterionChanged();
    setGrid();
    SearchGrid();
    FillGrid();
    SetMaxLenght();
    dtpDate->setDate(QDate::currentDate());
    DtpFix->setDate(QDate::currentDate());
}

void frmOruApplication::formActivate()
{
    if (gPickSubId == 0)
        return;
    txtCourse->setText(gPickCourseName);
    txtSubId->setText(QString::number(gPickSubId));
    txtSubName->setText(gPickSubName);
    txtCourDur->setText(gPickCourseDurr);
    txt_rate->setText(admissions::amountText(db::Money::fromDouble(gPickSubAmount)));
    // The discount still shown counts against the new subject's amount too.
    txtDiscountChanged();
    gPickCourseName.clear();
    gPickCourseDurr.clear();
    gPickSubName.clear();
    gPickSubId = 0;
    gPickSubAmount = 0;
    txtDiscount->setFocus(Qt::OtherFocusReason);
}

void frmOruApplication::formUnload()
{
    gSubjectFormFromPicker = false;
    ApplyMenuRights();
}

// --- Procedures ------------------------------------------------------------

void frmOruApplication::setGrid()
{
    static const std::pair<const char *, int> columns[]
        = {{"Sub ID", 0}, {"Course", 1500}, {"Subjects", 4000}, {"Subject Amount", 1500}, {"Discount", 1200},
            {"Narration", 3000}, {"Net Amount", 1500}, {"Rec. Amount", 1500}, {"InActive", 700}};
    MshSubject->setCols(int(std::size(columns)));
    MshSubject->setRows(1);
    for (int c = 0; c < int(std::size(columns)); ++c) {
        MshSubject->setTextMatrix(0, c, QString::fromLatin1(columns[c].first));
        MshSubject->setColWidth(c, columns[c].second);
    }
}

void frmOruApplication::FixAccount()
{
    const admissions::AdmissionSetup s = admissions::readAdmissionSetup(*gConn);
    m_StudentHeadNodes = s.studentHeadNodes;
    m_CashAcCode = std::int32_t(s.cashAcCode);
}

void frmOruApplication::totAmount()
{
    const admissions::Totals t = admissions::totalsOf(gridLines());
    txtTotAmount->setText(admissions::amountText(t.total));
    txtReceive->setText(admissions::amountText(t.received));
    txtBalance->setText(admissions::amountText(
        admissions::leadingAmount(txtTotAmount->text()) - admissions::leadingAmount(txtReceive->text())));
}

void frmOruApplication::ClearAll()
{
    common::binding::clear(this, kTagM);
    for (QLineEdit *box : {txtEditRow, txtCourse, txtSubId, txtSubName, txtCourDur, txt_rate, txtNarration,
             txtDiscount, txtNetAmt, txtRecAmt})
        box->clear();
    ChkInactive->setChecked(false);
    txtStuNm->clear();
    mskNIC->reset();
    m_LoadedStuName.clear();
    MshSubject->clearCells();
    setGrid();
    dtpDate->setDate(QDate::currentDate());
    dtpDate->setFocus(Qt::OtherFocusReason);
}

void frmOruApplication::FillGrid()
{
    const admissions::Query q
        = admissions::applicationListQuery(cmb_s_cri->currentText(), txt_s_value->text(), DTPicker1->date());
    OpenQuery(q.sql, q.params);
    if (gRs->recordCount() == 0) {
        Msh->clearToBlank();
    } else {
        Msh->setUpdatesEnabled(false);
        Msh->bind(*gRs);
        Msh->setUpdatesEnabled(true);
    }
    SearchGrid();
}

void frmOruApplication::SearchGrid()
{
    static const std::pair<const char *, int> columns[] = {{"Application ID", 1500}, {"Reg #.", 1500},
        {"Fix Date", 1500}, {"Date", 1500}, {"Student Name", 3000}, {"Father Name", 2500}, {"Cell No.", 3800},
        {"Total Amount", 2200}, {"Cash Receive", 1800}};
    Msh->setCols(int(std::size(columns)));
    for (int c = 0; c < int(std::size(columns)); ++c) {
        Msh->setTextMatrix(0, c, QString::fromLatin1(columns[c].first));
        Msh->setColWidth(c, columns[c].second);
    }
}

void frmOruApplication::OpenData()
{
    bool isNumber = false;
    const qlonglong appId = txtAppId->text().trimmed().toLongLong(&isNumber);
    OpenQuery(
        QStringLiteral("select * from tblMasApp where AppID = ?"), {db::Value(isNumber ? appId : -1LL)});
    txtEditRow->clear();
    if (gRs->eof()) {
        ClearAll();
        return;
    }
    gRs->moveFirst();
    common::binding::load(this, kTagM, *gRs);
    txtStuNm->setText(gRs->fields(QStringLiteral("StuName")).toString());
    const db::Value cusCode = gRs->fields(QStringLiteral("CusCode")).value();
    setAccountKey(cusCode.isNull() ? QString() : cusCode.toString());
    cboSession->setBoundText(gRs->fields(QStringLiteral("SessionID")).toString());
    cmbAtoZ->setCurrentText(gRs->fields(QStringLiteral("SectionAtoZ")).toString());
    txtRegfee->setText(money(gRs->fields(QStringLiteral("RegFee")).value()));
    txtReceive->setText(money(gRs->fields(QStringLiteral("CashReceive")).value()));
    m_LoadedStuName = txtStuNm->text();
    dtpDate->setDate(gRs->fields(QStringLiteral("AppDate")).toDate());
    const QDate fix = gRs->fields(QStringLiteral("FixDate")).toDate();
    DtpFix->setDate(fix.isValid() ? fix : QDate::currentDate());
    const db::Value nic = gRs->fields(QStringLiteral("NIC")).value();
    mskNIC->reset();
    if (!nic.isNull())
        mskNIC->setText(nic.toString());

    OpenQuery(
        QStringLiteral("select a.*,(select CourseName from tblCourse where CourseId = (select CourseId from "
                       "tblSubject where SubID = a.SubID)) as Course,(select SubName from tblSubject where "
                       "SubID = a.SubID) as subName from tblDetApp a where a.AppID = ?"),
        {db::Value(appId)});
    MshSubject->clearCells();
    setGrid();
    if (gRs->recordCount() == 0) {
        ChkInactive->setChecked(false);
    } else {
        for (gRs->moveFirst(); !gRs->eof(); gRs->moveNext()) {
            const auto text = [](const db::Field &f) { return f.toString(); };
            const auto amount = [](const db::Field &f) { return money(f.value()); };
            MshSubject->addRow({text(gRs->fields(QStringLiteral("SubID"))),
                text(gRs->fields(QStringLiteral("Course"))), text(gRs->fields(QStringLiteral("subName"))),
                amount(gRs->fields(QStringLiteral("SubAmt"))),
                amount(gRs->fields(QStringLiteral("Discount"))),
                text(gRs->fields(QStringLiteral("Nerration"))),
                amount(gRs->fields(QStringLiteral("NetAmount"))),
                amount(gRs->fields(QStringLiteral("RecAmount"))),
                text(gRs->fields(QStringLiteral("InActive")))});
        }
    }
    totAmount();
}

void frmOruApplication::SetMaxLenght()
{
    const auto limit = [](QLineEdit *box, const QString &table, const QString &column) {
        OpenQuery(QStringLiteral("Select * From %1 Where 0=1").arg(table));
        const int index = gRs->indexOf(column);
        if (index >= 0 && gRs->column(index).definedSize > 0)
            box->setMaxLength(gRs->column(index).definedSize);
    };
    limit(txtNarration, QStringLiteral("tblDetApp"), QStringLiteral("Nerration"));
    // The address is copied to the student's account, whose column is the
    // narrower one.
    limit(txtMailAdd, QStringLiteral("Accounts"), QStringLiteral("Addr"));
}

// --- Subject lines ---------------------------------------------------------

void frmOruApplication::cmdFindsubjectClick()
{
    common::windows::unload(kPickerName);
    common::Window *picker = common::windows::show(kPickerName);
    if (!picker) {
        info(QStringLiteral("The subject list cannot be opened."));
        return;
    }
    picker->moveTwips(3300, 1400);
    picker->setWidthTwips(7860);
    picker->setHeightTwips(5835);
}

void frmOruApplication::cmdAddClick()
{
    if (txtSubId->text().isEmpty()) {
        info(QStringLiteral("Please select Subject Name "));
        txtSubName->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (txt_rate->text().isEmpty() || admissions::leadingAmount(txt_rate->text()) == db::Money()) {
        info(QStringLiteral("please enter Amount "));
        txt_rate->setFocus(Qt::OtherFocusReason);
        return;
    }
    int row = MshSubject->rows();
    if (!txtEditRow->text().isEmpty()) {
        row = txtEditRow->text().toInt();
        if (row < 1 || row >= MshSubject->rows())
            return;
    }
    // The net amount shown may date from before the last change of amount
    // or discount; the line takes the one they give.
    recomputeNet();
    const SubjectLine line {txtSubId->text(), txtCourse->text(), txtSubName->text(), txt_rate->text(),
        txtDiscount->text(), txtNarration->text(), txtNetAmt->text(), txtRecAmt->text(),
        ChkInactive->isChecked() ? QStringLiteral("1") : QStringLiteral("0")};
    const admissions::LineRefusal refusal = admissions::checkLine(line, gridLines(), row - 1);
    if (refusal != admissions::LineRefusal::None) {
        info(admissions::lineRefusalMessage(refusal));
        QLineEdit *focus = refusal == admissions::LineRefusal::DuplicateSubject ? txtSubName
            : refusal == admissions::LineRefusal::DiscountAboveAmount           ? txtDiscount
                                                                                : txtRecAmt;
        focus->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (row == MshSubject->rows())
        MshSubject->setRows(row + 1);
    const QString cells[] = {line.subId, line.course, line.subName, line.subAmt, line.discount,
        line.narration, line.netAmount, line.recAmount, line.inActive};
    for (int c = 0; c < int(std::size(cells)); ++c)
        MshSubject->setTextMatrix(row, c, cells[c]);
    for (QLineEdit *box : {txtEditRow, txtCourse, txtSubId, txtSubName, txtNarration, txt_rate, txtDiscount,
             txtNetAmt, txtRecAmt})
        box->clear();
    ChkInactive->setChecked(false);
    cmdFindsubject->setFocus(Qt::OtherFocusReason);
    totAmount();
}

void frmOruApplication::cmdDeleteLineClick()
{
    if (MshSubject->rows() > 2) {
        const int row = MshSubject->row();
        if (row >= 1 && row < MshSubject->rows())
            MshSubject->removeRow(row);
    } else {
        MshSubject->setRows(1);
    }
    for (QLineEdit *box : {txtEditRow, txtCourse, txtSubId, txtSubName, txtCourDur, txt_rate, txtDiscount,
             txtNetAmt, txtRecAmt, txtNarration})
        box->clear();
    ChkInactive->setChecked(false);
    totAmount();
}

void frmOruApplication::mshSubjectDblClick()
{
    const int row = MshSubject->row();
    if (row < 1 || MshSubject->textMatrix(row, 0).isEmpty())
        return;
    txtEditRow->setText(QString::number(row));
    QLineEdit *boxes[]
        = {txtSubId, txtCourse, txtSubName, txt_rate, txtDiscount, txtNarration, txtNetAmt, txtRecAmt};
    for (int c = 0; c < int(std::size(boxes)); ++c)
        boxes[c]->setText(MshSubject->textMatrix(row, c));
    const QString inactive = MshSubject->textMatrix(row, 8);
    ChkInactive->setChecked(!(inactive.isEmpty() || inactive == u"0"));
}

void frmOruApplication::recomputeNet()
{
    txtNetAmt->setText(admissions::amountText(
        admissions::leadingAmount(txt_rate->text()) - admissions::leadingAmount(txtDiscount->text())));
}

// The discount is bounded by the subject amount, so the net amount is never negative.
void frmOruApplication::txtDiscountChanged()
{
    if (admissions::leadingAmount(txtDiscount->text()) > admissions::leadingAmount(txt_rate->text()))
        txtDiscount->clear();
    recomputeNet();
}

void frmOruApplication::txtRecAmtChanged()
{
    if (admissions::leadingAmount(txtNetAmt->text()) < admissions::leadingAmount(txtRecAmt->text()))
        txtRecAmt->clear();
}

QList<SubjectLine> frmOruApplication::gridLines() const
{
    QList<SubjectLine> lines;
    for (int r = 1; r < MshSubject->rows(); ++r) {
        const auto cell = [&](int c) { return MshSubject->textMatrix(r, c); };
        lines << SubjectLine {
            cell(0), cell(1), cell(2), cell(3), cell(4), cell(5), cell(6), cell(7), cell(8)};
    }
    return lines;
}

// --- Save, delete, open ----------------------------------------------------

QString frmOruApplication::accountKey() const
{
    const QString tag = txtStuNm->property("Tag").toString();
    return tag == kTagM ? QString() : tag;
}

void frmOruApplication::setAccountKey(const QString &key)
{
    txtStuNm->setProperty("Tag", key);
}

admissions::ApplicationEntry frmOruApplication::entryOnScreen() const
{
    admissions::ApplicationEntry e;
    e.appId = txtAppId->text().trimmed();
    for (QLineEdit *box : common::binding::fields(const_cast<frmOruApplication *>(this), kTagM)) {
        const QString column = common::binding::dataFieldOf(box);
        if (!kExplicitColumns.contains(column, Qt::CaseInsensitive))
            e.fields.append({column, box->text()});
    }
    e.stuName = txtStuNm->text();
    e.cellNo = txtCellNo->text();
    e.mailAdd = txtMailAdd->text();
    e.contact = txtConRes->text();
    e.regFee = txtRegfee->text();
    e.sessionId = cboSession->boundText();
    e.section = cmbAtoZ->currentText();
    // An untouched masked box shows only its picture: no number to store.
    const QString nic = mskNIC->text();
    e.nic = std::any_of(nic.begin(), nic.end(), [](QChar ch) { return ch.isDigit(); }) ? nic : QString();
    e.appDate = dtpDate->date();
    e.fixDate = DtpFix->date();
    e.loadedStuName = m_LoadedStuName;
    e.lines = gridLines();
    return e;
}

void frmOruApplication::cmdSaveClick()
{
    admissions::AdmissionSetup setup;
    setup.studentHeadNodes = m_StudentHeadNodes;
    setup.cashAcCode = m_CashAcCode;
    const admissions::ApplicationEntry entry = entryOnScreen();
    m_IsNewApp = entry.appId.isEmpty();
    const admissions::SaveOutcome out = admissions::saveApplication(*gConn, setup, entry, gUserName);
    if (!out.ok()) {
        info(out.message);
        switch (out.refusal) {
        case Refusal::NoStudentName:
        case Refusal::DuplicateStudent:
            txtStuNm->setFocus(Qt::OtherFocusReason);
            break;
        case Refusal::NoCellNo:
            txtCellNo->setFocus(Qt::OtherFocusReason);
            break;
        case Refusal::NoSubjects:
            cmdFindsubject->setFocus(Qt::OtherFocusReason);
            break;
        case Refusal::NoSession:
        case Refusal::NoSessionYet:
            cboSession->setFocus(Qt::OtherFocusReason);
            break;
        case Refusal::DuplicateSubject:
        case Refusal::ReceivedAboveNet:
            MshSubject->setFocus(Qt::OtherFocusReason);
            break;
        default:
            break;
        }
        return;
    }
    txtAppId->setText(QString::number(out.appId));
    setAccountKey(QString::number(out.accountKey));
    // The name now stored is the one a later save compares against.
    m_LoadedStuName = txtStuNm->text();
    totAmount();
    FillGrid();
    txtStuNm->setFocus(Qt::OtherFocusReason);
}

void frmOruApplication::cmdDeleteClick()
{
    const QString id = txtAppId->text().trimmed();
    if (!id.isEmpty()) {
        const std::int64_t appId = id.toLongLong();
        if (const QString refusal = admissions::deleteRefusal(*gConn, appId); !refusal.isEmpty()) {
            info(refusal);
            return;
        }
        if (common::msgBox(QStringLiteral("Are you sure Delete this Application"), common::Buttons::YesNo,
                common::Icon::Information)
            == common::Answer::Yes) {
            if (const QString refusal = admissions::deleteApplication(*gConn, appId); !refusal.isEmpty()) {
                info(refusal);
                return;
            }
            ClearAll();
            setAccountKey(kTagM);
            txtStuNm->setFocus(Qt::OtherFocusReason);
        }
    }
    FillGrid();
}

void frmOruApplication::mshDblClick()
{
    const int row = Msh->row();
    if (row < 1 || row >= Msh->rows())
        return;
    const QString id = Msh->textMatrix(row, 0);
    if (id.isEmpty())
        return;
    ClearAll();
    txtAppId->setText(id);
    OpenData();
    ui::showTab(SSTab1, 0);
}

void frmOruApplication::criterionChanged()
{
    DTPicker1->setVisible(cmb_s_cri->currentText() == u"Date");
}

// --- Printouts ---------------------------------------------------------------

void frmOruApplication::cmdPrintClick()
{
    if (txtAppId->text().isEmpty()) {
        info(QStringLiteral("Please select Student"));
        return;
    }
    common::PrintJob job;
    job.reportFile = QStringLiteral("\\rptApplication.rpt");
    job.user = gUserName;
    job.password = gUserPassword;
    job.selection = QStringLiteral("{tblMasApp.AppId} = ") + QString::number(txtAppId->text().toLongLong());
    common::printReport(job);
}

void frmOruApplication::cmdPrintStuRecordClick()
{
    common::PrintJob job;
    job.reportFile = QStringLiteral("\\rptAdmissionDetail.rpt");
    job.user = gUserName;
    job.password = gUserPassword;
    job.selection = admissions::admissionDetailSelection(
        cmb_s_cri->currentText(), txt_s_value->text(), DTPicker1->date());
    common::printReport(job);
}
