#include "windowkit.h"

#include <array>
#include <functional>

#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "platform/shellservices.h"
#include "settings/paths.h"
#include "ui/common/appcontext.h"

namespace {

// In 64 units: a rounded square with lines of text and a Q laid over
// them like a magnifier counting the lines.
void drawIcon(QPainter& p)
{
    QLinearGradient background(0, 0, 0, 64);
    background.setColorAt(0, QColor(0x35, 0x78, 0xc4));
    background.setColorAt(1, QColor(0x1a, 0x3d, 0x70));
    p.setPen(QPen(QColor(0x12, 0x2c, 0x52), 1.5));
    p.setBrush(background);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 225));
    const std::array<qreal, 4> widths{34, 24, 30, 18};
    for (int i = 0; i < 4; ++i)
        p.drawRoundedRect(QRectF(9, 11 + i * 10, widths[i], 5), 2, 2);

    QPen q(QColor(0xff, 0xb2, 0x3f), 7, Qt::SolidLine, Qt::RoundCap);
    p.setPen(q);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(39, 37), 14, 14);
    p.drawLine(QPointF(46, 45), QPointF(55, 55));
}

} // namespace

QPixmap DrawnPixmap(int size, qreal units, const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / units, size / units);
    draw(p);
    return pixmap;
}

void MakeFixedDialog(QWidget& dialog)
{
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
}

QString EscapedCaption(QString caption)
{
    return caption.replace(u'&', QStringLiteral("&&"));
}

QIcon QuorvixIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 64})
        icon.addPixmap(DrawnPixmap(size, 64, drawIcon));
    return icon;
}

QString OpenHelpFile(AppContext& ctx)
{
    const QString help = AddBackslash(ctx.programFolder) + QStringLiteral("Quorvix.chm");
    const int result = ctx.shell.open(help, QString());
    if (result == ShellServices::FileNotFound)
        return help + QStringLiteral("が見つかりません");
    if (result == ShellServices::NoAssociation)
        return help + QStringLiteral("の拡張子に ｱﾌﾟﾘｹｰｼｮﾝが関連付けされていません");
    return QString();
}

bool IsNetworkPath(const QString& path)
{
    return path.startsWith(QStringLiteral("//")) || path.startsWith(QStringLiteral("\\\\"));
}
