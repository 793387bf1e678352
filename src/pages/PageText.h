#pragma once

#include <QByteArray>
#include <QString>

#include "pages/PageIndex.h"

namespace tavelo {

// A page's text as read, as it is kept on disk beside the page: what the page was when it
// was read (so that a page changed since is read again), its words, its text and the text
// layer to lay over its document page.
struct PageText {
    QString key;
    int words = 0;
    QString text;
    QByteArray textLayer;  // a one-page PDF, or empty
    bool operator==(const PageText&) const = default;
};

// What a page is read as: its languages, turns, outline and own look. Two readings of a
// page with the same key give the same text.
QString ReadingKey(const PageRecord& page, const QString& languages);

QByteArray EncodePageText(const PageText& text);
// The bytes come from disk and are trusted in nothing: false unless they are a whole record
// this code wrote, within bounds, its text layer a PDF.
bool DecodePageText(const QByteArray& bytes, PageText* text);

}  // namespace tavelo
