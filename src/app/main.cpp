#include "accounts.h"
#include "admissions.h"
#include "directory.h"
#include "errors.h"
#include "fees.h"
#include "globals.h"
#include "reports.h"
#include "shell.h"
#include "startup.h"
#include "vouchers.h"

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
