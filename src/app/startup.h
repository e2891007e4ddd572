#pragma once
// What every program over the server registers with the data layer before
// it opens or creates one: each subsystem's schema steps and the shell's
// server setup.
#include "accounts.h"
#include "admissions.h"
#include "directory.h"
#include "fees.h"
#include "reports.h"
#include "server_setup.h"
#include "shell.h"
#include "vouchers.h"

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
