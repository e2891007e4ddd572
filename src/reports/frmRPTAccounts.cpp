#include "reports/frmRPTAccounts.h"

#include "accounts/picker.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/format.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "common/printing.h"
#include "platform/ui/controls.h"
#include "reports/report_rules.h"
#include "reports/reports.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace reports {
namespace {

QString iso(const QDate &d)
{
    return common::fmt::isoDate(d);
}

QString shortDate(const QDate &d)
{
    return d.toString(QStringLiteral("dd/MM/yyyy"));
}

QLabel *label(QWidget *parent, const char *name, const char *text)
{
    auto *l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

frmRPTAccounts::frmRPTAccounts()
    : Window(QStringLiteral("frmRPTAccounts"))
{
    setWindowTitle(QStringLiteral("Accounts Report"));
    createControls();
    createFrames();
    layOut();
    connectControls();
    setTabOrders();
}

void frmRPTAccounts::createControls()
{
    LblMain = label(this, "LblMain", "Reports");
    QFont heading = LblMain->font();
    heading.setPointSize(heading.pointSize() + 5);
    heading.setBold(true);
    LblMain->setFont(heading);
    LblMain->setAlignment(Qt::AlignCenter);

    LblFrom = label(this, "LblFrom", "From :");
    DTPicker1 = new ui::DatePicker(this);
    DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
    LblTo = label(this, "LblTo", "To :");
    DTPicker2 = new ui::DatePicker(this);
    DTPicker2->setObjectName(QStringLiteral("DTPicker2"));

    lblAC = label(this, "lblAC", "Head Of Account :");
    txtAcName = new QLineEdit(this);
    txtAcName->setObjectName(QStringLiteral("txtAcName"));
    txtAcName->setReadOnly(true);
    cmdFindAC = new QPushButton(QStringLiteral("Find A/C"), this);
    cmdFindAC->setObjectName(QStringLiteral("cmdFindAC"));

    Label23 = label(this, "Label23", "Session Name :");
    cboSession = new ui::DataCombo(this);
    cboSession->setObjectName(QStringLiteral("cboSession"));
    LblCourseName = label(this, "LblCourseName", "Course Name  :");
    DtaCourse = new ui::DataCombo(this);
    DtaCourse->setObjectName(QStringLiteral("DtaCourse"));
    DtaCourse->setEditable(true); // the text can be cleared for "all courses"
    LblSubname = label(this, "LblSubname", "Subject Name :");
    DtaSubject = new ui::DataCombo(this);
    DtaSubject->setObjectName(QStringLiteral("DtaSubject"));
    DtaSubject->setEditable(true);
    for (QWidget *w : {static_cast<QWidget *>(Label23), static_cast<QWidget *>(cboSession),
             static_cast<QWidget *>(LblCourseName), static_cast<QWidget *>(DtaCourse),
             static_cast<QWidget *>(LblSubname), static_cast<QWidget *>(DtaSubject)})
        w->setVisible(false);
}

void frmRPTAccounts::createFrames()
{
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    // Every report frame lies in the one cell of this place, on top of the others.
    m_framePlace = new QWidget(Frame1);
    auto *place = new QGridLayout(m_framePlace);
    place->setContentsMargins(0, 0, 0, 0);
    auto *frame1Layout = new QHBoxLayout(Frame1);
    frame1Layout->addStretch();
    frame1Layout->addWidget(m_framePlace);
    frame1Layout->addStretch();

    addFrame("frmCashBook", "Cash Book", "LblCashBook", "Cash Book", "cmdCashBook",
        &frmRPTAccounts::cmdCashBook_Click);
    addFrame("frmBankBook", "Bank Book", "LblBankBook", "Bank Book", "cmdBankBook",
        &frmRPTAccounts::cmdBankBook_Click);
    addFrame("frmSimpleLedger", "Simple Ledger", "LblSimpleLedger", "Simple Ledger", "cmdLedger",
        &frmRPTAccounts::cmdLedger_Click);
    addFrame("frmDetailLedger", "Detail Ledger", "LblDetLedger", "Detail Ledger", "cmdDetLedger",
        &frmRPTAccounts::cmdDetLedger_Click);
    addFrame("frmSubTBSimple", "Subsidiary Trial Balance Simple", "LblSubTrialBalSim",
        "Subsidiary Trial Balance Simple", "cmdTrialBal", &frmRPTAccounts::cmdTrialBal_Click);
    addFrame("frmControlTB", "Contorl Trial Balance", "LblConTrialBal", "Control Trial Balance",
        "cmdTrialControl", &frmRPTAccounts::cmdTrialControl_Click);
    addFrame("frmSubTBWOB", "Subsidiary Trial Balance (With Opening)", "LblSubTrialBalWithOpen",
        "Subsidiary Trial Balance (With Opening)", "cmdTrialOpening", &frmRPTAccounts::cmdTrialOpening_Click);
    addFrame("frmFeeDetail", "Session Wise Outstanding", "LblSessionWiseOut", "Session Wise Outstanding",
        "cmdFeeDetail", &frmRPTAccounts::cmdFeeDetail_Click);
    addFrame("frmStuFeeDetail", "Active Student Wise Detail", "LblStuFeeDet", "Active Student Wise Detail",
        "cmdStuFeeDet", &frmRPTAccounts::cmdStuFeeDet_Click);
    addFrame("frmInActiveStuFeeDetail", "InActive Student Wise Detail", "Label1",
        "InActive Student Wise Detail", "cmdInActiveStuFeeDet", &frmRPTAccounts::cmdInActiveStuFeeDet_Click);
}

void frmRPTAccounts::layOut()
{
    auto *inputs = new QGridLayout;
    inputs->setHorizontalSpacing(8);
    inputs->addWidget(LblFrom, 0, 0);
    inputs->addWidget(DTPicker1, 0, 1);
    inputs->addWidget(LblTo, 0, 2, Qt::AlignRight);
    inputs->addWidget(DTPicker2, 0, 3);
    inputs->addWidget(lblAC, 1, 0);
    inputs->addWidget(txtAcName, 1, 1, 1, 3);
    inputs->addWidget(cmdFindAC, 1, 4);
    inputs->addWidget(Label23, 2, 0);
    inputs->addWidget(cboSession, 2, 1, 1, 3);
    inputs->addWidget(LblCourseName, 3, 0);
    inputs->addWidget(DtaCourse, 3, 1, 1, 3);
    inputs->addWidget(LblSubname, 4, 0);
    inputs->addWidget(DtaSubject, 4, 1, 1, 3);
    inputs->setColumnStretch(1, 1);
    inputs->setColumnStretch(3, 1);

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(16, 12, 16, 12);
    main->setSpacing(10);
    main->addWidget(LblMain);
    main->addLayout(inputs);
    main->addWidget(Frame1);
    main->addStretch();
}

void frmRPTAccounts::connectControls()
{
    common::on(cmdFindAC, &QPushButton::clicked, this, [this](auto &&...) { cmdFindAC_Click(); });
    common::on(DtaCourse, &QComboBox::currentTextChanged, this, [this](auto &&...) { DtaCourse_Change(); });
}

void frmRPTAccounts::setTabOrders()
{
    setTabOrder(DTPicker1, DTPicker2);
    setTabOrder(DTPicker2, cmdFindAC);
    setTabOrder(cmdFindAC, cboSession);
    setTabOrder(cboSession, DtaCourse);
    setTabOrder(DtaCourse, DtaSubject);
}

frmRPTAccounts::~frmRPTAccounts() = default;

QGroupBox *frmRPTAccounts::addFrame(const char *frame, const char *caption, const char *labelName,
    const char *labelText, const char *button, void (frmRPTAccounts::*run)())
{
    auto *f = new QGroupBox(QString::fromLatin1(caption), m_framePlace);
    f->setObjectName(QString::fromLatin1(frame));
    f->setProperty("Tag", QStringLiteral("R"));
    f->setVisible(false);
    QLabel *l = label(f, labelName, labelText);
    QFont bold = l->font();
    bold.setBold(true);
    l->setFont(bold);
    auto *b = new QPushButton(f);
    b->setObjectName(QString::fromLatin1(button));
    b->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    b->setIconSize(QSize(20, 20));
    b->setFixedSize(common::twips(420), common::twips(420));
    b->setToolTip(QStringLiteral("Show the report"));
    auto *row = new QHBoxLayout(f);
    row->addWidget(l, 1);
    row->addWidget(b);
    f->setMinimumWidth(common::twips(6600));
    static_cast<QGridLayout *>(m_framePlace->layout())->addWidget(f, 0, 0);
    common::on(b, &QPushButton::clicked, this, [this, run](auto &&...) { (this->*run)(); });
    return f;
}

void frmRPTAccounts::formLoad()
{
    common::formkit::fillChoices(DtaCourse, rules::courses(*gConn));
    const common::Choices sessions = rules::sessions(*gConn);
    common::formkit::fillChoices(cboSession, sessions);
    if (!sessions.isEmpty())
        cboSession->setBoundText(sessions.last().key);
    Frame1->setFixedSize(common::twips(9225), common::twips(1700));
    setWidthTwips(10000);
    setHeightTwips(6725);
    DTPicker1->setDate(QDate::currentDate());
    DTPicker2->setDate(QDate::currentDate());
}

void frmRPTAccounts::formActivate()
{
    if (gFindAcRowID > 0) {
        txtAcName->setText(gFindAcName);
        m_account = gFindAcRowID;
        if (cmdFindAC->isVisible())
            cmdFindAC->setFocus();
        gFindAcName.clear();
        gFindAcRowID = 0;
    }
}

void frmRPTAccounts::formUnload()
{
    ApplyMenuRights();
}

void frmRPTAccounts::cmdFindAC_Click()
{
    // Every subsidiary account, whatever filter another window left behind:
    // a ledger of a head would list nothing.
    accounts::openAccountPicker(this, QString());
}

void frmRPTAccounts::DtaCourse_Change()
{
    if (!DtaCourse->currentText().isEmpty() && !keyOf(DtaCourse).isEmpty()) {
        FillSubjects();
        return;
    }
    QSignalBlocker block(DtaSubject);
    DtaSubject->clear();
    DtaSubject->setCurrentIndex(-1);
}

void frmRPTAccounts::FillSubjects()
{
    common::formkit::fillChoices(DtaSubject, rules::subjectsOf(*gConn, keyOf(DtaCourse)));
}

QString frmRPTAccounts::keyOf(const ui::DataCombo *combo)
{
    const QString text = combo->currentText();
    if (text.isEmpty())
        return {};
    if (combo->currentIndex() >= 0 && combo->itemText(combo->currentIndex()) == text)
        return combo->currentData().toString();
    const int i = combo->findText(text, Qt::MatchFixedString);
    return i >= 0 ? combo->itemData(i).toString() : QString();
}

QString frmRPTAccounts::datesText(const QString &between) const
{
    return QStringLiteral("From :  ") + shortDate(DTPicker1->date()) + between + shortDate(DTPicker2->date());
}

bool frmRPTAccounts::accountChosen()
{
    if (m_account != 0)
        return true;
    common::msgBox(QStringLiteral("please select Account"), common::Buttons::Ok, common::Icon::Information);
    if (cmdFindAC->isVisible())
        cmdFindAC->setFocus();
    return false;
}

// ------------------------------------------------------------ books and ledgers

void frmRPTAccounts::printBook(std::int64_t key)
{
    const QString account = QString::number(key);
    const QString from = iso(DTPicker1->date());
    const QString to = iso(DTPicker2->date());
    common::PrintJob job = common::sessionJob(QStringLiteral("\\rptAcLedger3.rpt"));
    job.selection = QStringLiteral("{Company.comActive}='Y' and {DetJV.CrAc} = ") + account
        + QStringLiteral(" and {DetJV.VouDate} in #") + from + QStringLiteral("# to #") + to
        + QStringLiteral("#");
    job.formulas = {{QStringLiteral("Dates"), datesText(QStringLiteral("  To :  "))}};
    job.subreportSelections = {
        {QStringLiteral("rptSubAc"), QStringLiteral("{Accounts.RowID} = ") + account},
        {QStringLiteral("rptSubOpening"),
            QStringLiteral("{DetJV.AcCode} = ") + account + QStringLiteral(" and {DetJV.VouDate} < #") + from
                + QStringLiteral("#")},
        {QStringLiteral("rptSubAcOpen"), QStringLiteral("{Accounts.RowID}  = ") + account},
    };
    common::printReport(job);
}

void frmRPTAccounts::cmdCashBook_Click()
{
    const std::int64_t cash = rules::cashBookAccount(*gConn);
    if (cash == 0) {
        common::msgBox(
            QStringLiteral("Cash Book Account not found!"), common::Buttons::Ok, common::Icon::Information);
        return;
    }
    printBook(cash);
}

void frmRPTAccounts::cmdBankBook_Click()
{
    if (!accountChosen())
        return;
    printBook(m_account);
}

void frmRPTAccounts::printLedger(const std::function<void()> &procedure)
{
    // The procedure's work tables and the report's own reads are of one
    // moment of the books: a ledger's later lines are written as it is read.
    db::Connection::ReadSnapshot moment(*gConn);
    if (!common::runReportProcedure(procedure))
        return;
    common::PrintJob job = common::sessionJob(QStringLiteral("\\rptAcLedger.rpt"));
    job.formulas = {{QStringLiteral("Dates"), datesText(QStringLiteral("  To :  "))}};
    job.subreportSelections
        = {{QStringLiteral("rptSubAC"), QStringLiteral("{Accounts.RowID} = ") + QString::number(m_account)}};
    common::printReport(job);
}

void frmRPTAccounts::cmdLedger_Click()
{
    if (!accountChosen())
        return;
    printLedger([this] { rules::runLedger(*gConn, m_account, DTPicker1->date(), DTPicker2->date()); });
}

void frmRPTAccounts::cmdDetLedger_Click()
{
    if (!accountChosen())
        return;
    printLedger([this] { rules::runDetailLedger(*gConn, m_account, DTPicker1->date(), DTPicker2->date()); });
}

// ------------------------------------------------------------ trial balances

void frmRPTAccounts::printTrialBalance(const QString &file, rules::TrialBalance which)
{
    db::Connection::ReadSnapshot moment(*gConn); // as for a ledger
    if (!common::runReportProcedure(
            [&] { rules::runTrialBalance(*gConn, which, DTPicker1->date(), DTPicker2->date()); }))
        return;
    common::PrintJob job = common::sessionJob(file);
    job.selection = QStringLiteral("{Company.comActive} = 'Y'");
    job.formulas = {{QStringLiteral("Dates"), datesText(QStringLiteral("   To :  "))}};
    common::printReport(job);
}

void frmRPTAccounts::cmdTrialBal_Click()
{
    printTrialBalance(QStringLiteral("\\rptTrialBalance.rpt"), rules::TrialBalance::Plain);
}

void frmRPTAccounts::cmdTrialControl_Click()
{
    printTrialBalance(QStringLiteral("\\rptTrialBalance2.rpt"), rules::TrialBalance::Plain);
}

void frmRPTAccounts::cmdTrialOpening_Click()
{
    printTrialBalance(QStringLiteral("\\rptTrialBalance3.rpt"), rules::TrialBalance::WithOpening);
}

// ------------------------------------------------------------ student reports

void frmRPTAccounts::cmdFeeDetail_Click()
{
    const QString session = cboSession->boundText();
    if (session.isEmpty()) {
        common::msgBox(
            QStringLiteral("Please select Session"), common::Buttons::Ok, common::Icon::Information);
        return;
    }
    common::PrintJob job = common::sessionJob(QStringLiteral("\\rptFeeDetail.rpt"));
    job.parameters = {{1, session.toLongLong()}};
    job.formulas = {{QStringLiteral("Dates"), datesText(QStringLiteral("  To :  "))},
        {QStringLiteral("Batch"), cboSession->text()}, {QStringLiteral("UserName"), gUserName}};
    common::printReport(job);
}

void frmRPTAccounts::printStudentWise(bool inactive)
{
    const QString session = cboSession->boundText();
    if (session.isEmpty()) {
        common::msgBox(
            QStringLiteral("Please select Session"), common::Buttons::Ok, common::Icon::Information);
        return;
    }
    const QString courseText = DtaCourse->currentText();
    const QString subjectText = DtaSubject->currentText();
    const QString course = keyOf(DtaCourse);
    const QString subject = keyOf(DtaSubject);
    if (!courseText.isEmpty() && course.isEmpty()) {
        common::msgBox(
            QStringLiteral("Please select Course"), common::Buttons::Ok, common::Icon::Information);
        return;
    }
    if (!courseText.isEmpty() && !subjectText.isEmpty() && subject.isEmpty()) {
        common::msgBox(
            QStringLiteral("Please select Subject"), common::Buttons::Ok, common::Icon::Information);
        return;
    }

    db::Connection::ReadSnapshot moment(*gConn); // as for a ledger
    common::PrintJob job = common::sessionJob(QString()); // the file follows from what is picked
    std::int64_t courseKey = 0;
    std::int64_t subjectKey = 0;
    QString base;
    if (courseText.isEmpty()) {
        base = QStringLiteral("StudentWiseDetail");
    } else if (subjectText.isEmpty()) {
        base = QStringLiteral("StudentWiseCourse");
        courseKey = course.toLongLong();
        job.formulas.push_back({QStringLiteral("Course"), courseText});
    } else {
        base = QStringLiteral("StudentWiseSubject");
        courseKey = course.toLongLong();
        subjectKey = subject.toLongLong();
        job.formulas.push_back({QStringLiteral("Course"), courseText});
        job.formulas.push_back({QStringLiteral("Subject"), subjectText});
    }
    if (!common::runReportProcedure(
            [&] { rules::runStudentWise(*gConn, session.toLongLong(), courseKey, subjectKey); }))
        return;

    job.reportFile = QStringLiteral("\\rpt") + (inactive ? QString() : QStringLiteral("Act")) + base
        + QStringLiteral(".rpt");
    job.selection = inactive ? QStringLiteral("{rptStudentDetail.inactive} = '1'")
                             : QStringLiteral("IsNull({rptStudentDetail.inactive})");
    job.formulas.push_back({QStringLiteral("Batch"), cboSession->text()});
    job.formulas.push_back({QStringLiteral("UserName"), gUserName});
    common::printReport(job);
}

void frmRPTAccounts::cmdStuFeeDet_Click()
{
    printStudentWise(false);
}

void frmRPTAccounts::cmdInActiveStuFeeDet_Click()
{
    printStudentWise(true);
}

void registerWindows()
{
    common::windows::registerWindow(QStringLiteral("frmRPTAccounts"), [] { return new frmRPTAccounts; });
}

} // namespace reports
