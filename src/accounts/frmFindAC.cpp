#include "accounts/frmFindAC.h"

#include "accounts/frmAcSetting.h"
#include "accounts/picker.h"
#include "common/errors.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "platform/ui/grid.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

namespace accounts {

namespace {

const QString kName = QStringLiteral("frmFindAC");

bool usable(const common::Window *w)
{
    return w && !w->isUnloading() && w->frame()->isVisible();
}

} // namespace

frmFindAC::frmFindAC(QWidget *parent)
    : common::Window(kName, parent)
{
    setWindowTitle(QStringLiteral("Search Account"));

    Label = new QLabel(QStringLiteral("Search Subsidiary Accounts:"), this);
    Label->setObjectName(QStringLiteral("Label"));
    txtFindAC = new QLineEdit(this);
    txtFindAC->setObjectName(QStringLiteral("txtFindAC"));
    Label->setBuddy(txtFindAC);
    chkAll = new QCheckBox(QStringLiteral("All Accounts"), this);
    chkAll->setObjectName(QStringLiteral("chkAll"));
    mshSearch = new ui::Grid(this);
    mshSearch->setObjectName(QStringLiteral("mshSearch"));
    cmdAccounts = new QPushButton(QStringLiteral("&Add Accounts"), this);
    cmdAccounts->setObjectName(QStringLiteral("cmdAccounts"));
    cmdExit = new QPushButton(QStringLiteral("Exit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdAccounts->setAutoDefault(false);
    cmdExit->setAutoDefault(false);

    auto *search = new QHBoxLayout;
    search->addWidget(Label);
    search->addWidget(txtFindAC, 1);
    search->addSpacing(12);
    search->addWidget(chkAll);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAccounts);
    buttons->addWidget(cmdExit);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    layout->addLayout(search);
    layout->addWidget(mshSearch, 1);
    layout->addLayout(buttons);

    setTabOrder(txtFindAC, chkAll);
    setTabOrder(chkAll, mshSearch);
    setTabOrder(mshSearch, cmdAccounts);
    setTabOrder(cmdAccounts, cmdExit);
    txtFindAC->setFocus();

    common::on(txtFindAC, &QLineEdit::textChanged, this, [this](auto &&...) { FillGrid(); });
    common::on(chkAll, &QCheckBox::toggled, this, [this](auto &&...) { chkAll_Click(); });
    common::on(mshSearch, &ui::Grid::cellDoubleClicked, this, [this](auto &&...) { pick(); });
    common::on(mshSearch, &ui::Grid::enterPressed, this, [this](auto &&...) { pick(); });
    common::on(cmdAccounts, &QPushButton::clicked, this, [](auto &&...) {
        gLockAccount = true;
        gLookupMode = true;
        if (common::Window *gate = common::windows::show(QStringLiteral("frmLocPass")))
            gate->moveTwips(5000, 3000);
    });
    common::on(cmdExit, &QPushButton::clicked, this, [this](auto &&...) {
        m_closedByUser = true;
        unload();
    });

    txtFindAC->installEventFilter(this);
}

frmFindAC::~frmFindAC()
{
    qApp->removeEventFilter(this);
}

void frmFindAC::formLoad()
{
    m_SavedFilter = gFindAcFilter;
    // Taken before the picker has a frame of its own: the window that asked.
    m_opener.remember(this);
    m_lastOther = m_opener.window();
    moveTwips(3500, 1800);
    setWidthTwips(10800);
    setHeightTwips(6600);
    if (QMdiArea *area = common::windows::host())
        connect(area, &QMdiArea::subWindowActivated, this,
            [this](QMdiSubWindow *sub) { otherWindowActivated(sub); });
    qApp->installEventFilter(this);
    // Placing the window may have activated it, and the activation filled the list.
    if (!m_listCurrent)
        FillGrid();
}

void frmFindAC::formActivate()
{
    // Shown by another window while already loaded: that window asks anew.
    // Coming back by the user's own click, or because the window in front
    // closed, keeps the request as it was.
    const bool asked = !m_userActivating && m_lastOther && m_lastOther != this && usable(m_lastOther);
    m_userActivating = false;
    if (asked)
        takeRequest(m_lastOther, gFindAcFilter, true);
    // Coming back from another window (where an account may have been
    // added) refills the list; the activation that opens the picker does not
    // fill it a second time.
    if (!m_listCurrent)
        FillGrid();
}

void frmFindAC::takeRequest(common::Window *opener, const QString &filter, bool allowAllAccounts)
{
    const bool changed = m_SavedFilter != filter;
    m_opener.follow(this, opener);
    m_SavedFilter = filter;
    const bool wasTicked = chkAll->isChecked();
    {
        const QSignalBlocker block(chkAll);
        chkAll->setChecked(false);
    }
    chkAll->setEnabled(allowAllAccounts);
    gFindAcFilter = filter;
    if (wasTicked || changed)
        FillGrid();
}

void frmFindAC::formUnload()
{
    gLockAccount = false;
    gLookupMode = false;
    if (chkAll->isChecked()) {
        const QSignalBlocker block(chkAll);
        chkAll->setChecked(false);
        gFindAcFilter = m_SavedFilter;
    }
    handBack();
}

void frmFindAC::closeEvent(QCloseEvent *event)
{
    m_closedByUser = true;
    common::Window::closeEvent(event);
}

// The answer goes to the window that asked, and to no other: it is
// activated (and takes the answer) before the picker's frame goes away.
// A picker closed by the user goes back to its opener as well; one closed
// by the program (another window unloading it) activates nothing.
void frmFindAC::handBack()
{
    common::Window *to = m_opener.window();
    if (!usable(to) || to == this || common::windows::closingDown()) {
        if (m_picked) {
            gFindAcRowID = 0;
            gFindAcName.clear();
        }
        return;
    }
    if (m_picked || (m_closedByUser && common::windows::activeWindow() == this))
        to->activateWindowNow();
}

void frmFindAC::otherWindowActivated(QMdiSubWindow *sub)
{
    auto *w = sub ? qobject_cast<common::Window *>(sub->widget()) : nullptr;
    if (!w || w == this)
        return;
    m_lastOther = w;
    m_listCurrent = false;
    m_userActivating = false;
}

bool frmFindAC::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::FocusIn: {
        // The user clicks (or tabs) into the picker while another window is
        // active. A click gives the focus, and so activates the picker,
        // before the press itself is filtered.
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::MouseFocusReason && reason != Qt::TabFocusReason
                && reason != Qt::BacktabFocusReason && reason != Qt::ShortcutFocusReason)
                break;
        }
        auto *w = qobject_cast<QWidget *>(watched);
        QWidget *frame = this->frame();
        if (w && (w == frame || frame->isAncestorOf(w)) && common::windows::activeWindow() != this)
            m_userActivating = true;
        break;
    }
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == txtFindAC && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            mshSearch->setFocus(Qt::OtherFocusReason);
            return true;
        }
        // Switching windows from the keyboard (Ctrl+Tab, Ctrl+F6) is the user's own.
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        if (ctrl && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_F6))
            m_userActivating = true;
        break;
    }
    default:
        break;
    }
    return common::Window::eventFilter(watched, event);
}

