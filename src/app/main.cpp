#include "accounts/accounts.h"
#include "admissions/admissions.h"
#include "app/startup.h"
#include "common/errors.h"
#include "common/globals.h"
#include "directory/directory.h"
#include "fees/fees.h"
#include "reports/reports.h"
#include "shell/shell.h"
#include "vouchers/vouchers.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    common::Application app(argc, argv);
    common::setAppPath(QCoreApplication::applicationDirPath());
    app::registerStorage();
    shell::registerWindows();
    accounts::registerWindows();
    admissions::registerWindows();
    vouchers::registerWindows();
    fees::registerWindows();
    reports::registerWindows();
    reports::registerProcedures();
    directory::registerWindows();
    shell::Main();
    return app.exec();
}
