#pragma once
// Errors that a handler does not catch are caught once, where events are
// dispatched, and shown as a message box with their text.
#include <QApplication>
#include <QObject>

#include <functional>
#include <utility>

namespace common {

// Runs f; a db::Error or std::exception escaping it is shown in a message
// box (critical icon, the program's title; a busy database, a full disk or
// an unreachable server with the exclamation icon). Returns false when f threw.
bool runGuarded(const std::function<void()> &f);

// connect() whose slot runs guarded.
template <class Sender, class Signal, class F>
QMetaObject::Connection on(Sender *sender, Signal signal, QObject *context, F f)
{
    return QObject::connect(sender, signal, context, [f = std::move(f)](auto &&...args) mutable {
        runGuarded([&] { f(std::forward<decltype(args)>(args)...); });
    });
}

// The application object: also catches anything thrown from an event handler.
class Application : public QApplication {
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace common
