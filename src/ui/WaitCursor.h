#pragma once

#include <QGuiApplication>

namespace tavelo {

// The wait cursor for as long as a command works; every way out restores the pointer, and
// Restore lets a command put it back before it shows a message.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { Restore(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void Restore() {
        if (m_bOn) {
            QGuiApplication::restoreOverrideCursor();
            m_bOn = false;
        }
    }

private:
    bool m_bOn = true;
};

}  // namespace tavelo
