#pragma once
// The one report viewer window: a child window holding the viewer control,
// which fills it whatever its size.
#include "common/window.h"

namespace report {
class CRViewer91;
}

namespace shell {
// Registers frmVeiwer with the window registry.
void registerViewer();
} // namespace shell

class frmVeiwer : public common::Window {
    Q_OBJECT
public:
    frmVeiwer();
    report::CRViewer91 *viewer() const { return m_viewer; }

protected:
    void formLoad() override;
    void resizeEvent(QResizeEvent *event) override;

private:
    report::CRViewer91 *m_viewer;
};
