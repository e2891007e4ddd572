#include "admissions.h"

#include "catalogue.h"

namespace admissions {

void registerWindows()
{
    registerCatalogueWindows();
}

} // namespace admissions
