#include "formmodesel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
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
    layout->addLayout(slotGrid);
    layout->addLayout(buttons);
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
    }
    for (int n = 1; n <= kSlots; ++n)
        optModeNumber[size_t(n - 1)]->setText(EscapedCaption(question.SlotCaptions[size_t(n)]));
    m_selectedSlot = 0;
    m_cancelled = true;
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
