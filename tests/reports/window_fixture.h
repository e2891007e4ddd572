#pragma once
// The report window inside the main window, with the account picker and the
// viewer registered as the program registers them; report files from the tree.
#include "accounts/picker.h"
#include "common/printing.h"
#include "platform/report/report.h"
#include "platform/report/viewer.h"
#include "reports/fixture.h"
#include "shell/frmVeiwer.h"
#include "shell/shell.h"
#include "support/gui.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/ui/controls.h"

class ReportWindowTest : public ReportsFixture {
protected:
    void SetUp() override
    {
        ReportsFixture::SetUp();
        shell::registerWindows();
        shell::setEndProgramHandler([] {});
        accounts::registerPickerWindows();
        reports::registerWindows();
        common::setAppPath(QStringLiteral(ORU_REPORTS_DIR));
        gUserName = QStringLiteral("sa");
        gUserPassword = saPassword();
    }
    void TearDown() override
    {
        common::windows::unloadAll();
        flushDeferred();
        ReportsFixture::TearDown();
        shell::setEndProgramHandler(nullptr);
    }

    // Chooses the report through the main menu, as a user does.
    common::Window *menu(const char *item)
    {
        common::Window *main = common::windows::show(QStringLiteral("MDIForm1"));
        if (!main)
            throw std::runtime_error("MDIForm1 not loaded");
        findControl<QAction>(main, QString::fromLatin1(item))->trigger();
        flushDeferred();
        w = common::windows::ifLoaded(QStringLiteral("frmRPTAccounts"));
        if (!w)
            throw std::runtime_error("frmRPTAccounts not shown");
        return w;
    }
    template <class T = QWidget> T *c(const char *name)
    {
        return findControl<T>(w, QString::fromLatin1(name));
    }
    void press(const char *button) { clickButton(w, QString::fromLatin1(button)); }
    void dates(QDate from, QDate to)
    {
        c<ui::DatePicker>("DTPicker1")->setDate(from);
        c<ui::DatePicker>("DTPicker2")->setDate(to);
    }
    // Picks an account as the picker answers: the answer set, then the window activated.
    void pickAccount(std::int64_t key, const char *title)
    {
        press("cmdFindAC");
        ASSERT_NE(common::windows::ifLoaded(QStringLiteral("frmFindAC")), nullptr);
        gFindAcRowID = std::int32_t(key);
        gFindAcName = QString::fromLatin1(title);
        common::windows::unload(QStringLiteral("frmFindAC"));
        flushDeferred();
        w->activateWindowNow();
    }
    static const report::Document *shown()
    {
        report::CRViewer91 *v = common::viewerControl();
        return v ? v->document() : nullptr;
    }
    static QString shownReport() { return shown() ? shown()->title : QString(); }
    static QStringList shownLines() { return shown() ? shown()->allLines() : QStringList(); }

    common::Window *w = nullptr;
};
