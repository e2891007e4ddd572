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

// A menu item that opens a task window and where it places it (twips; -1 = the
// window places itself).
struct Task {
    const char *item;
    const char *target;
    int left = -1;
    int top = -1;
    Lock lock = Lock::None;
};

const Task tasks[] = {
    {"mnuApp", "frmOruApplication", 0, 0},
    {"mnuCarryFor", "frmCarryForward", 1500, 300},
    {"mnuCompany", "frmCompany", 3200, 800},
    {"mnu_TelDir", "frm_Tele_Directory", 0, 0},
    {"mnuChartOfAC", "frmAccount"},
    {"mnuVocSetting", "frmAcSetting"},
    {"mnuSubject", "frmSubject", 4000, 1000},
    {"mnuCourse", "frmCourse", 4000, 1000},
    {"mnuSession", "frmSession", 4000, 1000},
    {"mnuCPVou", "frmCP"},
    {"mnuCRVou", "frmCR"},
    {"mnuBPVouc", "frmBP"},
    {"mnuBRVouc", "frmBR"},
    {"mnuJVVouc", "frmJV"},
    {"mnuRecvVou", "frmInsRec"},
    {"mnuAddUser", "Frm_User", 3500, 2500},
    {"mnuSetMenu", "frmLocPass", 5000, 3000, Lock::SetMenus},
    {"mnuRemoveData", "frmLocPass", 5000, 3000, Lock::RemoveData},
};

const Task *taskOf(const QString &item)
{
    for (const Task &t : tasks) {
        if (item == QLatin1String(t.item))
            return &t;
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
    QMenu *current = nullptr;
    QList<QMenu *> parents;

    auto topMenu = [&](const char *name, const QString &caption) {
        QMenu *m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        m_menus << m;
        current = m;
        return m;
    };
    auto subMenu = [&](const char *name, const QString &caption) {
        QMenu *m = current->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        m_menus << m;
        current = m;
    };
    auto item = [&](const char *name, const QString &caption, QKeySequence shortcut = {}) {
        QAction *a = current->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(shortcut);
        return a;
    };
    auto separator = [&](const char *name) {
        QAction *a = current->addSeparator();
        a->setObjectName(QLatin1String(name));
    };
    const auto ctrl = [](int key) { return QKeySequence(Qt::CTRL | key); };

    topMenu("mnu_Reg_Form", QStringLiteral("REGISTRATIONS"));
    item("mnuApp", QStringLiteral("Application Form"), ctrl(Qt::Key_A));
    separator("gp0");
    item("mnuCarryFor", QStringLiteral("Carry Forward Entry"), ctrl(Qt::Key_C));
    separator("gp01");
    item("mnuCompany", QStringLiteral("Company"));
    separator("gpt");
    item("mnu_TelDir", QStringLiteral("Telephone Directory"), ctrl(Qt::Key_T));
    separator("gp1");
    item("mnuChartOfAC", QStringLiteral("Chart Of Accounts"), ctrl(Qt::Key_O));
    separator("gp2");
    item("mnuVocSetting", QStringLiteral("Voucher Setup"));
    separator("gp3");
    item("mnuSubject", QStringLiteral("Subjects"), ctrl(Qt::Key_S));
    separator("gp4");
    item("mnuCourse", QStringLiteral("Course"), ctrl(Qt::Key_U));
    separator("gp5");
    item("mnuSession", QStringLiteral("Session"), ctrl(Qt::Key_I));

    topMenu("mnuMainTrans", QStringLiteral("TRANSACTION"));
    subMenu("mnuMainVouc", QStringLiteral("Vouchers"));
    item("mnuCPVou", QStringLiteral("Cash Payment Voucher"), ctrl(Qt::Key_F1));
    item("mnuCRVou", QStringLiteral("Cash Receive Voucher"), ctrl(Qt::Key_F2));
    separator("mnuBVouc3");
    item("mnuBPVouc", QStringLiteral("Bank Payment Voucher"), ctrl(Qt::Key_F3));
    item("mnuBRVouc", QStringLiteral("Bank Receive Voucher"), ctrl(Qt::Key_F4));
    separator("mnuBVouc2");
    item("mnuJVVouc", QStringLiteral("Journal Voucher"), ctrl(Qt::Key_F5));
    separator("mnuBVouc13");
    item("mnuRecvVou", QStringLiteral("Fee Receive Voucher"), ctrl(Qt::Key_F6));

    topMenu("mnuMainRpt", QStringLiteral("Reports"));
    item("mnuCashBook", QStringLiteral("CASH BOOK"));
    separator("mnuRBlank");
    item("mnuBankBook", QStringLiteral("BANK BOOK"));
    separator("mnuRBlank1");
    item("mnuSimpleLedger", QStringLiteral("SIMPLE LEDGER"));
    separator("mnuRBlank2");
    item("mnuDetLedger", QStringLiteral("DETAIL LEDGER"));
    separator("mnuRBlank3");
    item("mnuSubTBSimple", QStringLiteral("SUBSIDIARY TRIAL BALANCE SIMPLE"));
    separator("mnuRBlank4");
    item("mnuControlTB", QStringLiteral("CONTROL TRIAL BALANCE"));
    separator("mnuRBlank5");
    item("mnuSubTBWOB", QStringLiteral("SUBSIDIARY TRIAL BALANCE (WITH OPENING)"));
    separator("gpFD");
    item("mnuFee", QStringLiteral("SESSION WISE OUTSTANDING"));
    separator("gpS");
    item("mnuStuFeeDet", QStringLiteral("ACTIVE STUDENT WISE DETAIL"));
    separator("gpS1");
    item("mnuInctiveStuWiseRPT", QStringLiteral("INACTIVE STUDENT WISE DETAIL"));

    topMenu("mnuAdmin", QStringLiteral("Administartor"));
    item("mnuAddUser", QStringLiteral("Add Users"));
    item("mnuSetMenu", QStringLiteral("Set Menus"));
    item("mnuRemoveData", QStringLiteral("Remove Data"));

    QAction *exit = bar->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    common::on(exit, &QAction::triggered, this, [this](auto &&...) { logOff(); });

    // Items whose window is not part of this build stay in the menu, greyed.
    using common::windows::isRegistered;
    for (QAction *a : menuItems()) {
        if (const Task *t = taskOf(a->objectName())) {
            const QString gated = gatedTarget(t->lock);
            a->setEnabled(isRegistered(QLatin1String(t->target)) && (gated.isEmpty() || isRegistered(gated)));
            common::on(a, &QAction::triggered, this, [this, a](auto &&...) { openTask(a); });
        } else if (reportItemOf(a->objectName())) {
            a->setEnabled(isRegistered(reportWindow));
            common::on(a, &QAction::triggered, this, [this, a](auto &&...) { openReport(a); });
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
    const Task *t = taskOf(item->objectName());
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
