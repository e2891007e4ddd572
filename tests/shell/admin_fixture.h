#pragma once
// A test server with the administration windows and the viewer registered,
// and the menu-rights hook counting its calls.
#include "common/globals.h"
#include "common/hooks.h"
#include "shell/admin.h"
#include "shell/frmVeiwer.h"
#include "support/gui.h"
#include "support/testserver.h"

#include <QStringList>

class AdminTest : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        shell::registerAdminWindows();
        shell::registerViewer();
        menuRightsCalls = 0;
        common::hooks::setApplyMenuRights([this] {
            ++menuRightsCalls;
            lockFlagAtMenuRights = gLockRemoveData;
        });
    }
    void TearDown() override
    {
        TestServer::TearDown();
        common::hooks::setApplyMenuRights(nullptr);
    }

    int menuRightsCalls = 0;
    bool lockFlagAtMenuRights = false;
};
