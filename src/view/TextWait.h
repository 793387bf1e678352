#pragma once

#include <vector>

class QWidget;

namespace tavelo {

class SittingReader;

// Before pages are written out with their text: waits, with a progress dialog the user may
// cancel, until those of `rows` on their way to being read are read (or found unreadable).
// True when none is left unread; false when cancelled, and the pages still unread go without
// their text. The window goes on meanwhile; only the dialog is modal.
bool WaitForText(QWidget* parent, const SittingReader* reader, const std::vector<int>& rows);

}  // namespace tavelo
