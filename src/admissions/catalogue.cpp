#include "catalogue.h"

#include "frmCourse.h"
#include "frmSearchSub.h"
#include "frmSession.h"
#include "frmSubject.h"

namespace admissions {

void registerCatalogueWindows()
{
    common::windows::registerWindow(QStringLiteral("frmSession"), [] { return new frmSession; });
    common::windows::registerWindow(QStringLiteral("frmCourse"), [] { return new frmCourse; });
    common::windows::registerWindow(QStringLiteral("frmSubject"), [] { return new frmSubject; });
    common::windows::registerWindow(QStringLiteral("frmSearchSub"), [] { return new frmSearchSub; });
}

} // namespace admissions
