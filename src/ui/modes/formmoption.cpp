#include "formmoption.h"

#include <algorithm>
#include <limits>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "engine/keywordtest.h"
#include "settings/clsinifile.h"
#include "settings/paths.h"
#include "settings/settingsfile.h"
#include "ui/common/appcontext.h"
#include "ui/common/dialogs.h"
#include "ui/common/statusline.h"
#include "ui/common/windowkit.h"

namespace {

constexpr int kSlots = SettingsKeys::ModeSlotCount;
constexpr int kTuningMin = -10;
constexpr int kTuningMax = 10;
constexpr int kColumnMax = 50;

const QString kCaption = QStringLiteral("Quorvix モード設定");
const QString kNoModeName = QStringLiteral("MODE NAME を設定してください");
const QString kNoFileType = QStringLiteral("FILE TYPE を設定してください");
const QString kImportTitle = QStringLiteral("設定ﾌｧｲﾙの指定");
// The encoding choices; the first, "auto", stands for a mode without the key.
const QStringList kEncodings{QStringLiteral("auto"),     QStringLiteral("cp932"),
                             QStringLiteral("utf-8"),    QStringLiteral("euc-jp"),
                             QStringLiteral("utf-16le"), QStringLiteral("utf-16be")};
const QStringList kImportFilters{QStringLiteral("Quorvix設定ﾌｧｲﾙ(*qvx.ini)"),
                                 QStringLiteral("全ての設定ﾌｧｲﾙ(*.ini)"),
                                 QStringLiteral("全てのﾌｧｲﾙ(*.*)")};

// What the editor shows with no slot chosen. Unlike a missing key in the file, the leading
// asterisk box starts off here.
ModeDefinition emptyMode()
{
    ModeDefinition mode;
    mode.CommentStartIsValid = 0;
    return mode;
}

// "+3", "-3", "0".
QString signedText(int value)
{
    return value > 0 ? u'+' + QString::number(value) : QString::number(value);
}

qint16 checkValue(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

} // namespace

FormMOption::FormMOption(AppContext& ctx, QWidget* parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_chooseSlot(
          [this](const SlotQuestion& question) { return FormModeSel::choose(question, this); })
{
    setObjectName(QStringLiteral("FormMOption"));
    setModal(true);
    buildControls();
    connectControls();
    Form_Load();
}

FormMOption::~FormMOption() = default;

QLineEdit* FormMOption::newTextBox(const QString& name, bool keyword)
{
    auto* box = Named(new QLineEdit(this), name);
    box->setMaxLength(std::numeric_limits<int>::max());
    if (keyword) {
        box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 20);
    }
    return box;
}

QCheckBox* FormMOption::newCheckBox(const QString& name, const QString& caption)
{
    return Named(new QCheckBox(caption, this), name);
}

// A bar that moves by one, step or page.
QScrollBar* FormMOption::newScrollBar(const QString& name, Qt::Orientation orientation, int minimum,
                                      int maximum)
{
    auto* bar = Named(new QScrollBar(orientation, this), name);
    bar->setRange(minimum, maximum);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    return bar;
}

QLabel* FormMOption::newLabel(const QString& text)
{
    return new QLabel(text, this);
}

// Slot buttons, each over its fixed label.
QGroupBox* FormMOption::buildSlotBox()
{
    QGroupBox* modeSelect = new QGroupBox(QStringLiteral(" Mode Select "), this);
    auto* slotGrid = new QGridLayout(modeSelect);
    for (int n = 1; n <= kSlots; ++n) {
        auto* option = Named(new QRadioButton(modeSelect),
                             QStringLiteral("optModeSelect") + QString::number(n));
        option->setMinimumWidth(120);
        slotGrid->addWidget(option, 0, n - 1);
        slotGrid->addWidget(new QLabel(QStringLiteral("MODE-") + QString::number(n), modeSelect), 1,
                            n - 1);
        optModeSelect[size_t(n - 1)] = option;
    }

    return modeSelect;
}

QGridLayout* FormMOption::buildNames()
{
    txtModeName = newTextBox(QStringLiteral("txtModeName"), false);
    txtFileType = newTextBox(QStringLiteral("txtFileType"), false);
    auto* names = new QGridLayout;
    names->addWidget(newLabel(QStringLiteral("MODE NAME")), 0, 0);
    names->addWidget(txtModeName, 0, 1);
    names->addWidget(newLabel(QStringLiteral("FILE TYPE")), 1, 0);
    names->addWidget(txtFileType, 1, 1);

    cmbEncoding = Named(new QComboBox(this), QStringLiteral("cmbEncoding"));
    cmbEncoding->addItems(kEncodings);
    txtMaskColumns = newTextBox(QStringLiteral("txtMaskColumns"), false);
    txtMaskColumns->setToolTip(QStringLiteral("空白にする桁 (例: 1-6,73-)"));
    names->addWidget(newLabel(QStringLiteral("ENCODING")), 0, 2);
    names->addWidget(cmbEncoding, 0, 3);
    names->addWidget(newLabel(QStringLiteral("MASK")), 1, 2);
    names->addWidget(txtMaskColumns, 1, 3);
    names->setColumnStretch(1, 2);
    names->setColumnStretch(3, 1);

    return names;
}

QGroupBox* FormMOption::buildArea1()
{
    QGroupBox* area1 = new QGroupBox(QStringLiteral("AREA-1"), this);
    auto* area1Layout = new QVBoxLayout(area1);
    area1Layout->addWidget(newLabel(QStringLiteral("START KEY WORD")));
    area1Layout->addWidget(newLabel(QStringLiteral("  IS THE HEAD LINE OF THE FILE")));
    area1Layout->addStretch();

    return area1;
}

std::array<QGroupBox*, 2> FormMOption::buildAreas2And3()
{
    std::array<QGroupBox*, 2> areas{};
    for (int i = 2; i <= 3; ++i) {
        const size_t k = size_t(i - 2);
        const QString index = QString::number(i);
        AreaControls& c = area(i);
        c.txtStartWord = newTextBox(QStringLiteral("txtStartWord") + index, true);
        c.chkStartAfter =
            newCheckBox(QStringLiteral("chkStartAfter") + index, QStringLiteral("･･･の後から"));
        c.scrTuning =
            newScrollBar(QStringLiteral("scrTuning") + index, Qt::Vertical, kTuningMin, kTuningMax);
        // Tall enough for its arrows and a thumb that can be taken: the 21 steps need room.
        c.scrTuning->setMinimumHeight(c.scrTuning->fontMetrics().height() * 8);
        c.lblTuningU = Named(newLabel(QString()), QStringLiteral("lblTuningU") + index);
        c.lblTuningD = Named(newLabel(QString()), QStringLiteral("lblTuningD") + index);

        areas[k] = new QGroupBox(QStringLiteral("AREA-") + index, this);
        auto* grid = new QGridLayout(areas[k]);
        grid->addWidget(newLabel(QStringLiteral("START KEY WORD")), 0, 0);
        grid->addWidget(c.txtStartWord, 1, 0);
        grid->addWidget(c.chkStartAfter, 2, 0);
        grid->setRowStretch(3, 1);
        auto* tuning = new QVBoxLayout;
        tuning->addWidget(newLabel(QStringLiteral("TUNING")), 0, Qt::AlignHCenter);
        tuning->addWidget(c.lblTuningU, 0, Qt::AlignHCenter);
        tuning->addWidget(c.scrTuning, 1, Qt::AlignHCenter);
        tuning->addWidget(c.lblTuningD, 0, Qt::AlignHCenter);
        grid->addLayout(tuning, 0, 1, 4, 1);
        grid->setColumnStretch(0, 1);
    }

    return areas;
}

QGroupBox* FormMOption::buildPickup()
{
    txtPUStart = newTextBox(QStringLiteral("txtPUStart"), true);
    txtPUEnd = newTextBox(QStringLiteral("txtPUEnd"), true);
    chkPUtoPU =
        newCheckBox(QStringLiteral("chkPUtoPU"), QStringLiteral("この行は\nPICKUP行に加算"));
    QGroupBox* pickup = new QGroupBox(QStringLiteral("PICKUP-AREA"), this);
    auto* pickupGrid = new QGridLayout(pickup);
    pickupGrid->addWidget(newLabel(QStringLiteral("START KEY WORD")), 0, 0);
    pickupGrid->addWidget(txtPUStart, 1, 0);
    pickupGrid->addWidget(newLabel(QStringLiteral("END KEY WORD")), 2, 0);
    pickupGrid->addWidget(txtPUEnd, 3, 0);
    pickupGrid->addWidget(chkPUtoPU, 1, 1, 3, 1);
    pickupGrid->setColumnStretch(0, 1);

    return pickup;
}

QGroupBox* FormMOption::buildComment()
{
    txtCOMStart = newTextBox(QStringLiteral("txtCOMStart"), true);
    chkCOMStartValid = newCheckBox(QStringLiteral("chkCOMStartValid"),
                                   QStringLiteral("START KEY WORD の先頭 * は空白を意味する"));
    txtCOMEnd = newTextBox(QStringLiteral("txtCOMEnd"), true);
    QGroupBox* comment = new QGroupBox(QStringLiteral("COMMENT-AREA"), this);
    auto* commentLayout = new QVBoxLayout(comment);
    commentLayout->addWidget(newLabel(QStringLiteral("START KEY WORD")));
    commentLayout->addWidget(txtCOMStart);
    commentLayout->addWidget(chkCOMStartValid);
    commentLayout->addWidget(newLabel(QStringLiteral("END KEY WORD")));
    commentLayout->addWidget(txtCOMEnd);

    return comment;
}

QGroupBox* FormMOption::buildSolo()
{
    txtCOMSolo = newTextBox(QStringLiteral("txtCOMSolo"), true);
    scrColumn = newScrollBar(QStringLiteral("scrColumn"), Qt::Horizontal, 0, kColumnMax);
    scrLength = newScrollBar(QStringLiteral("scrLength"), Qt::Horizontal, 0, kColumnMax);
    lblColumn = Named(newLabel(QString()), QStringLiteral("lblColumn"));
    lblLength = Named(newLabel(QString()), QStringLiteral("lblLength"));
    const int valueWidth = lblColumn->fontMetrics().horizontalAdvance(QStringLiteral("000"));
    lblColumn->setMinimumWidth(valueWidth);
    lblLength->setMinimumWidth(valueWidth);
    QGroupBox* solo = new QGroupBox(QStringLiteral("COMMENT-SOLO"), this);
    auto* soloGrid = new QGridLayout(solo);
    soloGrid->addWidget(newLabel(QStringLiteral("SOLO KEY WORD")), 0, 0, 1, 2);
    soloGrid->addWidget(txtCOMSolo, 1, 0, 1, 2);
    soloGrid->addWidget(newLabel(QStringLiteral("Column ( 0 is Free )")), 2, 0, 1, 2);
    soloGrid->addWidget(scrColumn, 3, 0);
    soloGrid->addWidget(lblColumn, 3, 1);
    soloGrid->addWidget(newLabel(QStringLiteral("Length")), 4, 0, 1, 2);
    soloGrid->addWidget(scrLength, 5, 0);
    soloGrid->addWidget(lblLength, 5, 1);
    soloGrid->setColumnStretch(0, 1);

    return solo;
}

QGroupBox* FormMOption::buildNullLine()
{
    QGroupBox* nullLine = new QGroupBox(QStringLiteral("NULL LINE"), this);
    auto* nullLayout = new QVBoxLayout(nullLine);
    const std::array<QString, 3> nullCaptions{QStringLiteral("別枠で集計"),
                                              QStringLiteral("コメントに加算"),
                                              QStringLiteral("有効に加算")};
    for (int i = 0; i < 3; ++i) {
        auto* option = Named(new QRadioButton(nullCaptions[size_t(i)], nullLine),
                             QStringLiteral("optNullLine") + QString::number(i));
        nullLayout->addWidget(option);
        optNullLine[size_t(i)] = option;
    }

    return nullLine;
}

QGroupBox* FormMOption::buildWords()
{
    txtWordCount = newTextBox(QStringLiteral("txtWordCount"), true);
    QGroupBox* words = new QGroupBox(QStringLiteral("WORD COUNT"), this);
    auto* wordsLayout = new QVBoxLayout(words);
    wordsLayout->addWidget(txtWordCount);
    wordsLayout->addStretch();

    return words;
}

// The group boxes are built in tab order; the layouts place them afterwards.
void FormMOption::buildControls()
{
    const auto button = [this](const QString& name, const QString& caption) {
        auto* b = Named(new QPushButton(caption, this), name);
        b->setAutoDefault(false);
        return b;
    };
    QGroupBox* modeSelect = buildSlotBox();
    QGridLayout* names = buildNames();
    QGroupBox* area1 = buildArea1();
    const std::array<QGroupBox*, 2> areas = buildAreas2And3();
    QGroupBox* pickup = buildPickup();
    QGroupBox* comment = buildComment();
    QGroupBox* solo = buildSolo();
    QGroupBox* nullLine = buildNullLine();
    QGroupBox* words = buildWords();

    chkBinaryComp =
        newCheckBox(QStringLiteral("chkBinaryComp"), QStringLiteral("大文字と小文字を区別する"));
    chkTABtoSpace = newCheckBox(QStringLiteral("chkTABtoSpace"),
                                QStringLiteral("TABコードはSPACEとし判定する"));

    BtnSave = button(QStringLiteral("BtnSave"), QStringLiteral("設定保存"));
    BtnDelete = button(QStringLiteral("BtnDelete"), QStringLiteral("設定削除"));
    BtnOpen = button(QStringLiteral("BtnOpen"), QStringLiteral("インポート"));
    BtnWordTest = button(QStringLiteral("BtnWordTest"), QStringLiteral("WORD TEST"));
    BtnSettingHelp = button(QStringLiteral("BtnSettingHelp"), QStringLiteral("HELP"));
    BtnClose = button(QStringLiteral("BtnClose"), QStringLiteral("閉じる"));

    lblStatusBar = Named(newLabel(QString()), QStringLiteral("lblStatusBar"));
    lblStatusBar->setFrameShape(QFrame::Panel);
    lblStatusBar->setFrameShadow(QFrame::Sunken);
    lblStatusBar->setMinimumHeight(lblStatusBar->fontMetrics().height() + 4);

    m_status = new StatusLine(lblStatusBar, this, QStringLiteral("tmrStatusInterval"));

    auto* top = new QHBoxLayout;
    top->addWidget(modeSelect);
    top->addLayout(names, 1);

    auto* groups = new QGridLayout;
    groups->addWidget(area1, 0, 0);
    groups->addWidget(areas[0], 0, 1);
    groups->addWidget(areas[1], 0, 2);
    groups->addWidget(pickup, 1, 0);
    groups->addWidget(comment, 1, 1);
    groups->addWidget(solo, 1, 2);
    groups->addWidget(nullLine, 2, 0);
    groups->addWidget(words, 2, 1, 1, 2);
    for (int c = 0; c < groups->columnCount(); ++c)
        groups->setColumnStretch(c, 1);

    auto* options = new QHBoxLayout;
    options->addWidget(chkBinaryComp);
    options->addWidget(chkTABtoSpace);
    options->addStretch();

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BtnSave, BtnDelete, BtnOpen, BtnWordTest, BtnSettingHelp})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(BtnClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(groups);
    layout->addLayout(options);
    layout->addLayout(buttons);
    layout->addWidget(lblStatusBar);
}

