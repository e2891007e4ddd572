#include "shell/MDIForm1.h"

#include "common/dialogs.h"
#include "common/errors.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "platform/ui/animation.h"
#include "shell/shell.h"
#include "shell/shellrules.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace {

// Which lock flag a gated item raises before it shows the lock-password window.
enum class Lock { None, SetMenus, RemoveData };

// Where a task item places its window (twips; -1 = the window places itself).
struct Task {
    const char *target = nullptr;
    int left = -1;
    int top = -1;
    Lock lock = Lock::None;
};

// The menu bar in its order: a top menu or sub-menu takes the items and
// separator lines after it, up to the next menu; a bar item stands on the
// bar itself.
enum class Level { Top, Sub, Item, Line, Bar };
enum class Does { Nothing, Task, Report, LogOff };
struct MenuEntry {
    Level level;
    const char *name;
    const char *caption = "";
    int ctrlKey = 0;
    Does does = Does::Nothing;
    Task task = {};
};

using L = Level;
const MenuEntry menuEntries[] = {
    {L::Top, "mnu_Reg_Form", "REGISTRATIONS"},
    {L::Item, "mnuApp", "Application Form", Qt::Key_A, Does::Task, {"frmOruApplication", 0, 0}},
    {L::Line, "gp0"},
    {L::Item, "mnuCarryFor", "Carry Forward Entry", Qt::Key_C, Does::Task, {"frmCarryForward", 1500, 300}},
    {L::Line, "gp01"},
    {L::Item, "mnuCompany", "Company", 0, Does::Task, {"frmCompany", 3200, 800}},
    {L::Line, "gpt"},
    {L::Item, "mnu_TelDir", "Telephone Directory", Qt::Key_T, Does::Task, {"frm_Tele_Directory", 0, 0}},
    {L::Line, "gp1"},
    {L::Item, "mnuChartOfAC", "Chart Of Accounts", Qt::Key_O, Does::Task, {"frmAccount"}},
    {L::Line, "gp2"},
    {L::Item, "mnuVocSetting", "Voucher Setup", 0, Does::Task, {"frmAcSetting"}},
    {L::Line, "gp3"},
    {L::Item, "mnuSubject", "Subjects", Qt::Key_S, Does::Task, {"frmSubject", 4000, 1000}},
    {L::Line, "gp4"},
    {L::Item, "mnuCourse", "Course", Qt::Key_U, Does::Task, {"frmCourse", 4000, 1000}},
    {L::Line, "gp5"},
    {L::Item, "mnuSession", "Session", Qt::Key_I, Does::Task, {"frmSession", 4000, 1000}},

    {L::Top, "mnuMainTrans", "TRANSACTION"},
    {L::Sub, "mnuMainVouc", "Vouchers"},
    {L::Item, "mnuCPVou", "Cash Payment Voucher", Qt::Key_F1, Does::Task, {"frmCP"}},
    {L::Item, "mnuCRVou", "Cash Receive Voucher", Qt::Key_F2, Does::Task, {"frmCR"}},
    {L::Line, "mnuBVouc3"},
    {L::Item, "mnuBPVouc", "Bank Payment Voucher", Qt::Key_F3, Does::Task, {"frmBP"}},
    {L::Item, "mnuBRVouc", "Bank Receive Voucher", Qt::Key_F4, Does::Task, {"frmBR"}},
    {L::Line, "mnuBVouc2"},
    {L::Item, "mnuJVVouc", "Journal Voucher", Qt::Key_F5, Does::Task, {"frmJV"}},
    {L::Line, "mnuBVouc13"},
    {L::Item, "mnuRecvVou", "Fee Receive Voucher", Qt::Key_F6, Does::Task, {"frmInsRec"}},

    {L::Top, "mnuMainRpt", "Reports"},
    {L::Item, "mnuCashBook", "CASH BOOK", 0, Does::Report},
    {L::Line, "mnuRBlank"},
    {L::Item, "mnuBankBook", "BANK BOOK", 0, Does::Report},
    {L::Line, "mnuRBlank1"},
    {L::Item, "mnuSimpleLedger", "SIMPLE LEDGER", 0, Does::Report},
    {L::Line, "mnuRBlank2"},
    {L::Item, "mnuDetLedger", "DETAIL LEDGER", 0, Does::Report},
    {L::Line, "mnuRBlank3"},
    {L::Item, "mnuSubTBSimple", "SUBSIDIARY TRIAL BALANCE SIMPLE", 0, Does::Report},
    {L::Line, "mnuRBlank4"},
    {L::Item, "mnuControlTB", "CONTROL TRIAL BALANCE", 0, Does::Report},
    {L::Line, "mnuRBlank5"},
    {L::Item, "mnuSubTBWOB", "SUBSIDIARY TRIAL BALANCE (WITH OPENING)", 0, Does::Report},
    {L::Line, "gpFD"},
    {L::Item, "mnuFee", "SESSION WISE OUTSTANDING", 0, Does::Report},
    {L::Line, "gpS"},
    {L::Item, "mnuStuFeeDet", "ACTIVE STUDENT WISE DETAIL", 0, Does::Report},
    {L::Line, "gpS1"},
    {L::Item, "mnuInctiveStuWiseRPT", "INACTIVE STUDENT WISE DETAIL", 0, Does::Report},

    {L::Top, "mnuAdmin", "Administartor"},
    {L::Item, "mnuAddUser", "Add Users", 0, Does::Task, {"Frm_User", 3500, 2500}},
    {L::Item, "mnuSetMenu", "Set Menus", 0, Does::Task, {"frmLocPass", 5000, 3000, Lock::SetMenus}},
    {L::Item, "mnuRemoveData", "Remove Data", 0, Does::Task, {"frmLocPass", 5000, 3000, Lock::RemoveData}},

    {L::Bar, "mnuExit", "E&xit", 0, Does::LogOff},
};

