#include "windowgeometry.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
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

// The screen that shows the most of `frame`, else the window's own.
QScreen* landingScreen(const QWidget& window, const QRect& frame)
{
    if (QScreen* atCentre = QGuiApplication::screenAt(frame.center()))
        return atCentre;
    QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->availableGeometry().intersected(frame);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = screen;
        }
    }
    if (best)
        return best;
    return window.screen() ? window.screen() : QGuiApplication::primaryScreen();
}

// What the frame adds to the window's size. Until the window system has framed the window the
// frame is not known: a title bar and thin borders are assumed then.
QSize frameExtent(const QWidget& window, const QRect& frame)
{
    const QSize known = frame.size() - window.size();
    if (!known.isEmpty() || (window.windowFlags() & Qt::FramelessWindowHint))
        return known;
    constexpr int kBorder = 4;
    const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return QSize(2 * kBorder, title + 2 * kBorder);
}

// `start` moved into [low, high - length], or to `low` when `length` does not fit.
int fitInto(int start, int length, int low, int high)
{
    return std::max(low, std::min(start, high - length));
}

} // namespace

void KeepWindowOnScreen(QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QScreen* screen = landingScreen(window, frame);
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize extra = frameExtent(window, frame);
    const QSize client(
        std::max(std::min(window.width(), area.width() - extra.width()), window.minimumWidth()),
        std::max(std::min(window.height(), area.height() - extra.height()),
                 window.minimumHeight()));
    if (client != window.size())
        window.resize(client);
    const QSize outer = client + extra;
    const QPoint place(fitInto(frame.x(), outer.width(), area.left(), area.right() + 1),
                       fitInto(frame.y(), outer.height(), area.top(), area.bottom() + 1));
    if (place != frame.topLeft())
        window.move(place);
}

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
    KeepWindowOnScreen(window);
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