void FormMOption::connectControls()
{
    for (int n = 1; n <= kSlots; ++n) {
        connect(optModeSelect[size_t(n - 1)], &QRadioButton::toggled, this, [this, n](bool on) {
            if (on)
                optModeSelect_Click(n);
        });
    }
    for (int i = 2; i <= 3; ++i) {
        connect(area(i).scrTuning, &QScrollBar::valueChanged, this,
                [this, i] { scrTuning_Change(i); });
        connect(area(i).txtStartWord, &QLineEdit::textChanged, this,
                [this, i] { txtStartWord_Change(i); });
    }
    connect(scrColumn, &QScrollBar::valueChanged, this, &FormMOption::scrColumn_Change);
    connect(scrLength, &QScrollBar::valueChanged, this, &FormMOption::scrLength_Change);
    connect(BtnSave, &QPushButton::clicked, this, &FormMOption::BtnSave_Click);
    connect(BtnDelete, &QPushButton::clicked, this, &FormMOption::BtnDelete_Click);
    connect(BtnOpen, &QPushButton::clicked, this, &FormMOption::BtnOpen_Click);
    connect(BtnWordTest, &QPushButton::clicked, this, &FormMOption::BtnWordTest_Click);
    connect(BtnSettingHelp, &QPushButton::clicked, this, &FormMOption::BtnSettingHelp_Click);
    connect(BtnClose, &QPushButton::clicked, this, &FormMOption::close);
}

