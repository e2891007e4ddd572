#pragma once
// The program's spine: the one connection, the shared recordsets, the query
// procedures and the process-wide variables through which windows hand
// requests and answers to each other. All start at their type's default.
#include "platform/db/db.h"

#include <QString>

#include <cstdint>

extern db::Connection *gConn;
extern db::Recordset *gRs;
extern db::Recordset *gRs2;
extern db::Recordset *gRs3;
extern db::Recordset *gRsSpare; // created, never used

// Closes the recordset if open and opens it on the text through gConn.
void OpenQuery(const QString &sql, const db::Params &params = {});
void OpenQuery2(const QString &sql, const db::Params &params = {});
void OpenQuery3(const QString &sql, const db::Params &params = {});

extern QString gUserName;
extern QString gUserPassword;
extern bool gLookupMode;
extern bool gLockAccount;
extern bool gLockSetMenus;
extern bool gLockRemoveData;
extern QString gFindAcFilter;
extern std::int64_t gFindAcRowID;
extern QString gFindAcName;
extern std::int32_t gPickSubId;
extern QString gPickSubName;
extern QString gPickCourseName;
extern QString gPickCourseDurr;
extern db::Money gPickSubAmount;
extern std::int32_t gPickAppId;
extern bool gSubjectFormFromPicker;

namespace common {

// Creates gConn and the recordsets (once); Main calls it before the login.
void createSharedObjects();
// Puts every process-wide variable back to its default (tests).
void resetGlobals();
// The program's folder (where the executable, Server.txt, vo.swf and the
// report files lie). Tests may point it elsewhere.
QString appPath();
void setAppPath(const QString &path);

} // namespace common
