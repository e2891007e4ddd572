#include "fees/frmCarryForward.h"

#include "admissions/applicant.h"
#include "admissions/catalogue.h"
#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/format.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "fees/carryforward_rules.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"
#include "platform/ui/maskededit.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTabWidget>

namespace fees {

namespace {

const QString kName = QStringLiteral("frmCarryForward");

using common::info;

std::int32_t numberOf(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : 0;
}

struct Column {
    const char *header;
    int width;
};

} // namespace

frmCarryForward::frmCarryForward(QWidget *parent)
    : common::Window(kName, parent)
{
    setWindowTitle(QStringLiteral("Carry Forward"));

    buildControls();
    setKeyRules();
    setFocusOrder();
    connectHandlers();
}

void frmCarryForward::formLoad()
{
    setWidthTwips(10200);
    setHeightTwips(8700);
    // Never larger than the main window's client area, so nothing is cut off.
    if (QMdiArea *host = common::windows::host(); host && subWindow()) {
        const QSize room = host->viewport()->size();
        if (room.width() > 200 && room.height() > 200)
            frame()->resize(frame()->size().boundedTo(room));
    }

    const common::Choices sessions = admissions::sessionsByName(*gConn);
    for (ui::DataCombo *c : {cboMasSession, cboSession}) {
        common::formkit::fillChoices(c, sessions);
        if (!sessions.isEmpty())
            c->setCurrentIndex(int(sessions.size()) - 1);
    }

    setGrid();
    dtpForm->setDate(QDate::currentDate());
    dtpStudent->setDate(QDate::currentDate());
    {
        const QSignalBlocker block(DTPicker1);
        DTPicker1->setDate(QDate::currentDate());
    }
    ui::showTab(SSTab, 0);
    {
        const QSignalBlocker block(cboCriteria);
        cboCriteria->addItems({QStringLiteral("Student Name"), QStringLiteral("Student ID"),
            QStringLiteral("Form ID"), QStringLiteral("Form Date")});
        cboCriteria->setCurrentIndex(0);
    }
    cboCriteria_Change();
    NewNo();
    FillGrid();
    FixAccount();
    dtpForm->setFocus(Qt::OtherFocusReason);
}

void frmCarryForward::formActivate()
{
    if (gPickAppId >= 1) {
        txtStudent->setText(QString::number(gPickAppId));
        OpenData();
    } else {
        txtSubId->clear();
    }
    if (const std::optional<admissions::PickedSubject> picked = admissions::takePickedSubject()) {
        txtCourse->setText(picked->courseName);
        txtSubId->setText(QString::number(picked->subId));
        txtSubName->setText(picked->subName);
        txtNarration->setFocus(Qt::OtherFocusReason);
    }
}

void frmCarryForward::formUnload()
{
    gPickAppId = 0;
    ApplyMenuRights();
}

bool frmCarryForward::eventFilter(QObject *watched, QEvent *event)
{
    // The student number is filled only by the program: its focus goes on
    // to the application picker's button.
    if (watched == txtStudent && event->type() == QEvent::FocusIn)
        cmdFindApplication->setFocus(Qt::OtherFocusReason);
    return common::Window::eventFilter(watched, event);
}

void frmCarryForward::OpenData()
{
    const admissions::ApplicationMaster a = admissions::readApplication(*gConn, numberOf(txtStudent->text()));
    if (!a.found) {
        ClearAll();
        return;
    }
    if (a.fixDate.isValid())
        dtpStudent->setDate(a.fixDate);
    common::binding::load(this, QStringLiteral("M"), a.columns);
    txtStuNm->setText(a.stuName);
    m_StudentAccount = a.cusCode.value_or(0);
    cboMasSession->setBoundText(a.sessionId);
    if (a.nic)
        mskNIC->setText(*a.nic);
    else
        mskNIC->reset();
}

void frmCarryForward::ClearAll()
{
    common::binding::clear(this, QStringLiteral("M"));
    txtStuNm->clear();
    m_StudentAccount = 0;
    txtStudent->clear();
    mskNIC->reset();
    // A line taken for editing belonged to the form that goes.
    txtEditRow->clear();
    m_stamp.clear();
    NewNo();
    setGrid();
    m_IsNewForm = true;
}

void frmCarryForward::setGrid()
{
    static const Column columns[] = {{"Sub ID", 0}, {"Course", 1000}, {"Subjects", 3000}, {"Narration", 3000},
        {"Session", 1500}, {"Forward Amt.", 2000}, {"SessionID", 2000}};
    MshSubject->setRows(1);
    MshSubject->setCols(7);
    for (int c = 0; c < 7; ++c) {
        MshSubject->setTextMatrix(0, c, QString::fromLatin1(columns[c].header));
        MshSubject->setColWidth(c, columns[c].width);
    }
}

void frmCarryForward::NewNo()
{
    txtFormID->setText(QString::number(carryforward::nextFormNumber(*gConn)));
    m_IsNewForm = true;
}

void frmCarryForward::FixAccount()
{
    m_CrAcCode = carryforward::cashReceiptAccount(*gConn);
}

void frmCarryForward::FillGrid()
{
    QList<QStringList> lines;
    for (const carryforward::FormRow &r :
        carryforward::formList(*gConn, cboCriteria->currentText(), txt_s_value->text(), DTPicker1->date()))
        lines.push_back({QString::number(r.formId), r.formDate,
            r.appId ? QString::number(*r.appId) : QString(), r.student});
    common::formkit::fillList(Msh,
        {QStringLiteral("FormID"), QStringLiteral("FrmDate"), QStringLiteral("AppID"),
            QStringLiteral("Student")},
        lines);
    SearchGrid();
}

void frmCarryForward::SearchGrid()
{
    static const Column columns[]
        = {{"Form ID", 1500}, {"Form Date", 2000}, {"Student ID", 1500}, {"Student Name", 4000}};
    Msh->setCols(4);
    for (int c = 0; c < 4; ++c) {
        Msh->setTextMatrix(0, c, QString::fromLatin1(columns[c].header));
        Msh->setColWidth(c, columns[c].width);
    }
}

void frmCarryForward::openFormData()
{
    m_stamp.clear();
    const carryforward::OpenedForm f = carryforward::openForm(*gConn, numberOf(txtFormID->text()));
    if (!f.found)
        return;
    if (f.date.isValid())
        dtpForm->setDate(f.date);
    txtStudent->setText(QString::number(f.appId));
    // The opened form keeps its own student through later activations, and
    // the subject picker lists that student's inactive subjects.
    gPickAppId = f.appId;
    OpenData();
    txtEditRow->clear();
    setGrid();
    for (const carryforward::Line &l : f.lines)
        MshSubject->addRow({QString::number(l.subjectId), l.course, l.subName, l.narration, l.sessionName,
            l.amount, l.sessionId});
    m_stamp = f.stamp;
}

void frmCarryForward::cmdFindsubject_Click()
{
    if (txtStudent->text().isEmpty()) {
        info(QStringLiteral("please select Student"));
        cmdFindApplication->setFocus(Qt::OtherFocusReason);
        return;
    }
    // The inactive subjects of the student on the form.
    admissions::openSubjectPicker(std::int32_t(txtStudent->text().toInt()));
}

void frmCarryForward::clearLineBoxes()
{
    txtEditRow->clear();
    txtCourse->clear();
    txtSubId->clear();
    txtSubName->clear();
    txtNarration->clear();
    txtForAmt->clear();
}

void frmCarryForward::cmd_ADD_1_Click()
{
    if (txtSubId->text().isEmpty()) {
        info(QStringLiteral("Please select Subject Name "));
        txtSubName->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (cboSession->boundText() == cboMasSession->boundText()) {
        info(QStringLiteral("this Subject is already in this session "));
        cboSession->setFocus(Qt::OtherFocusReason);
        return;
    }
    int row = numberOf(txtEditRow->text());
    if (row < 1 || row >= MshSubject->rows()) {
        for (int r = 1; r < MshSubject->rows(); ++r) {
            if (MshSubject->textMatrix(r, 0) == txtSubId->text()) {
                info(QStringLiteral("This Subject Name is already exitis in detail"));
                txtSubName->setFocus(Qt::OtherFocusReason);
                return;
            }
        }
        row = MshSubject->addRow();
    }
    const QStringList cells = {txtSubId->text(), txtCourse->text(), txtSubName->text(), txtNarration->text(),
        cboSession->text(), txtForAmt->text(), cboSession->boundText()};
    for (int c = 0; c < cells.size(); ++c)
        MshSubject->setTextMatrix(row, c, cells[c]);
    clearLineBoxes();
    if (common::msgBox(
            QStringLiteral("Add more subject in detail"), common::Buttons::YesNo, common::Icon::Question)
        == common::Answer::Yes)
        cmdFindsubject->setFocus(Qt::OtherFocusReason);
    else
        ui::focusNext(cmd_ADD_1);
}

void frmCarryForward::cmd_Delete_2_Click()
{
    if (MshSubject->rows() == 2) {
        MshSubject->setRows(1);
    } else if (MshSubject->rows() > 2) {
        const int r = MshSubject->row();
        if (r >= 1 && r < MshSubject->rows())
            MshSubject->removeRow(r);
    }
    clearLineBoxes();
}

void frmCarryForward::MshSubject_DblClick()
{
    const int r = MshSubject->row();
    if (r < 1 || r >= MshSubject->rows() || MshSubject->textMatrix(r, 0).isEmpty())
        return;
    const auto cell = [this, r](int c) { return MshSubject->textMatrix(r, c); };
    txtEditRow->setText(QString::number(r));
    txtSubId->setText(cell(0));
    txtCourse->setText(cell(1));
    txtSubName->setText(cell(2));
    txtNarration->setText(cell(3));
    txtForAmt->setText(cell(5));
    cboSession->setBoundText(cell(6));
}

void frmCarryForward::cmdSave_Click()
{
    if (txtStudent->text().isEmpty()) {
        info(QStringLiteral("please select Student"));
        cmdFindApplication->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (MshSubject->rows() < 2) {
        info(QStringLiteral("please enter at least one subject in detail"));
        cmdFindsubject->setFocus(Qt::OtherFocusReason);
        return;
    }
    carryforward::Form f;
    f.isNew = m_IsNewForm;
    f.formId = numberOf(txtFormID->text());
    f.date = dtpForm->date();
    f.appId = numberOf(txtStudent->text());
    f.preSessionId = cboMasSession->boundText();
    f.crAc = m_CrAcCode;
    f.stamp = m_stamp;
    for (int r = 1; r < MshSubject->rows(); ++r) {
        const auto cell = [this, r](int c) { return MshSubject->textMatrix(r, c); };
        if (cell(0).isEmpty())
            continue;
        carryforward::Line l;
        l.subjectId = cell(0).toLongLong();
        l.narration = cell(3);
        l.amount = cell(5);
        l.sessionId = cell(6);
        f.lines.push_back(l);
    }
    carryforward::Saved saved;
    try {
        saved = carryforward::saveForm(*gConn, f);
    } catch (const carryforward::Refused &e) {
        info(e.text());
        return;
    }
    txtFormID->setText(QString::number(saved.formId));
    m_stamp = saved.stamp;
    FillGrid();
    m_IsNewForm = false;
}

void frmCarryForward::cmdDelete_Click()
{
    if (!txtStudent->text().isEmpty()
        && common::msgBox(
               QStringLiteral("are you sure delete"), common::Buttons::YesNo, common::Icon::Question)
            == common::Answer::Yes) {
        try {
            // A form not saved yet has nothing stored: its proposed number
            // may meanwhile belong to another user's form.
            if (!m_IsNewForm)
                carryforward::deleteForm(*gConn, numberOf(txtFormID->text()), m_stamp);
            ClearAll();
        } catch (const carryforward::Refused &e) {
            info(e.text());
        }
    }
    FillGrid();
}

void frmCarryForward::cboCriteria_Change()
{
    DTPicker1->setVisible(cboCriteria->currentText() == QLatin1String("Form Date"));
    FillGrid();
}

void frmCarryForward::Msh_DblClick()
{
    const int r = Msh->row();
    if (r < 1 || r >= Msh->rows() || Msh->textMatrix(r, 0).isEmpty())
        return;
    txtFormID->setText(Msh->textMatrix(r, 0));
    openFormData();
    if (m_stamp.isEmpty()) {
        info(QStringLiteral("Form %1 no longer exists.").arg(Msh->textMatrix(r, 0)));
        ClearAll();
        FillGrid();
        return;
    }
    m_IsNewForm = false;
    ui::showTab(SSTab, 0);
}

} // namespace fees
