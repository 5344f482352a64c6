#include "inputbox.h"

#include <limits>

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include "ui/common/windowkit.h"

InputBox::InputBox(const QString& title, const QString& prompt, const QString& initial,
                   QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("InputBox"));
    MakeFixedDialog(*this);
    setWindowTitle(EscapedCaption(title));

    // Prompts are written with CR LF line ends; a label breaks lines at LF alone.
    QString shown = prompt;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lblPrompt = Named(new QLabel(shown, this), QStringLiteral("lblPrompt"));
    lblPrompt->setTextFormat(Qt::PlainText);
    lblPrompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    txtInput = Named(new QLineEdit(initial, this), QStringLiteral("txtInput"));
    txtInput->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtInput->setMaxLength(std::numeric_limits<int>::max());
    // Room for kColumns characters plus the frame, the text margins and the cursor.
    QStyleOptionFrame option;
    option.initFrom(txtInput);
    option.rect = txtInput->rect();
    option.lineWidth = txtInput->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option);
    const QFontMetrics metrics = txtInput->fontMetrics();
    const QSize text(metrics.horizontalAdvance(QString(kColumns, u'0')) +
                         metrics.horizontalAdvance(u'0'),
                     metrics.height());
    const QMargins margins = txtInput->textMargins();
    txtInput->setFixedWidth(
        txtInput->style()
            ->sizeFromContents(QStyle::CT_LineEdit, &option,
                               text + QSize(margins.left() + margins.right() + 4, 0), txtInput)
            .width());
    txtInput->selectAll();

    BtnOK = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("BtnOK"));
    BtnOK->setDefault(true);
    BtnCancel =
        Named(new QPushButton(QStringLiteral("キャンセル"), this), QStringLiteral("BtnCancel"));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);
    buttons->addStretch();

    auto* layout = new QGridLayout(this);
    layout->addWidget(lblPrompt, 0, 0);
    layout->addLayout(buttons, 0, 1);
    layout->addWidget(txtInput, 1, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    txtInput->setFocus();
}

InputBox::~InputBox() = default;

QString InputBox::text() const
{
    return txtInput->text();
}
