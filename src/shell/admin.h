#pragma once
// The administration windows: company profile, data removal, users.
namespace shell {

// Registers frmCompany, frmRemoveData and Frm_User with the window registry.
void registerAdminWindows();

} // namespace shell