void FormMOption::Form_Load()
{
    setWindowTitle(kCaption);
    LoadSlotNames();
    ShowMode(emptyMode());
    m_lastTestLine.clear();
    m_ctx.ModesChanged = false;
}

void FormMOption::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FormMOption::LoadSlotNames()
{
    clsIniFile ini;
    ini.setPFileName(m_ctx.settingsPath());
    for (int n = 1; n <= kSlots; ++n) {
        const size_t k = size_t(n - 1);
        m_slotNames[k] = ini.mGetString(SettingsKeys::modeSection(n),
                                        SettingsKeys::modeKeyName(SettingsKeys::ModeKey::ModeName));
        optModeSelect[k]->setText(EscapedCaption(m_slotNames[k]));
    }
}

// A stored value outside a control's range (a hand-edited or imported file) is shown clamped
// into the range, so what the editor shows is what a later save writes.
void FormMOption::ShowMode(const ModeDefinition& mode)
{
    const auto setCheck = [](QCheckBox* box, qint16 value) {
        box->setChecked(std::clamp<int>(value, 0, 1) == 1);
    };
    const auto setBar = [](QScrollBar* bar, qint16 value) {
        bar->setValue(std::clamp<int>(value, bar->minimum(), bar->maximum()));
    };

    txtModeName->setText(mode.ModeName);
    txtFileType->setText(mode.FileType);
    setCheck(chkBinaryComp, mode.BinaryComp);
    setCheck(chkTABtoSpace, mode.TABtoSpace);
    for (int i = 2; i <= 3; ++i) {
        const AreaControls& c = area(i);
        c.txtStartWord->setText(mode.StartWord[i]);
        setBar(c.scrTuning, mode.Tuning[i]);
        setCheck(c.chkStartAfter, mode.StartAfter[i]);
    }
    txtPUStart->setText(mode.PickupStart);
    txtPUEnd->setText(mode.PickupEnd);
    setCheck(chkPUtoPU, mode.PickupToPickup);
    txtCOMStart->setText(mode.CommentStart);
    txtCOMEnd->setText(mode.CommentEnd);
    setCheck(chkCOMStartValid, mode.CommentStartIsValid);
    txtCOMSolo->setText(mode.CommentSolo);
    setBar(scrColumn, mode.CommentColumn);
    setBar(scrLength, mode.CommentLength);
    optNullLine[size_t(std::clamp<int>(mode.NullLineMode, 0, 2))]->setChecked(true);
    txtWordCount->setText(mode.WordCount);
    txtMaskColumns->setText(mode.MaskColumns);
    // A stored name the list does not hold stays shown (and saved) as it is.
    while (cmbEncoding->count() > kEncodings.size())
        cmbEncoding->removeItem(cmbEncoding->count() - 1);
    int encoding = mode.Encoding.isEmpty() ? 0 : int(kEncodings.indexOf(mode.Encoding));
    if (encoding < 0) {
        cmbEncoding->addItem(mode.Encoding);
        encoding = cmbEncoding->count() - 1;
    }
    cmbEncoding->setCurrentIndex(encoding);
    // A text longer than its box shows its start, not its end.
    for (QLineEdit* box : findChildren<QLineEdit*>())
        box->setCursorPosition(0);

    for (int i = 2; i <= 3; ++i) {
        scrTuning_Change(i);
        txtStartWord_Change(i);
    }
    scrColumn_Change();
    scrLength_Change();
}