void frmFindAC::FillGrid()
{
    static const QString select
        = QStringLiteral("Select RowID,AcNodes,AcName,OpenBal,Contact,Fax,Addr,Addr2 From Accounts Where ");
    // The request's own filter: the process-wide one may have been cleared
    // meanwhile by another window's activation.
    const QString filter = chkAll->isChecked() ? QString() : m_SavedFilter;
    QString level;
    if (filter == QLatin1String("B"))
        level = QStringLiteral("acStatus='DD'  and BStatus='B'");
    else if (filter == QLatin1String("S"))
        level = QStringLiteral("acStatus='DD'  and BStatus='S'");
    else if (filter == QLatin1String("SUB"))
        level = QStringLiteral("acStatus='HD' ");
    else
        level = QStringLiteral("acStatus='DD' ");
    OpenQuery(select + level + QStringLiteral(" and AcName Like ? ESCAPE '\\' order by AcName"),
        {db::likeContains(txtFindAC->text())});
    m_listCurrent = true;
    common::formkit::fillList(mshSearch, *gRs);
    setGrid();
}

void frmFindAC::setGrid()
{
    mshSearch->setCols(8);
    mshSearch->setTextMatrix(0, 1, QStringLiteral("Code"));
    mshSearch->setTextMatrix(0, 2, QStringLiteral("Account Title"));
    mshSearch->setTextMatrix(0, 3, QStringLiteral("Opening Balance"));
    mshSearch->setTextMatrix(0, 4, QStringLiteral("Contact"));
    static const int widths[] = {0, 1200, 5000, 1500, 2000, 0, 0, 0};
    for (int c = 0; c < 8; ++c)
        mshSearch->setColWidth(c, widths[c]);
}

void frmFindAC::chkAll_Click()
{
    gFindAcFilter = chkAll->isChecked() ? QString() : m_SavedFilter;
    FillGrid();
}

void frmFindAC::pick()
{
    const int row = mshSearch->row();
    if (row < 1 || row >= mshSearch->rows())
        return;
    const QString key = mshSearch->textMatrix(row, 0);
    if (key.isEmpty())
        return;
    bool ok = false;
    const int id = key.toInt(&ok);
    if (!ok)
        return;
    gFindAcRowID = id;
    gFindAcName = mshSearch->textMatrix(row, 2);
    m_picked = true;
    unload();
}

void openAccountPicker(common::Window *opener, const QString &filter, bool allowAllAccounts)
{
    gFindAcFilter = filter;
    auto *picker = common::windows::get<frmFindAC>(kName);
    if (!picker)
        return;
    picker->showWindow();
    picker->takeRequest(opener, filter, allowAllAccounts);
}

void registerPickerWindows()
{
    common::windows::registerWindow(QStringLiteral("frmFindAC"), [] { return new frmFindAC; });
    common::windows::registerWindow(QStringLiteral("frmAcSetting"), [] { return new frmAcSetting; });
}

} // namespace accounts
