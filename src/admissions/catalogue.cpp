#include "admissions/catalogue.h"

#include "admissions/frmCourse.h"
#include "admissions/frmSearchSub.h"
#include "admissions/frmSession.h"
#include "admissions/frmSubject.h"

namespace admissions {

void registerCatalogueWindows()
{
    common::windows::registerWindow(QStringLiteral("frmSession"), [] { return new frmSession; });
    common::windows::registerWindow(QStringLiteral("frmCourse"), [] { return new frmCourse; });
    common::windows::registerWindow(QStringLiteral("frmSubject"), [] { return new frmSubject; });
    common::windows::registerWindow(QStringLiteral("frmSearchSub"), [] { return new frmSearchSub; });
}

} // namespace admissions
