#include "accounts.h"

#include "chart.h"
#include "picker.h"

namespace accounts {

void registerWindows()
{
    registerChartWindow();
    registerPickerWindows();
}

} // namespace accounts
