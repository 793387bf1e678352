#include "image/Tavelo2View.h"

#include <QPalette>

#include "image/ViewHost.h"
#include "res/CommandIds.h"

namespace tavelo {

CTavelo2View::CTavelo2View(QWidget* parent) : QWidget(parent) {
    // The empty canvas around a picture, as picture viewers show it.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Dark);
    setFocusPolicy(Qt::StrongFocus);
}

CTavelo2View::~CTavelo2View() = default;

void CTavelo2View::OnInitialUpdate(ViewHost* frame) {
    m_pFrame = frame;
    if (m_pFrame != nullptr) {
        constexpr int kGreyed = MF_GRAYED | MF_DISABLED;
        m_pFrame->EnableTopMenu(MENU_POS_EDIT, kGreyed);
        m_pFrame->EnableTopMenu(MENU_POS_ZOOM, kGreyed);
        m_pFrame->EnableTopMenu(MENU_POS_ROTATION, kGreyed);
    }
}

void CTavelo2View::CloseRemote() {
    // No panel can be open before the panel is built.
}

void CTavelo2View::RepaintPicture() {
    if (m_bImage) {
        update();
    }
}

void CTavelo2View::ForgetRemote() {
    m_pRemote = nullptr;
}

}  // namespace tavelo