const MenuEntry *entryOf(const QString &item)
{
    for (const MenuEntry &e : menuEntries) {
        if (item == QLatin1String(e.name))
            return &e;
    }
    return nullptr;
}

// The window a gated item finally leads to, behind the lock password.
QString gatedTarget(Lock lock)
{
    switch (lock) {
    case Lock::SetMenus:
        return QStringLiteral("frmSecMenus");
    case Lock::RemoveData:
        return QStringLiteral("frmRemoveData");
    case Lock::None:
        break;
    }
    return {};
}

// A report item prepares the report window control by control.
enum class Op { Show, Hide, Caption };
struct Step {
    Op op;
    QStringList controls;
};
struct ReportItem {
    const char *item;
    QList<Step> steps;
};

const QString reportWindow = QStringLiteral("frmRPTAccounts");

const QList<ReportItem> &reportItems()
{
    static const QStringList account {"lblAC", "txtAcName", "cmdFindAC"};
    static const QStringList session {"cboSession", "Label23"};
    static const QStringList dates {"DTPicker1", "DTPicker2", "LblFrom", "LblTo"};
    static const auto studentWise = [](const QString &label, const QString &frame) {
        return QList<Step> {{Op::Show, session}, {Op::Show, {"DtaCourse", "DtaSubject"}},
            {Op::Show, {"LblSubname", "LblCourseName"}}, {Op::Caption, {label}}, {Op::Caption, {"LblMain"}},
            {Op::Hide, dates}, {Op::Hide, account}, {Op::Show, {frame}}};
    };
    static const QList<ReportItem> items {
        {"mnuBankBook",
            {{Op::Show, {"frmBankBook"}}, {Op::Caption, {"LblBankBook"}}, {Op::Caption, {"LblMain"}},
                {Op::Hide, session}}},
        {"mnuCashBook",
            {{Op::Hide, account}, {Op::Caption, {"LblCashBook"}}, {Op::Caption, {"LblMain"}},
                {Op::Hide, session}, {Op::Show, {"frmCashBook"}}}},
        {"mnuSimpleLedger",
            {{Op::Show, {"frmSimpleLedger"}}, {Op::Caption, {"LblSimpleLedger"}}, {Op::Caption, {"LblMain"}},
                {Op::Hide, session}}},
        {"mnuDetLedger",
            {{Op::Show, {"frmDetailLedger"}}, {Op::Caption, {"LblDetLedger"}}, {Op::Caption, {"LblMain"}},
                {Op::Hide, session}}},
        {"mnuSubTBSimple",
            {{Op::Show, {"frmSubTBSimple"}}, {Op::Hide, account}, {Op::Caption, {"LblSubTrialBalSim"}},
                {Op::Caption, {"LblMain"}}, {Op::Hide, session}}},
        {"mnuControlTB",
            {{Op::Show, {"frmControlTB"}}, {Op::Hide, account}, {Op::Caption, {"LblConTrialBal"}},
                {Op::Caption, {"LblMain"}}, {Op::Hide, session}}},
        {"mnuSubTBWOB",
            {{Op::Show, {"frmSubTBWOB"}}, {Op::Hide, account}, {Op::Caption, {"LblSubTrialBalWithOpen"}},
                {Op::Caption, {"LblMain"}}, {Op::Hide, session}}},
        {"mnuFee",
            {{Op::Show, session}, {Op::Caption, {"LblSessionWiseOut"}}, {Op::Caption, {"LblMain"}},
                {Op::Hide, dates}, {Op::Hide, account}, {Op::Show, {"frmFeeDetail"}}}},
        {"mnuStuFeeDet", studentWise(QStringLiteral("LblStuFeeDet"), QStringLiteral("frmStuFeeDetail"))},
        {"mnuInctiveStuWiseRPT",
            studentWise(QStringLiteral("Label1"), QStringLiteral("frmInActiveStuFeeDetail"))},
    };
    return items;
}

