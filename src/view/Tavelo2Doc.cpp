#include "view/Tavelo2Doc.h"

namespace tavelo {

bool CTavelo2Doc::OnNewDocument() {
    return true;
}

}  // namespace tavelo
