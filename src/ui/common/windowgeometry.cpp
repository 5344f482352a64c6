#include "windowgeometry.h"

#include <cmath>
#include <optional>

#include <QWidget>

#include "settings/clsinifile.h"
#include "settings/settingsfile.h"
#include "ui/common/twips.h"

namespace {

QString twipsText(int value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

std::optional<int> wholeNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > 1e9)
        return std::nullopt;
    return int(std::lround(value));
}

// The stored twips of `key`, with the window's current pixels as the default.
std::optional<int> storedPixels(const clsIniFile& ini, QLatin1StringView key, int currentPixels)
{
    const auto twips = wholeNumber(ini.mGetString(SettingsKeys::SectionSettings, key,
                                                  twipsText(PixelsToTwips(currentPixels))));
    if (!twips)
        return std::nullopt;
    return TwipsToPixels(*twips);
}

} // namespace

void RestoreWindowGeometry(QWidget& window, const clsIniFile& ini)
{
    using namespace SettingsKeys;
    if (const auto v = storedPixels(ini, MainLeft, window.x()))
        window.move(*v, window.y());
    if (const auto v = storedPixels(ini, MainTop, window.y()))
        window.move(window.x(), *v);
    if (const auto v = storedPixels(ini, MainWidth, window.width()))
        window.resize(*v, window.height());
    if (const auto v = storedPixels(ini, MainHeight, window.height()))
        window.resize(window.width(), *v);
}

void SaveWindowGeometry(const QWidget& window, clsIniFile& ini)
{
    using namespace SettingsKeys;
    if (window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    ini.mSetString(SectionSettings, MainLeft, twipsText(PixelsToTwips(window.x())));
    ini.mSetString(SectionSettings, MainTop, twipsText(PixelsToTwips(window.y())));
    ini.mSetString(SectionSettings, MainWidth, twipsText(PixelsToTwips(window.width())));
    ini.mSetString(SectionSettings, MainHeight, twipsText(PixelsToTwips(window.height())));
}
