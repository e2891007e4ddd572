#include "accounts.h"

#include "chart.h"

namespace accounts {

void registerWindows()
{
    registerChartWindow();
}

} // namespace accounts
