#pragma once
// What every program over the server registers with the data layer before
// it opens or creates one: each subsystem's schema steps and the shell's
// server setup.
#include "accounts/accounts.h"
#include "admissions/admissions.h"
#include "directory/directory.h"
#include "fees/fees.h"
#include "reports/reports.h"
#include "shell/server_setup.h"
#include "shell/shell.h"
#include "vouchers/vouchers.h"

namespace app {

inline void registerStorage()
{
    shell::registerServerSetup();
    shell::registerMigrations();
    accounts::registerMigrations();
    vouchers::registerMigrations();
    admissions::registerMigrations();
    directory::registerMigrations();
    fees::registerMigrations();
    reports::registerMigrations();
}

} // namespace app