ModeDefinition FormMOption::modeFromControls() const
{
    ModeDefinition mode;
    mode.ModeName = txtModeName->text();
    mode.FileType = txtFileType->text();
    mode.BinaryComp = checkValue(chkBinaryComp);
    mode.TABtoSpace = checkValue(chkTABtoSpace);
    mode.StartWord[1] = QStringLiteral("*");
    for (int i = 2; i <= 3; ++i) {
        const AreaControls& c = area(i);
        mode.StartWord[i] = c.txtStartWord->text();
        mode.Tuning[i] = qint16(c.scrTuning->value());
        mode.StartAfter[i] = checkValue(c.chkStartAfter);
    }
    mode.PickupStart = txtPUStart->text();
    mode.PickupEnd = txtPUEnd->text();
    mode.PickupToPickup = checkValue(chkPUtoPU);
    mode.CommentStart = txtCOMStart->text();
    mode.CommentEnd = txtCOMEnd->text();
    mode.CommentStartIsValid = checkValue(chkCOMStartValid);
    mode.CommentSolo = txtCOMSolo->text();
    mode.CommentColumn = qint16(scrColumn->value());
    mode.CommentLength = qint16(scrLength->value());
    if (optNullLine[1]->isChecked())
        mode.NullLineMode = 1;
    else if (optNullLine[2]->isChecked())
        mode.NullLineMode = 2;
    else
        mode.NullLineMode = 0;
    mode.WordCount = txtWordCount->text();
    if (cmbEncoding->currentIndex() > 0)
        mode.Encoding = cmbEncoding->currentText();
    mode.MaskColumns = txtMaskColumns->text();
    return mode;
}

