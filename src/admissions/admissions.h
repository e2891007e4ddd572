#pragma once
// Public face of courses and admissions.
namespace admissions {

void registerWindows();
// The subsystem's schema steps, registered with the data layer (generated).
void registerMigrations();

} // namespace admissions
