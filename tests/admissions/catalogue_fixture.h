#pragma once
// A test server with the catalogue windows registered, the menu-rights hook
// counting its calls, and helpers to add catalogue rows and read lists.
#include "admissions/catalogue.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "platform/ui/grid.h"
#include "support/gui.h"
#include "support/testserver.h"

#include <QStringList>

class CatalogueTest : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        admissions::registerCatalogueWindows();
        menuRightsCalls = 0;
        common::hooks::setApplyMenuRights([this] { ++menuRightsCalls; });
    }
    void TearDown() override
    {
        TestServer::TearDown();
        common::hooks::setApplyMenuRights(nullptr);
    }

    void addSession(int id, const char *name)
    {
        exec(QStringLiteral("insert into tblSession (SessionId, SessionName) values (?, ?)"), {id, name});
    }
    void addCourse(int id, const char *name, const char *durr = "6", const char *unit = "Month")
    {
        exec(QStringLiteral("insert into tblCourse (CourseId, CourseName, Coursedurration, MonthYear) "
                            "values (?, ?, ?, ?)"),
            {id, name, durr, unit});
    }
    void addSubject(int id, int course, const char *name, const db::Value &fee)
    {
        exec(QStringLiteral("insert into tblSubject (SubId, CourseId, SubName, TotAmt) values (?, ?, ?, ?)"),
            {id, course, name, fee});
    }

    // Column `col` of every line of a grid, the blank line of an empty list excluded.
    static QStringList gridColumn(ui::Grid *g, int col)
    {
        QStringList out;
        for (int r = 1; r < g->rows(); ++r)
            if (!g->textMatrix(r, 0).isEmpty())
                out << g->textMatrix(r, col);
        return out;
    }

    int menuRightsCalls = 0;
};
