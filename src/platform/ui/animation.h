#pragma once
// The program's animated emblem. Given a movie file, it plays it when Qt can
// decode it; otherwise (or when the file is missing) it shows a drawn
// animation of its own. It never reports an error and never blocks.
#include <QPointer>
#include <QString>
#include <QWidget>

class QMovie;
class QTimer;

namespace ui {

class Animation : public QWidget {
    Q_OBJECT
public:
    explicit Animation(QWidget *parent = nullptr);
    ~Animation() override;

    void setMovie(const QString &path);
    QString movie() const { return m_path; }
    // True while a decoded movie plays, false while the drawn emblem shows.
    bool playsMovie() const;

    QSize sizeHint() const override { return {220, 220}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void start();
    void stop();
    QString m_path;
    QMovie *m_movie = nullptr;
    QTimer *m_timer;
    int m_phase = 0; // drawn animation step
};

} // namespace ui
