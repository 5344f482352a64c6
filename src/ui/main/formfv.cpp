#include "formfv.h"

#include <array>

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/shellservices.h"
#include "settings/paths.h"
#include "ui/common/appcontext.h"
#include "ui/common/dialogs.h"
#include "ui/common/windowkit.h"

namespace {

const QString kWebAddress = QStringLiteral("https://quorvix.example/");
const QString kDescription = QStringLiteral("Quorvix ― ルールで数えるソース行カウンタ");
const QString kLegalNotice = QStringLiteral("Copyright (C) 2026 Quorvix developers");

// The picture of BtnURL, in 32 units: a small globe.
void drawGlobe(QPainter& p)
{
    p.setPen(QPen(QColor(0x1a, 0x3d, 0x70), 1.6));
    p.setBrush(QColor(0x7c, 0xc0, 0xf0));
    p.drawEllipse(QPointF(16, 16), 13, 13);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16, 16), 6, 13);
    p.drawLine(QPointF(3, 16), QPointF(29, 16));
    p.drawLine(QPointF(16, 3), QPointF(16, 29));
    p.drawLine(QPointF(6, 9), QPointF(26, 9));
    p.drawLine(QPointF(6, 23), QPointF(26, 23));
}

} // namespace

struct FormFV::Private {
    explicit Private(AppContext& c)
        : ctx(c)
    {
    }

    AppContext& ctx;
    QFrame* Picture1 = nullptr;
    QLabel* Image1 = nullptr;
    std::array<QLabel*, 3> Label1{};
    QLabel* lblVersion = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label2 = nullptr;
    QToolButton* BtnURL = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* BtnEnd = nullptr;
};

FormFV::FormFV(AppContext& ctx, QWidget* parent)
    : QDialog(parent)
    , d(std::make_unique<Private>(ctx))
{
    setObjectName(QStringLiteral("FormFV"));
    MakeFixedDialog(*this);
    // The window has no caption text. An empty title would show the program's name instead
    // (Qt's fallback), so the title is one blank.
    setWindowTitle(QStringLiteral(" "));
    setModal(true);

    d->Picture1 = new QFrame(this);
    d->Picture1->setObjectName(QStringLiteral("Picture1"));
    d->Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    d->Image1 = new QLabel(d->Picture1);
    d->Image1->setObjectName(QStringLiteral("Image1"));
    d->Image1->setPixmap(QuorvixIcon().pixmap(32, 32));

    for (int i = 0; i < 3; ++i) {
        d->Label1[i] = new QLabel(d->Picture1);
        d->Label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
    }
    d->Label1[0]->setText(QStringLiteral("Quorvix"));
    QFont nameFont = d->Label1[0]->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 2);
    d->Label1[0]->setFont(nameFont);
    d->Label1[2]->setText(kDescription);
    d->Label1[1]->setText(kLegalNotice);
    for (QLabel* line : {d->Label1[1], d->Label1[2]})
        line->setAlignment(Qt::AlignCenter);

    d->lblVersion = new QLabel(d->Picture1);
    d->lblVersion->setObjectName(QStringLiteral("lblVersion"));
    d->lblVersion->setText(QStringLiteral("Version.") + versionNumbers());
    d->lblVersion->setAlignment(Qt::AlignRight | Qt::AlignTop);

    d->Frame1 = new QGroupBox(QStringLiteral(" ﾌﾘｰｳｪｱ "), d->Picture1);
    d->Frame1->setObjectName(QStringLiteral("Frame1"));
    d->Label2 = new QLabel(QStringLiteral("最新版のﾀﾞｳﾝﾛｰﾄﾞは\r\nこちらからどうぞ"), d->Frame1);
    d->Label2->setObjectName(QStringLiteral("Label2"));
    d->BtnURL = new QToolButton(d->Frame1);
    d->BtnURL->setObjectName(QStringLiteral("BtnURL"));
    d->BtnURL->setIcon(QIcon(DrawnPixmap(32, 32, drawGlobe)));
    d->BtnURL->setIconSize(QSize(32, 32));
    d->BtnURL->setToolTip(kWebAddress);
    d->Text1 = new QLineEdit(kWebAddress, d->Frame1);
    d->Text1->setObjectName(QStringLiteral("Text1"));
    d->Text1->setReadOnly(true);

    d->BtnEnd = new QPushButton(QStringLiteral("OK"), this);
    d->BtnEnd->setObjectName(QStringLiteral("BtnEnd"));
    d->BtnEnd->setDefault(true);

    auto* frameLayout = new QGridLayout(d->Frame1);
    frameLayout->addWidget(d->Label2, 0, 0);
    frameLayout->addWidget(d->BtnURL, 0, 1, Qt::AlignRight);
    frameLayout->addWidget(d->Text1, 1, 0, 1, 2);

    // The notice lines span the panel's inner width; everything else keeps an inner margin.
    const int margin = style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(margin, 0, margin, 0);
    header->addWidget(d->Image1, 0, Qt::AlignTop);
    header->addWidget(d->Label1[0], 0, Qt::AlignVCenter);
    header->addStretch(1);
    header->addWidget(d->lblVersion, 0, Qt::AlignTop);
    auto* frameRow = new QHBoxLayout;
    frameRow->setContentsMargins(margin, 0, margin, 0);
    frameRow->addWidget(d->Frame1);

    auto* panelLayout = new QVBoxLayout(d->Picture1);
    panelLayout->setContentsMargins(0, margin, 0, margin);
    panelLayout->addLayout(header);
    panelLayout->addWidget(d->Label1[2]);
    panelLayout->addWidget(d->Label1[1]);
    panelLayout->addLayout(frameRow);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(d->BtnEnd);
    buttonRow->addStretch(1);

    auto* windowLayout = new QVBoxLayout(this);
    windowLayout->addWidget(d->Picture1);
    windowLayout->addLayout(buttonRow);
    windowLayout->setSizeConstraint(QLayout::SetFixedSize);

    connect(d->BtnEnd, &QPushButton::clicked, this, &QDialog::accept);
    connect(d->BtnURL, &QToolButton::clicked, this, &FormFV::BtnURL_Click);
}

FormFV::~FormFV() = default;

QString FormFV::versionNumbers()
{
    return QStringLiteral("%1.%2.%3")
        .arg(QUORVIX_VERSION_MAJOR)
        .arg(QUORVIX_VERSION_MINOR)
        .arg(QUORVIX_VERSION_PATCH);
}

void FormFV::BtnURL_Click()
{
    QString shortcut = AddBackslash(d->ctx.programFolder) + QStringLiteral("Pelindor.url");
    if (PathIsUsable(shortcut)) {
        // Whether the shell managed to open it is not told to the user.
        d->ctx.shell.open(shortcut, QString());
        return;
    }
    d->ctx.dialogs.message(this, QStringLiteral("Pelindor ｲﾝﾀｰﾈｯﾄｼｮｰﾄｶｯﾄﾌｧｲﾙが存在しません"),
                           Dialogs::Icon::Exclamation);
}
