#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "pages/DocumentPage.h"

namespace tavelo {

// The document page of a picture made on a thread of its own, scaled down to fit a box, so
// that the window asking for it never waits: while a page is being made, later requests
// replace each other and only the latest is made next.
class StraightPreview : public QObject {
    Q_OBJECT
public:
    struct Request {
        QImage picture;  // the page before its turns
        PageOutline outline;
        PageLook look = PageLook::Grey;
        int turns = 0;
        QSize box;  // device pixels the preview is fitted into
    };

    explicit StraightPreview(QObject* parent = nullptr);
    ~StraightPreview() override;  // waits for the page being made, if any
    StraightPreview(const StraightPreview&) = delete;
    StraightPreview& operator=(const StraightPreview&) = delete;

    // Asks for a preview; its number (counting from 1) comes back with it in ready().
    quint64 Ask(Request request);

Q_SIGNALS:
    // The preview of request `number`, the whole document page fitted into its box (null
    // when the page could not be made). Delivered on the thread that owns this object.
    void ready(const QImage& preview, quint64 number);

private:
    void Run();

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::optional<Request> m_pending;
    quint64 m_nAsked = 0;
    bool m_bStop = false;
    std::thread m_thread;  // last, so that it starts after everything it uses
};

}  // namespace tavelo
