#pragma once
// A test server with the administration windows and the viewer registered,
// and the menu-rights hook counting its calls.
#include "admin.h"
#include "frmVeiwer.h"
#include "globals.h"
#include "gui.h"
#include "hooks.h"
#include "testserver.h"

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