// The report window's frames and inputs as its load leaves them: every
// report frame hidden, the dates and the account row shown, the session,
// course and subject rows hidden.
void showLoadedPanels(QWidget *w, const QList<ReportItem> &items)
{
    auto set = [w](const QString &name, bool visible) {
        if (QWidget *c = w->findChild<QWidget *>(name))
            c->setVisible(visible);
    };
    for (const ReportItem &r : items)
        for (const Step &step : r.steps)
            for (const QString &name : step.controls)
                if (step.op == Op::Show && name.startsWith(QLatin1String("frm")))
                    set(name, false);
    for (const char *name : {"LblFrom", "DTPicker1", "LblTo", "DTPicker2", "lblAC", "txtAcName", "cmdFindAC"})
        set(QLatin1String(name), true);
    for (const char *name :
        {"Label23", "cboSession", "LblCourseName", "DtaCourse", "LblSubname", "DtaSubject"})
        set(QLatin1String(name), false);
}

const ReportItem *reportItemOf(const QString &item)
{
    for (const ReportItem &r : reportItems()) {
        if (item == QLatin1String(r.item))
            return &r;
    }
    return nullptr;
}

void setCaption(QWidget *control, const QString &caption)
{
    if (auto *label = qobject_cast<QLabel *>(control))
        label->setText(caption);
    else if (auto *frame = qobject_cast<QGroupBox *>(control))
        frame->setTitle(caption);
    else if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->setText(caption);
    else
        control->setProperty("text", caption);
}

} // namespace

MDIForm1::MDIForm1()
    : common::Window(QStringLiteral("MDIForm1"))
    , m_frame(new QMainWindow)
    , m_area(new QMdiArea)
{
    setStandalone(true);
    setWindowTitle(QStringLiteral("ORU Accounts - Office and Accounts Management"));
    // A main window made a plain child: the menu bar and client area inside our frame.
    m_frame->setParent(this, Qt::Widget);
    m_frame->setObjectName(QStringLiteral("MDIForm1_frame"));
    m_area->setObjectName(QStringLiteral("MDIForm1_client"));
    m_area->setBackground(QColor(226, 231, 238));
    m_frame->setCentralWidget(m_area);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);
    buildMenus();
    buildHomePanel();
    resize(1200, 800);
    common::windows::setHost(m_area);
}

MDIForm1::~MDIForm1() = default;

void MDIForm1::buildMenus()
{
    QMenuBar *bar = m_frame->menuBar();
    bar->setObjectName(QStringLiteral("MDIForm1_menubar"));
    QMenu *top = nullptr;
    QMenu *current = nullptr;
    for (const MenuEntry &e : menuEntries) {
        const QString caption = QLatin1String(e.caption);
        QAction *a = nullptr;
        switch (e.level) {
        case Level::Top:
        case Level::Sub:
            current = e.level == Level::Top ? bar->addMenu(caption) : top->addMenu(caption);
            if (e.level == Level::Top)
                top = current;
            current->setObjectName(QLatin1String(e.name));
            m_menus << current;
            a = current->menuAction();
            break;
        case Level::Item:
            a = current->addAction(caption);
            a->setShortcut(e.ctrlKey ? QKeySequence(Qt::CTRL | e.ctrlKey) : QKeySequence());
            break;
        case Level::Line:
            a = current->addSeparator();
            break;
        case Level::Bar:
            a = bar->addAction(caption);
            break;
        }
        a->setObjectName(QLatin1String(e.name));
    }
    connectMenus();
}

void MDIForm1::connectMenus()
{
    // Items whose window is not part of this build stay in the menu, greyed.
    using common::windows::isRegistered;
    for (QAction *a : menuItems()) {
        const MenuEntry *e = entryOf(a->objectName());
        if (!e)
            continue;
        switch (e->does) {
        case Does::Task: {
            const QString gated = gatedTarget(e->task.lock);
            a->setEnabled(
                isRegistered(QLatin1String(e->task.target)) && (gated.isEmpty() || isRegistered(gated)));
            common::on(a, &QAction::triggered, this, [this, a](auto &&...) { openTask(a); });
            break;
        }
        case Does::Report:
            a->setEnabled(isRegistered(reportWindow));
            common::on(a, &QAction::triggered, this, [this, a](auto &&...) { openReport(a); });
            break;
        case Does::LogOff:
            common::on(a, &QAction::triggered, this, [this](auto &&...) { logOff(); });
            break;
        case Does::Nothing:
            break;
        }
    }
}

