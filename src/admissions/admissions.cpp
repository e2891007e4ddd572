#include "admissions.h"

#include "admission.h"
#include "catalogue.h"

namespace admissions {

void registerWindows()
{
    registerCatalogueWindows();
    registerAdmissionWindows();
}

} // namespace admissions
