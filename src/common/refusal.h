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
    // Why an opened record may not be saved: another user deleted it (Gone)
    // or changed it (Changed) since it was read; None for every other refusal.
    enum class Conflict { None, Gone, Changed };
    explicit Refused(const QString &text, Conflict conflict = Conflict::None)
        : std::runtime_error(text.toStdString())
        , m_conflict(conflict)
    {
    }
    QString text() const { return QString::fromStdString(what()); }
    Conflict conflict() const { return m_conflict; }

private:
    Conflict m_conflict;
};

// Runs f, turning a refusal of the journal (or any type with text(), and
// optionally conflict()) into a rule's refusal, so callers above the rules
// layer meet one type.
template <class JournalRefused, class F> decltype(auto) refusing(F &&f)
{
    try {
        return f();
    } catch (const JournalRefused &e) {
        Refused::Conflict conflict = Refused::Conflict::None;
        if constexpr (requires { e.conflict(); }) {
            using C = decltype(e.conflict());
            if (e.conflict() == C::Gone)
                conflict = Refused::Conflict::Gone;
            else if (e.conflict() == C::Changed)
                conflict = Refused::Conflict::Changed;
        }
        throw Refused(e.text(), conflict);
    }
}

} // namespace common