SlotQuestion FormMOption::slotQuestion(const QString& action) const
{
    SlotQuestion question;
    question.SlotAction = action;
    question.SlotCaptions[0] = txtModeName->text();
    for (size_t n = 1; n <= size_t(kSlots); ++n)
        question.SlotCaptions[n] = m_slotNames[n - 1];
    return question;
}

// Switches slot button `slot` on and shows what the file holds for it, whether or not the
// button was on before.
void FormMOption::selectSlot(int slot)
{
    {
        const QSignalBlocker blocker(optModeSelect[size_t(slot - 1)]);
        optModeSelect[size_t(slot - 1)]->setChecked(true);
    }
    optModeSelect_Click(slot);
}

void FormMOption::scrTuning_Change(int index)
{
    const AreaControls& c = area(index);
    const int value = c.scrTuning->value();
    c.lblTuningU->setText(signedText(-value));
    c.lblTuningD->setText(signedText(value));
}

// Column 0 looks for the solo keyword anywhere in the line, so the length has no use then; its
// value is kept and saved all the same.
void FormMOption::scrColumn_Change()
{
    lblColumn->setText(QString::number(scrColumn->value()));
    scrLength->setEnabled(scrColumn->value() != 0);
}

void FormMOption::scrLength_Change()
{
    lblLength->setText(QString::number(scrLength->value()));
}

