#include "settings/DocumentSettings.h"

#include "res/Strings.h"
#include "settings/Profile.h"

namespace tavelo {
namespace {

constexpr const char* kFindPage = "FindPage";
constexpr const char* kPageLook = "PageLook";

// The looks as stored: names, so that a file edited by hand reads plainly.
constexpr const char* kLookKeys[] = {"Colour", "Grey", "BlackWhite"};

}  // namespace

DocumentOptions LoadDocumentOptions(const DocumentOptions& base) {
    DocumentOptions options = base;
    options.findPage = GetProfileInt(SETTINGS_SECTION, kFindPage, base.findPage ? 1 : 0) != 0;
    const QString look = GetProfileString(SETTINGS_SECTION, kPageLook);
    for (int i = 0; i < 3; ++i) {
        if (look.compare(QLatin1String(kLookKeys[i]), Qt::CaseInsensitive) == 0) {
            options.look = static_cast<PageLook>(i);
        }
    }
    return options;
}

bool SaveDocumentOptions(const DocumentOptions& options) {
    return WriteProfileInt(SETTINGS_SECTION, kFindPage, options.findPage ? 1 : 0) &&
           WriteProfileString(SETTINGS_SECTION, kPageLook,
                              QLatin1String(kLookKeys[static_cast<int>(options.look)]));
}

QString LookName(PageLook look) {
    switch (look) {
        case PageLook::Colour:
            return QStringLiteral("Colour");
        case PageLook::Grey:
            return QStringLiteral("Grey");
        case PageLook::BlackWhite:
            return QStringLiteral("Black and White");
    }
    return {};
}

}  // namespace tavelo
