#include "admissions/catalogue_fixture.h"
#include "support/screenshots/screenshots.h"

#include <QLineEdit>
#include <QTabWidget>

namespace {

// Saves each window as the user sees it into the screenshot folder.
class CatalogueScreenshots : public CatalogueTest { };

TEST_F(CatalogueScreenshots, CatalogueWindows)
{
    const QString folder = screenshotFolder();
    addSession(1, "SPRING 2009");
    addCourse(1, "CA FOUNDATION", "18", "Month");
    addCourse(2, "ACCA", "3", "Year");
    addSubject(1, 1, "FINANCIAL ACCOUNTING", db::Money::fromCents(250000));
    addSubject(2, 2, "AUDIT AND ASSURANCE", db::Money::fromCents(300000));
    addSubject(3, 2, "TAXATION", db::Value());
    host()->window()->resize(1400, 900);
    for (const char *name : {"frmSession", "frmCourse", "frmSubject"}) {
        common::Window *w = common::windows::show(QString::fromLatin1(name));
        ASSERT_TRUE(w);
        w->moveTwips(4000, 1000);
        w->frame()->grab().save(folder + QStringLiteral("/catalogue-%1-entry.png").arg(QLatin1String(name)));
        findControl<QTabWidget>(w, "SSTab1")->setCurrentIndex(1);
        w->frame()->grab().save(folder + QStringLiteral("/catalogue-%1-search.png").arg(QLatin1String(name)));
        w->unload();
        flushDeferred();
    }
    admissions::openSubjectPicker();
    common::Window *p = common::windows::ifLoaded("frmSearchSub");
    ASSERT_TRUE(p);
    p->frame()->grab().save(folder + QStringLiteral("/catalogue-frmSearchSub.png"));
}

} // namespace
