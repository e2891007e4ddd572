#include "accounts/accounts.h"

#include "accounts/chart.h"
#include "accounts/picker.h"

namespace accounts {

void registerWindows()
{
    registerChartWindow();
    registerPickerWindows();
}

} // namespace accounts
