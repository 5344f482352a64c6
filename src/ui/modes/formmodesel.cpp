#include "formmodesel.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpacerItem>
#include <QVBoxLayout>

#include "settings/settingsfile.h"
#include "ui/common/windowkit.h"

namespace {

constexpr int kSlots = SettingsKeys::ModeSlotCount;

const QString kDesignCaption = QStringLiteral("MODE SELECT");
const QString kDeleteAction = QStringLiteral("DELETE");
// Light red, so a delete is not confirmed by habit.
const QColor kDeleteColour(0xFF, 0xC0, 0xC0);

} // namespace

FormModeSel::FormModeSel(const SlotQuestion& question, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormModeSel"));
    MakeFixedDialog(*this);
    setModal(true);
    buildControls();
    Form_Load(question);
}

FormModeSel::~FormModeSel() = default;

std::optional<int> FormModeSel::choose(const SlotQuestion& question, QWidget* parent)
{
    FormModeSel dialog(question, parent);
    dialog.exec();
    if (dialog.Cancelled())
        return std::nullopt;
    return dialog.SelectedSlot();
}

void FormModeSel::buildControls()
{
    // The title is cut by the window system when it is wider than the window, so the mode being
    // saved is named here as well.
    lblModeName = new QLabel(this);
    lblModeName->setObjectName(QStringLiteral("lblModeName"));
    lblModeName->setTextFormat(Qt::PlainText);
    lblModeName->setWordWrap(true);
    QFont nameFont = lblModeName->font();
    nameFont.setBold(true);
    lblModeName->setFont(nameFont);

    auto* slotGrid = new QGridLayout;
    for (int n = 1; n <= kSlots; ++n) {
        auto* option = new QRadioButton(this);
        option->setObjectName(QStringLiteral("optModeNumber") + QString::number(n));
        option->setMinimumWidth(160);
        auto* label = new QLabel(QStringLiteral("MODE-") + QString::number(n), this);
        label->setObjectName(QStringLiteral("lblModeNumber") + QString::number(n));
        slotGrid->addWidget(label, n - 1, 0);
        slotGrid->addWidget(option, n - 1, 1);
        optModeNumber[size_t(n - 1)] = option;
        lblModeNumber[size_t(n - 1)] = label;
    }
    // A wide title leaves room at the right, not between a label and its slot.
    slotGrid->setColumnStretch(2, 1);

    BtnOK = new QPushButton(QStringLiteral("OK"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setAutoDefault(false);
    BtnCancel = new QPushButton(QStringLiteral("CANCEL"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblModeName);
    layout->addLayout(slotGrid);
    layout->addLayout(buttons);
    m_titleWidth = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    layout->addSpacerItem(m_titleWidth);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BtnOK, &QPushButton::clicked, this, &FormModeSel::BtnOK_Click);
    connect(BtnCancel, &QPushButton::clicked, this, &FormModeSel::BtnCancel_Click);
}

void FormModeSel::Form_Load(const SlotQuestion& question)
{
    if (question.SlotAction == kDeleteAction) {
        setWindowTitle(question.SlotAction + u' ' + kDesignCaption);
        BtnOK->setText(kDeleteAction);
        QPalette palette = BtnOK->palette();
        palette.setColor(QPalette::Button, kDeleteColour);
        BtnOK->setPalette(palette);
    } else {
        setWindowTitle(question.SlotAction + u' ' + kDesignCaption + QStringLiteral(" [ ") +
                       question.SlotCaptions[0] + QStringLiteral(" ]"));
        lblModeName->setText(QStringLiteral("MODE NAME [ ") + question.SlotCaptions[0] +
                             QStringLiteral(" ]"));
    }
    lblModeName->setVisible(!lblModeName->text().isEmpty());
    fitTitle();
    for (int n = 1; n <= kSlots; ++n)
        optModeNumber[size_t(n - 1)]->setText(EscapedCaption(question.SlotCaptions[size_t(n)]));
    m_selectedSlot = 0;
    m_cancelled = true;
}

// The window system draws the title in a font of its own, often bold and larger than the
// dialog's; the buttons at the title's side take about four times its height. The dialog grows
// to show the whole title in a bold font half as large again, up to nine tenths of the screen.
void FormModeSel::fitTitle()
{
    QFont titleFont = font();
    titleFont.setBold(true);
    if (titleFont.pointSizeF() > 0)
        titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    else
        titleFont.setPixelSize(titleFont.pixelSize() * 3 / 2);
    const QFontMetrics metrics(titleFont);
    int wanted = metrics.horizontalAdvance(windowTitle()) + 4 * metrics.height() + 16;
    if (const QScreen* shown = screen())
        wanted = std::min(wanted, shown->availableGeometry().width() * 9 / 10);
    const QMargins margins = layout()->contentsMargins();
    m_titleWidth->changeSize(std::max(0, wanted - margins.left() - margins.right()), 0,
                             QSizePolicy::Fixed, QSizePolicy::Minimum);
    layout()->invalidate();
}

void FormModeSel::BtnOK_Click()
{
    for (int n = 1; n <= kSlots; ++n) {
        if (optModeNumber[size_t(n - 1)]->isChecked()) {
            m_selectedSlot = qint16(n);
            m_cancelled = false;
            accept();
            return;
        }
    }
}

void FormModeSel::BtnCancel_Click()
{
    reject();
}
