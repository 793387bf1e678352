#pragma once

#include <QSlider>

namespace tavelo {

// A horizontal slider that says when its thumb comes to rest: after a drag, a click in the
// channel or a key, once the button (any that moved it) or key is let go. Work that is too
// slow to follow every step of a drag waits for EndTrack.
class CTrackbar : public QSlider {
    Q_OBJECT
public:
    static constexpr int TB_ENDTRACK = 8;

    explicit CTrackbar(QWidget* parent = nullptr);

    // The range, with a page (a click in the channel, Page Up/Down) of a fifth of it.
    void SetRange(int minimum, int maximum);

Q_SIGNALS:
    void EndTrack();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

}  // namespace tavelo
