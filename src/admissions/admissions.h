#pragma once
// Public face of courses and admissions.
namespace admissions {

void registerWindows();

} // namespace admissions