bool MDIForm1::eventFilter(QObject *watched, QEvent *event)
{
    // The home panel fills the client area and lies under the task windows.
    if (watched == m_area->viewport() && event->type() == QEvent::Resize)
        m_picture1->setGeometry(m_area->viewport()->rect());
    return common::Window::eventFilter(watched, event);
}

QList<QAction *> MDIForm1::menuItems() const
{
    QList<QAction *> all;
    std::function<void(const QList<QAction *> &)> walk = [&](const QList<QAction *> &actions) {
        for (QAction *a : actions) {
            all << a;
            if (QMenu *m = a->menu())
                walk(m->actions());
        }
    };
    walk(m_frame->menuBar()->actions());
    return all;
}

QString MDIForm1::caption(const QAction *item)
{
    // A separator's caption is "-"; the style would draw a text given to it.
    return item->isSeparator() ? QStringLiteral("-") : item->text();
}

QList<QAction *> MDIForm1::governedTopMenus() const
{
    QList<QAction *> tops;
    for (QMenu *m : m_menus) {
        const QString name = m->objectName();
        if (name == u"mnu_Reg_Form" || name == u"mnuMainTrans" || name == u"mnuMainRpt")
            tops << m->menuAction();
    }
    return tops;
}

void MDIForm1::close_Menu()
{
    m_picture1->hide();
    for (QAction *a : menuItems()) {
        if (a->property("Tag").toString() == u"M")
            a->setVisible(false);
    }
}

void MDIForm1::Timer1_Timer()
{
    m_lblDate->setText(shell::clockText(QDateTime::currentDateTime()));
}

void MDIForm1::formLoad()
{
    m_flashVOLogo->setMovie(QDir(common::appPath()).filePath(QStringLiteral("vo.swf")));
    m_lblTitle->setText(QStringLiteral("Login :   ") + gUserName);
    setMaximized();
}

void MDIForm1::formUnload()
{
    m_timer1->stop();
    if (common::windows::host() == m_area)
        common::windows::setHost(nullptr);
}

void MDIForm1::openTask(QAction *item)
{
    const Task *t = &entryOf(item->objectName())->task;
    const QString target = QLatin1String(t->target);
    if (!common::windows::isRegistered(target))
        return;
    close_Menu();
    // Each opener of the gate names its own target and no other.
    if (t->lock != Lock::None) {
        gLockAccount = false;
        gLockSetMenus = t->lock == Lock::SetMenus;
        gLockRemoveData = t->lock == Lock::RemoveData;
    }
    common::Window *w = nullptr;
    try {
        w = common::windows::show(target);
    } catch (...) {
        // A window whose load failed is gone again: bring the home panel back
        // rather than leave an empty client area behind the message.
        shell::applyMenuRightsNow();
        throw;
    }
    if (w && t->left >= 0)
        w->moveTwips(t->left, t->top);
}

void MDIForm1::openReport(QAction *item)
{
    const ReportItem *r = reportItemOf(item->objectName());
    if (!common::windows::isRegistered(reportWindow))
        return;
    // An open report window keeps its account, dates, session, course and
    // subject; only its frames and inputs go back to how it loads, so two
    // items in a row never leave a frame stacked or an input hidden.
    if (common::Window *open = common::windows::ifLoaded(reportWindow))
        showLoadedPanels(open, reportItems());
    close_Menu();
    common::Window *w = common::windows::show(reportWindow);
    if (!w)
        return;
    w->moveTwips(2500, 1000);
    const QString caption = item->text();
    for (const Step &step : r->steps) {
        for (const QString &name : step.controls) {
            QWidget *control = w->findChild<QWidget *>(name);
            if (!control) {
                qWarning("%s has no control %s", qPrintable(reportWindow), qPrintable(name));
                continue;
            }
            switch (step.op) {
            case Op::Show:
                control->setVisible(true);
                break;
            case Op::Hide:
                control->setVisible(false);
                break;
            case Op::Caption:
                setCaption(control, caption);
                break;
            }
        }
    }
}

void MDIForm1::logOff()
{
    // While the windows go, nothing they call from their unload loads a window again.
    common::windows::setClosingDown(true);
    std::exception_ptr failure;
    try {
        unload();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        common::windows::unloadAll();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    common::windows::setClosingDown(false);
    common::windows::show(QStringLiteral("frmLogin"));
    if (failure)
        std::rethrow_exception(failure);
}

void MDIForm1::closeEvent(QCloseEvent *event)
{
    if (isUnloading()) {
        common::Window::closeEvent(event);
        return;
    }
    // The close box ends the program: every window goes, none loads again.
    event->accept();
    common::windows::setClosingDown(true);
    common::runGuarded([this] { unload(); });
    common::runGuarded([] { common::windows::unloadAll(); });
    common::windows::setClosingDown(false);
    shell::endProgram();
}
