#include "common/errors.h"

#include "common/dialogs.h"
#include "common/input.h"
#include "platform/db/db.h"

#include <QEvent>

#include <exception>

namespace common {

namespace {

void report(const QString &text, Icon icon = Icon::Critical)
{
    msgBox(text, Buttons::Ok, icon, programTitle());
}

template <class F> bool guarded(F &&f)
{
    try {
        f();
        return true;
    } catch (const db::BusyError &e) {
        // Not a fault of the program: the user can wait, or free space, and try again.
        report(e.text(), Icon::Exclamation);
    } catch (const db::DiskFullError &e) {
        report(e.text(), Icon::Exclamation);
    } catch (const db::ConnectionLostError &e) {
        report(e.text(), Icon::Exclamation);
    } catch (const db::UnwritableError &e) {
        report(e.text(), Icon::Exclamation);
    } catch (const std::exception &e) {
        report(QString::fromUtf8(e.what()));
    } catch (...) {
        report(QStringLiteral("Unexpected error"));
    }
    return false;
}

} // namespace

bool runGuarded(const std::function<void()> &f)
{
    return guarded(f);
}

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("ORU Accounts"));
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    if (event->type() == QEvent::Polish)
        input::guardWidget(receiver, event);
    bool handled = false;
    guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace common
