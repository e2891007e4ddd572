#include "shell/fixture.h"

#include "common/hooks.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

StubWindow::StubWindow(const QString &name)
    : common::Window(name)
{
    setWindowTitle(name);
    resize(300, 200);
}

QHash<QString, int> &StubWindow::unloads()
{
    static QHash<QString, int> counts;
    return counts;
}

int &StubWindow::loadsDuringUnload()
{
    static int n = 0;
    return n;
}

void StubWindow::formUnload()
{
    ++unloads()[windowName()];
    ApplyMenuRights();
    if (common::windows::get(QStringLiteral("frmLocPass")))
        ++loadsDuringUnload();
}

void registerStub(const QString &name)
{
    if (!common::windows::isRegistered(name))
        common::windows::registerWindow(name, [name] { return new StubWindow(name); });
}

void registerReportStub()
{
    const QString name = QStringLiteral("frmRPTAccounts");
    if (common::windows::isRegistered(name))
        return;
    common::windows::registerWindow(name, [name] {
        auto *w = new StubWindow(name);
        auto *layout = new QVBoxLayout(w);
        const QStringList frames {"frmBankBook", "frmCashBook", "frmSimpleLedger", "frmDetailLedger",
            "frmSubTBSimple", "frmControlTB", "frmSubTBWOB", "frmFeeDetail", "frmStuFeeDetail",
            "frmInActiveStuFeeDetail"};
        const QStringList labels {"LblBankBook", "LblCashBook", "LblSimpleLedger", "LblDetLedger",
            "LblSubTrialBalSim", "LblConTrialBal", "LblSubTrialBalWithOpen", "LblSessionWiseOut",
            "LblStuFeeDet", "Label1"};
        for (int i = 0; i < frames.size(); ++i) {
            auto *frame = new QGroupBox(frames[i]);
            frame->setObjectName(frames[i]);
            auto *label = new QLabel(QStringLiteral("design"), frame);
            label->setObjectName(labels[i]);
            layout->addWidget(frame);
            frame->hide();
        }
        const QStringList shown {
            "LblMain", "lblAC", "txtAcName", "cmdFindAC", "LblFrom", "DTPicker1", "LblTo", "DTPicker2"};
        const QStringList hidden {
            "Label23", "cboSession", "LblCourseName", "DtaCourse", "LblSubname", "DtaSubject"};
        for (const QString &c : shown + hidden) {
            auto *l = new QLabel(c);
            l->setObjectName(c);
            layout->addWidget(l);
            l->setVisible(shown.contains(c));
        }
        return w;
    });
}

void ShellTest::SetUp()
{
    TestServer::SetUp();
    shell::registerWindows();
    shell::setEndProgramHandler([this] { ++m_ended; });
    StubWindow::unloads().clear();
    StubWindow::loadsDuringUnload() = 0;
    for (const char *name : {"frmSession", "frmCourse", "frmSubject"})
        registerStub(QLatin1String(name));
}

void ShellTest::TearDown()
{
    TestServer::TearDown();
    shell::setEndProgramHandler(nullptr);
    common::windows::setClosingDown(false);
    flushDeferred();
}

MDIForm1 *ShellTest::openMain()
{
    auto *w = qobject_cast<MDIForm1 *>(common::windows::show(QStringLiteral("MDIForm1")));
    if (!w)
        throw std::runtime_error("MDIForm1 not loaded");
    return w;
}

QAction *ShellTest::item(const QString &name) const
{
    return findControl<QAction>(main(), name);
}

void ShellTest::trigger(const QString &name)
{
    QAction *a = item(name);
    EXPECT_TRUE(a->isEnabled()) << name.toStdString() << " is disabled";
    a->trigger();
}
