#pragma once
// A refusal of the rules or of the journal: what the user entered may not be
// saved (or deleted) as it stands. The text is what the user is told, in an
// information box; nothing has been written when it is thrown. Not a
// database error: a window shows it and goes on, and the error guard never
// sees it. The journal throws it and the rules above pass it on unchanged
// (common::Refused names the same type).
#include <QString>

#include <stdexcept>

namespace books {

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

} // namespace books
