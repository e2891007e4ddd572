#include "common/globals.h"

#include <QCoreApplication>

db::Connection *gConn = nullptr;
db::Recordset *gRs = nullptr;
db::Recordset *gRs2 = nullptr;
db::Recordset *gRs3 = nullptr;
db::Recordset *gRsSpare = nullptr;

QString gUserName;
QString gUserPassword;
bool gLookupMode = false;
bool gLockAccount = false;
bool gLockSetMenus = false;
bool gLockRemoveData = false;
QString gFindAcFilter;
std::int64_t gFindAcRowID = 0;
QString gFindAcName;
std::int32_t gPickSubId = 0;
QString gPickSubName;
QString gPickCourseName;
QString gPickCourseDurr;
db::Money gPickSubAmount;
std::int32_t gPickAppId = 0;
bool gSubjectFormFromPicker = false;

namespace {

QString &appPathValue()
{
    static QString path;
    return path;
}

void openOn(db::Recordset *&rs, const QString &sql, const db::Params &params)
{
    common::createSharedObjects();
    // Whatever the previous caller left in the recordset is gone, a row it
    // started and never stored included.
    if (rs->state() == 1) {
        if (rs->editing())
            rs->cancelUpdate();
        rs->close();
    }
    rs->open(sql, *gConn, params);
}

} // namespace

void OpenQuery(const QString &sql, const db::Params &params)
{
    openOn(gRs, sql, params);
}

void OpenQuery2(const QString &sql, const db::Params &params)
{
    openOn(gRs2, sql, params);
}

void OpenQuery3(const QString &sql, const db::Params &params)
{
    openOn(gRs3, sql, params);
}

namespace common {

void createSharedObjects()
{
    // Created once and kept for the life of the process.
    if (!gConn)
        gConn = new db::Connection;
    for (db::Recordset **rs : {&gRs, &gRs3, &gRsSpare, &gRs2}) {
        if (!*rs) {
            *rs = new db::Recordset;
            (*rs)->cursorLocation = 3;
        }
    }
}

void resetGlobals()
{
    for (db::Recordset *rs : {gRs, gRs2, gRs3, gRsSpare}) {
        if (rs && rs->state() == 1)
            rs->close();
    }
    gUserName.clear();
    gUserPassword.clear();
    gLookupMode = false;
    gLockAccount = false;
    gLockSetMenus = false;
    gLockRemoveData = false;
    gFindAcFilter.clear();
    gFindAcRowID = 0;
    gFindAcName.clear();
    gPickSubId = 0;
    gPickSubName.clear();
    gPickCourseName.clear();
    gPickCourseDurr.clear();
    gPickSubAmount = db::Money();
    gPickAppId = 0;
    gSubjectFormFromPicker = false;
}

QString appPath()
{
    if (appPathValue().isEmpty() && QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return appPathValue();
}

void setAppPath(const QString &path)
{
    appPathValue() = path;
}

} // namespace common
