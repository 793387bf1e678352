#include "view/StraightPreview.h"

#include <QMetaObject>

namespace tavelo {

StraightPreview::StraightPreview(QObject* parent) : QObject(parent), m_thread([this] { Run(); }) {}

StraightPreview::~StraightPreview() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_bStop = true;
        m_pending.reset();
    }
    m_wake.notify_one();
    m_thread.join();
}

quint64 StraightPreview::Ask(Request request) {
    quint64 number = 0;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_pending = std::move(request);
        number = ++m_nAsked;
    }
    m_wake.notify_one();
    return number;
}

void StraightPreview::Run() {
    for (;;) {
        Request request;
        quint64 number = 0;
        {
            std::unique_lock<std::mutex> hold(m_lock);
            m_wake.wait(hold, [this] { return m_bStop || m_pending.has_value(); });
            if (m_bStop) {
                return;
            }
            request = std::move(*m_pending);
            m_pending.reset();
            number = m_nAsked;
        }
        QImage preview =
            DocumentPicture(request.picture, request.outline, request.look, request.turns).picture;
        if (!preview.isNull() && request.box.isValid()) {
            preview = preview.scaled(request.box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        // Queued to this object's thread; dropped there if the object has gone by then.
        QMetaObject::invokeMethod(
            this, [this, preview, number] { Q_EMIT ready(preview, number); }, Qt::QueuedConnection);
    }
}

}  // namespace tavelo
