#pragma once
// Fixture for the shell's windows: a fresh server, the shell's windows
// registered, stand-in task windows, and the program's end recorded.
#include "common/format.h"
#include "shell/MDIForm1.h"
#include "shell/shell.h"
#include "support/testserver.h"

#include <QAction>
#include <QHash>
#include <QMdiSubWindow>

// A task window as the other subsystems build them: its unload applies the
// menu rights, and it records whether it could still load another window then.
class StubWindow : public common::Window {
    Q_OBJECT
public:
    explicit StubWindow(const QString &name);
    static QHash<QString, int> &unloads();
    static int &loadsDuringUnload();

protected:
    void formUnload() override;
};

// Registers a stand-in under that name (once).
void registerStub(const QString &name);
// The report-selection window's stand-in, with the controls the report items set.
void registerReportStub();

class ShellTest : public TestServer {
protected:
    void SetUp() override;
    void TearDown() override;

    // The main window as the login leaves it.
    MDIForm1 *openMain();
    MDIForm1 *main() const { return common::windows::ifLoaded<MDIForm1>(QStringLiteral("MDIForm1")); }
    QAction *item(const QString &name) const;
    void trigger(const QString &name);
    // A place in twips of the client area, as the frame's position.
    static QPoint at(int left, int top) { return {common::twips(left), common::twips(top)}; }

    int m_ended = 0; // times the program was ended
};
