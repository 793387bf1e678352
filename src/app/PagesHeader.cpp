#include "app/PagesHeader.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QSignalBlocker>

#include "pages/Sitting.h"
#include "settings/DocumentSettings.h"
#include "view/Tavelo2View.h"

namespace tavelo {
namespace {

constexpr PageLook kLooks[] = {PageLook::Colour, PageLook::Grey, PageLook::BlackWhite};

}  // namespace

CPagesHeader::CPagesHeader(CTavelo2View& view, QWidget* parent) : QWidget(parent), m_view(view) {
    setObjectName(QStringLiteral("pagesHeader"));
    // No access keys here: Alt and a letter belong to the menu bar.
    m_findPage = new QCheckBox(QStringLiteral("Find the page"), this);
    m_findPage->setObjectName(QStringLiteral("findPage"));
    m_findPage->setToolTip(QStringLiteral("Look for the sheet in each picture and straighten it"));
    m_look = new QComboBox(this);
    m_look->setObjectName(QStringLiteral("pageLook"));
    m_look->setToolTip(QStringLiteral("The look of the pages found"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_findPage);
    layout->addWidget(m_look, 1);

    m_findAction = new QAction(QStringLiteral("&Find the Page"), this);
    m_findAction->setCheckable(true);
    m_actions << m_findAction;
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    m_actions << separator;
    auto* group = new QActionGroup(this);
    for (PageLook look : kLooks) {
        m_look->addItem(LookName(look));
        auto* action = new QAction(QLatin1Char('&') + LookName(look), group);
        action->setCheckable(true);
        m_lookActions << action;
        m_actions << action;
    }

    connect(m_findPage, &QCheckBox::toggled, this, &CPagesHeader::SetFindPage);
    connect(m_findAction, &QAction::toggled, this, &CPagesHeader::SetFindPage);
    connect(m_look, &QComboBox::currentIndexChanged, this, &CPagesHeader::SetLook);
    for (int i = 0; i < m_lookActions.size(); ++i) {
        connect(m_lookActions[i], &QAction::triggered, this, [this, i] { SetLook(i); });
    }
    if (Sitting* sitting = view.PagesSitting()) {
        connect(sitting, &Sitting::optionsChanged, this, &CPagesHeader::Show);
    }
    Show();
}

void CPagesHeader::Show() {
    const Sitting* sitting = m_view.PagesSitting();
    setEnabled(sitting != nullptr);
    const DocumentOptions options = sitting != nullptr ? sitting->Options() : DocumentOptions();
    const QSignalBlocker blockCheck(m_findPage);
    const QSignalBlocker blockCombo(m_look);
    const QSignalBlocker blockAction(m_findAction);
    m_findPage->setChecked(options.findPage);
    m_findAction->setChecked(options.findPage);
    m_look->setCurrentIndex(static_cast<int>(options.look));
    m_lookActions[static_cast<int>(options.look)]->setChecked(true);
}

void CPagesHeader::SetFindPage(bool on) {
    if (Sitting* sitting = m_view.PagesSitting()) {
        DocumentOptions options = sitting->Options();
        options.findPage = on;
        m_view.SetDocumentOptions(options);
    }
    Show();
}

void CPagesHeader::SetLook(int look) {
    if (Sitting* sitting = m_view.PagesSitting(); sitting != nullptr && look >= 0 && look < 3) {
        DocumentOptions options = sitting->Options();
        options.look = kLooks[look];
        m_view.SetDocumentOptions(options);
    }
    Show();
}

}  // namespace tavelo
