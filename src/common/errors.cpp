#include "errors.h"

#include "dialogs.h"

#include <exception>

namespace common {

namespace {

void report(const QString &text)
{
    msgBox(text, Buttons::Ok, Icon::Critical, programTitle());
}

} // namespace

bool runGuarded(const std::function<void()> &f)
{
    try {
        f();
        return true;
    } catch (const std::exception &e) {
        report(QString::fromUtf8(e.what()));
    } catch (...) {
        report(QStringLiteral("Unexpected error"));
    }
    return false;
}

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("ORU Accounts"));
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        report(QString::fromUtf8(e.what()));
    } catch (...) {
        report(QStringLiteral("Unexpected error"));
    }
    return false;
}

} // namespace common
