#include "admissions/frmOruApplication.h"
#include "admissions/frmOruApplication_p.h"

#include "admissions/admission_reads.h"
#include "admissions/catalogue.h"
#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/format.h"
#include "common/formkit.h"
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
using admissions::applicationwindow::kTagM;

namespace {

// Bound columns the save writes itself.
const QStringList kExplicitColumns {QStringLiteral("AppID"), QStringLiteral("StuName"),
    QStringLiteral("TotAmt"), QStringLiteral("CashReceive"), QStringLiteral("RegFee")};

using common::info;

QString money(const std::optional<db::Money> &m)
{
    return m ? admissions::amountText(*m) : QString();
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

// --- Load, activation, unload ------------------------------------------------

void frmOruApplication::formLoad()
{
    setWidthTwips(11700);
    setHeightTwips(10800);
    lblLogin->setText(QStringLiteral("User Name : ") + gUserName);

    const common::Choices sessions = admissions::sessionsByName(*gConn);
    common::formkit::fillChoices(cboSession, sessions);
    if (!sessions.isEmpty())
        cboSession->setBoundText(sessions.last().key);

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
    cmb_s_cri_Change();
    setGrid();
    SearchGrid();
    FillGrid();
    SetMaxLenght();
    dtpDate->setDate(QDate::currentDate());
    DtpFix->setDate(QDate::currentDate());
}

void frmOruApplication::formActivate()
{
    const std::optional<admissions::PickedSubject> picked = admissions::takePickedSubject();
    if (!picked)
        return;
    txtCourse->setText(picked->courseName);
    txtSubId->setText(QString::number(picked->subId));
    txtSubName->setText(picked->subName);
    txtCourDur->setText(picked->courseDurr);
    txt_rate->setText(admissions::amountText(picked->amount));
    // The discount still shown counts against the new subject's amount too.
    txtDiscount_Change();
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
    m_CashAcCode = s.cashAcCode;
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
    m_StudentAccount = 0;
    MshSubject->clearCells();
    setGrid();
    dtpDate->setDate(QDate::currentDate());
    dtpDate->setFocus(Qt::OtherFocusReason);
}

void frmOruApplication::FillGrid()
{
    const QList<admissions::ApplicationRow> rows = admissions::applicationList(
        *gConn, cmb_s_cri->currentText(), txt_s_value->text(), DTPicker1->date());
    QList<QStringList> lines;
    lines.reserve(rows.size());
    const auto amount = [](const std::optional<db::Money> &m) { return m ? m->toString() : QString(); };
    for (const admissions::ApplicationRow &r : rows)
        lines.push_back({QString::number(r.appId), r.regNo, r.fixDate, r.appDate, r.stuName, r.fatherName,
            r.cellNo, amount(r.totAmt), amount(r.cashReceive)});
    if (lines.isEmpty()) {
        Msh->clearToBlank();
    } else {
        Msh->setUpdatesEnabled(false);
        Msh->setLines({QStringLiteral("AppID"), QStringLiteral("RegNo"), QStringLiteral("FixDt"),
                          QStringLiteral("AppDate"), QStringLiteral("StuName"), QStringLiteral("FatherName"),
                          QStringLiteral("CellNo"), QStringLiteral("TotAmt"), QStringLiteral("CashReceive")},
            lines);
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
    const admissions::StoredApplication a = admissions::openApplication(*gConn, isNumber ? appId : -1LL);
    txtEditRow->clear();
    if (!a.found) {
        ClearAll();
        return;
    }
    common::binding::load(this, kTagM, a.columns);
    txtStuNm->setText(a.stuName);
    m_StudentAccount = a.cusCode.value_or(0);
    cboSession->setBoundText(a.sessionId);
    cmbAtoZ->setCurrentText(a.section);
    txtRegfee->setText(money(a.regFee));
    txtReceive->setText(money(a.cashReceive));
    m_LoadedStuName = txtStuNm->text();
    dtpDate->setDate(a.appDate);
    DtpFix->setDate(a.fixDate.isValid() ? a.fixDate : QDate::currentDate());
    mskNIC->reset();
    if (a.nic)
        mskNIC->setText(*a.nic);

    MshSubject->clearCells();
    setGrid();
    if (a.lines.isEmpty())
        ChkInactive->setChecked(false);
    for (const SubjectLine &l : a.lines)
        MshSubject->addRow({l.subId, l.course, l.subName, l.subAmt, l.discount, l.narration, l.netAmount,
            l.recAmount, l.inActive});
    totAmount();
}

void frmOruApplication::SetMaxLenght()
{
    common::binding::setMaxLength(
        {txtNarration}, *gConn, QStringLiteral("tblDetApp"), QStringLiteral("Nerration"));
    // The address is copied to the student's account, whose column is the
    // narrower one.
    common::binding::setMaxLength({txtMailAdd}, *gConn, QStringLiteral("Accounts"), QStringLiteral("Addr"));
}

// --- Subject lines ---------------------------------------------------------

void frmOruApplication::cmdFindsubject_Click()
{
    // The admission picks from the course, whatever application another
    // window (the carry forward) has chosen meanwhile.
    if (!admissions::openSubjectPicker(0))
        info(QStringLiteral("The subject list cannot be opened."));
}

void frmOruApplication::cmd_ADD_1_Click()
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

void frmOruApplication::cmd_Delete_2_Click()
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

void frmOruApplication::MshSubject_DblClick()
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
void frmOruApplication::txtDiscount_Change()
{
    if (admissions::leadingAmount(txtDiscount->text()) > admissions::leadingAmount(txt_rate->text()))
        txtDiscount->clear();
    recomputeNet();
}

void frmOruApplication::txtRecAmt_Change()
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

void frmOruApplication::cmdSave_Click()
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
    m_StudentAccount = out.accountKey;
    // The name now stored is the one a later save compares against.
    m_LoadedStuName = txtStuNm->text();
    totAmount();
    FillGrid();
    txtStuNm->setFocus(Qt::OtherFocusReason);
}

void frmOruApplication::cmdDelete_Click()
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
            txtStuNm->setFocus(Qt::OtherFocusReason);
        }
    }
    FillGrid();
}

void frmOruApplication::Msh_DblClick()
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

void frmOruApplication::cmb_s_cri_Change()
{
    DTPicker1->setVisible(cmb_s_cri->currentText() == u"Date");
}

// --- Printouts ---------------------------------------------------------------

void frmOruApplication::cmdPrint_Click()
{
    if (txtAppId->text().isEmpty()) {
        info(QStringLiteral("Please select Student"));
        return;
    }
    common::PrintJob job = common::sessionJob(QStringLiteral("\\rptApplication.rpt"));
    const qlonglong appId = txtAppId->text().toLongLong();
    job.selection = QStringLiteral("{tblMasApp.AppId} = ") + QString::number(appId);
    const admissions::Query check = admissions::applicationPrintCheck(appId);
    job.mustExist = check.sql;
    job.mustExistParams = check.params;
    job.notFound = QStringLiteral("Application not found!");
    common::printReport(job);
}

void frmOruApplication::cmdPrintStuRecord_Click()
{
    common::PrintJob job = common::sessionJob(QStringLiteral("\\rptAdmissionDetail.rpt"));
    job.selection = admissions::admissionDetailSelection(
        cmb_s_cri->currentText(), txt_s_value->text(), DTPicker1->date());
    common::printReport(job);
}
