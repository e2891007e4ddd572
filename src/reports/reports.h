#pragma once
// Public face of the reports: the report-selection window and the report
// procedures of the database.
namespace reports {

// Registers frmRPTAccounts with the window registry.
void registerWindows();
// The subsystem's schema steps, registered with the data layer (generated).
void registerMigrations();
// Registers AcLedger, DetailAcLedger, TrialBalance, TrialBalance3 and
// CreatStuWiseDet as procedures callable through db::Connection::execute.
void registerProcedures();

} // namespace reports