void FormMOption::txtStartWord_Change(int index)
{
    const AreaControls& c = area(index);
    const bool used = !c.txtStartWord->text().isEmpty();
    c.scrTuning->setEnabled(used);
    c.chkStartAfter->setEnabled(used);
}

void FormMOption::optModeSelect_Click(int index)
{
    if (m_slotNames[size_t(index - 1)].isEmpty()) {
        ShowMode(emptyMode());
        return;
    }
    ShowMode(LoadModeDefinition(SettingsKeys::modeSection(index), false, m_ctx.settingsPath()));
}

void FormMOption::BtnSave_Click()
{
    if (txtModeName->text().isEmpty()) {
        m_status->show(kNoModeName);
        return;
    }
    if (txtFileType->text().isEmpty()) {
        m_status->show(kNoFileType);
        return;
    }
    const std::optional<int> slot = m_chooseSlot(slotQuestion(QStringLiteral("SAVE")));
    if (!slot || *slot < 1 || *slot > kSlots)
        return;
    // As before, a failed write shows no message; the slot then shows what the file holds.
    SaveModeDefinition(m_ctx.settingsPath(), *slot, modeFromControls());
    LoadSlotNames();
    selectSlot(*slot);
    m_ctx.ModesChanged = true;
}

void FormMOption::BtnDelete_Click()
{
    const std::optional<int> slot = m_chooseSlot(slotQuestion(QStringLiteral("DELETE")));
    if (!slot || *slot < 1 || *slot > kSlots)
        return;
    DeleteModeSlot(m_ctx.settingsPath(), *slot);
    LoadSlotNames();
    selectSlot(*slot);
    m_ctx.ModesChanged = true;
}

// The imported mode is only shown; it reaches a slot when the user saves it.
void FormMOption::BtnOpen_Click()
{
    const QString path = m_ctx.dialogs.chooseFile(this, kImportTitle, kImportFilters, QString());
    if (path.isEmpty())
        return;
    ShowMode(LoadModeDefinition(path, true, m_ctx.settingsPath()));
}

void FormMOption::BtnWordTest_Click()
{
    const std::optional<QString> answer =
        m_ctx.dialogs.input(this, QString::fromUtf16(kKeywordTestTitle),
                            QString::fromUtf16(kKeywordTestPrompt), m_lastTestLine);
    m_lastTestLine = answer.value_or(QString());
    if (m_lastTestLine.isEmpty())
        return;
    const QStringList hits = KeywordTestHits(modeFromControls(), m_lastTestLine);
    m_ctx.dialogs.message(this, KeywordTestMessage(hits), Dialogs::Icon::Information);
}

void FormMOption::BtnSettingHelp_Click()
{
    m_status->report(OpenHelpFile(m_ctx));
}
