#include "admissions/admissions.h"

#include "admissions/admission.h"
#include "admissions/catalogue.h"

namespace admissions {

void registerWindows()
{
    registerCatalogueWindows();
    registerAdmissionWindows();
}

} // namespace admissions
