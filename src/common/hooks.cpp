#include "common/hooks.h"

#include <utility>

namespace {
std::function<void()> &applyMenuRightsHook()
{
    static std::function<void()> hook;
    return hook;
}
} // namespace

void ApplyMenuRights()
{
    // Before the shell installs it (tests of a single window) there is no menu to apply to.
    if (auto &hook = applyMenuRightsHook())
        hook();
}

namespace common::hooks {
void setApplyMenuRights(std::function<void()> f)
{
    applyMenuRightsHook() = std::move(f);
}
} // namespace common::hooks
