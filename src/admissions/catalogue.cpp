#include "admissions/catalogue.h"

#include "admissions/frmCourse.h"
#include "admissions/frmSearchSub.h"
#include "admissions/frmSession.h"
#include "admissions/frmSubject.h"
#include "common/globals.h"

namespace admissions {

void registerCatalogueWindows()
{
    common::windows::registerWindow(QStringLiteral("frmSession"), [] { return new frmSession; });
    common::windows::registerWindow(QStringLiteral("frmCourse"), [] { return new frmCourse; });
    common::windows::registerWindow(QStringLiteral("frmSubject"), [] { return new frmSubject; });
    common::windows::registerWindow(QStringLiteral("frmSearchSub"), [] { return new frmSearchSub; });
}

std::optional<PickedSubject> takePickedSubject()
{
    if (gPickSubId == 0)
        return std::nullopt;
    const PickedSubject picked {gPickSubId, gPickSubName, gPickCourseName, gPickCourseDurr, gPickSubAmount};
    gPickCourseName.clear();
    gPickCourseDurr.clear();
    gPickSubName.clear();
    gPickSubId = 0;
    gPickSubAmount = db::Money();
    return picked;
}

} // namespace admissions
