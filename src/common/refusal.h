#pragma once
// A rule's refusal: what the user entered may not be saved (or deleted) as it
// stands. The text is what the user is told, in an information box; nothing
// has been written when it is thrown. Not a database error: a window shows
// it and goes on, and the error guard never sees it.
#include <QString>

#include <stdexcept>

namespace common {

class Refused : public std::runtime_error {
public:
    explicit Refused(const QString &text)
        : std::runtime_error(text.toStdString())
    {
    }
    QString text() const { return QString::fromStdString(what()); }
};

// Runs f, turning a refusal of the journal (or any type with text()) into a
// rule's refusal, so callers above the rules layer meet one type.
template <class JournalRefused, class F> decltype(auto) refusing(F &&f)
{
    try {
        return f();
    } catch (const JournalRefused &e) {
        throw Refused(e.text());
    }
}

} // namespace common
