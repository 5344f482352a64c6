#include "formwait.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "reports/templates.h"
#include "reports/valueformats.h"
#include "run/batchrunner.h"
#include "settings/clsinifile.h"
#include "settings/paths.h"
#include "settings/settingsfile.h"
#include "ui/common/appcontext.h"
#include "ui/common/dialogs.h"
#include "ui/common/statusline.h"
#include "ui/common/twips.h"
#include "ui/common/windowkit.h"
#include "ui/run/runprompt.h"

namespace {

// The engine yields before every line; the clock is read only every kYieldsPerCheck yields and
// events are pumped once kPumpMs have passed, which keeps the dialog live at almost no cost.
constexpr unsigned kYieldsPerCheck = 256;
constexpr qint64 kPumpMs = 30;

const QString kStopQuestion = QStringLiteral("処理を中断します  よろしいですか？");
const QString kSavedFolderMissing = QStringLiteral("現在設定されている出力先パスは存在しません。");
const QString kOutDirInvalid =
    QStringLiteral("出力先はパスを指定してください（ファイル名は指定不可）");

QFont buttonFont(bool bold)
{
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return font;
}

// Shows the busy pointer for as long as it lives.
class BusyCursor final {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY_MOVE(BusyCursor)
};

} // namespace

// The status strip along the bottom edge; the progress bar is painted on it, under the
// status label.
class FormWait::ProgressStrip final : public QWidget {
public:
    using QWidget::QWidget;

    // Repaints only when the bar's pixel width changes.
    void setProgress(double processed, double total)
    {
        int filled = 0;
        if (processed > total)
            filled = width();
        else if (total > 0)
            filled = int(double(width()) * processed / total);
        if (filled != m_filled) {
            m_filled = filled;
            update();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_filled <= 0)
            return;
        QPainter painter(this);
        painter.fillRect(QRect(0, 0, m_filled, height()), QColor(0, 0, 255));
    }

private:
    int m_filled = 0;
};

FormWait::FormWait(AppContext& ctx, QWidget* parent, std::function<void()> outputsChanged,
                   std::function<void()> startMainStatusTimer)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_outputsChanged(std::move(outputsChanged))
    , m_startMainStatusTimer(std::move(startMainStatusTimer))
{
    setObjectName(QStringLiteral("FormWait"));
    MakeFixedDialog(*this);
    setModal(true);
    buildControls();
    Form_Load();
}

FormWait::~FormWait() = default;

void FormWait::buildControls()
{
    setFixedSize(TwipsRect(0, 0, 5940, 2370).size());
    // Every control sits where the design put it, in twips.
    const auto place = [](auto* widget, const QString& name, const QRect& twips) {
        Named(widget, name)->setGeometry(twips);
        return widget;
    };

    lblMsg = place(new QLabel(this), QStringLiteral("lblMsg"), TwipsRect(0, 45, 6015, 480));
    lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMsg->setWordWrap(true);

    frameOutputOption =
        place(new QFrame(this), QStringLiteral("frameOutputOption"), TwipsRect(0, 480, 6015, 1095));

    Frame2 = place(new QGroupBox(QStringLiteral("Type"), frameOutputOption),
                   QStringLiteral("Frame2"), TwipsRect(120, 0, 1095, 1095));
    const std::array<QString, 2> typeCaptions{QStringLiteral("個別"), QStringLiteral("連結")};
    for (int i = 0; i < 2; ++i) {
        QRadioButton* option = place(new QRadioButton(typeCaptions[size_t(i)], Frame2),
                                     QStringLiteral("optOutType") + QString::number(i),
                                     TwipsRect(120, 240 + 360 * i, 855, 375));
        connect(option, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                optOutType_Click();
        });
        optOutType[size_t(i)] = option;
    }

    Frame1 = place(new QGroupBox(QStringLiteral("Directory"), frameOutputOption),
                   QStringLiteral("Frame1"), TwipsRect(1320, 0, 4575, 1095));
    Label6 = place(new QLabel(QStringLiteral("出力先"), Frame1), QStringLiteral("Label6"),
                   TwipsRect(240, 285, 735, 255));
    chkOutDirSrc = place(new QCheckBox(QStringLiteral("SRCと同じ"), Frame1),
                         QStringLiteral("chkOutDirSrc"), TwipsRect(1080, 240, 1215, 255));
    txtOutDirPath = place(new QLineEdit(Frame1), QStringLiteral("txtOutDirPath"),
                          TwipsRect(240, 600, 3855, 270));
    BtnDir = place(new QPushButton(QStringLiteral("..."), Frame1), QStringLiteral("BtnDir"),
                   TwipsRect(4080, 600, 255, 255));

    const auto bottomButton = [this, &place](const QString& name, const QString& caption, int left,
                                             int width) {
        return place(new QPushButton(caption, this), name, TwipsRect(left, 1680, width, 315));
    };
    BtnYES = bottomButton(QStringLiteral("BtnYES"), QStringLiteral("はい"), 1440, 1335);
    BtnYES->setFont(buttonFont(true));
    BtnYES->setDefault(true);
    BtnStop = bottomButton(QStringLiteral("BtnStop"), QStringLiteral("中止"), 2280, 1335);
    BtnStop->setFont(buttonFont(false));
    BtnNO = bottomButton(QStringLiteral("BtnNO"), QStringLiteral("いいえ"), 3120, 1335);
    BtnNO->setFont(buttonFont(false));
    BtnOptSAVE = bottomButton(QStringLiteral("BtnOptSAVE"), QStringLiteral("設定保存"), 4800, 1095);

    picStatusBar = place(new ProgressStrip(this), QStringLiteral("picStatusBar"),
                         TwipsRect(0, 2115, 5940, 255));
    lblStatusBar = place(new QLabel(picStatusBar), QStringLiteral("lblStatusBar"),
                         TwipsRect(120, 0, 5655, 255));

    m_status = new StatusLine(lblStatusBar, this);
    m_status->setRestingText([this] { return outputDescription(); });

    connect(BtnYES, &QPushButton::clicked, this, &FormWait::BtnYES_Click);
    connect(BtnNO, &QPushButton::clicked, this, &FormWait::BtnNO_Click);
    connect(BtnStop, &QPushButton::clicked, this, &FormWait::BtnStop_Click);
    connect(BtnOptSAVE, &QPushButton::clicked, this, &FormWait::BtnOptSAVE_Click);
    connect(BtnDir, &QPushButton::clicked, this, &FormWait::BtnDir_Click);
    connect(chkOutDirSrc, &QCheckBox::clicked, this, &FormWait::chkOutDirSrc_Click);
}

bool FormWait::isConversion() const
{
    return ProcessModes::isConversion(m_ctx.request.ProcessMode);
}

void FormWait::Form_Load()
{
    RunRequest& request = m_ctx.request;
    const QString settingsPath = m_ctx.settingsPath();
    m_mode = LoadModeDefinition(QStringLiteral("MODE-") + QString::number(request.ProcessMode),
                                false, settingsPath);

    clsIniFile ini;
    ini.setPFileName(settingsPath);
    const QString section = SettingsKeys::SectionOutput;
    const qint16 fileType =
        ini.mGetInteger(section, SettingsKeys::OutputFileType, SettingsKeys::DefaultOutputFileType)
            .value_or(SettingsKeys::DefaultOutputFileType);
    // Any other stored index leaves both options clear, as a failed step does.
    if (fileType == 0 || fileType == 1)
        optOutType[size_t(fileType)]->setChecked(true);
    const qint16 sourceDir = ini.mGetInteger(section, SettingsKeys::OutputSourceDir,
                                             SettingsKeys::DefaultOutputSourceDir)
                                 .value_or(SettingsKeys::DefaultOutputSourceDir);
    chkOutDirSrc->setChecked(sourceDir == 1);
    const QString folderText =
        ini.mGetString(section, SettingsKeys::OutputSelectDir, request.SourceDir);
    txtOutDirPath->setText(folderText);

    if (isConversion()) {
        SetRunControlsEnabled(true);
        setOutputOptionsEnabled(false);
        m_mode.ModeName = QStringLiteral("改行コード変換");
        setWindowTitle(QStringLiteral("Quorvix ( ") + m_mode.ModeName + QStringLiteral(" )"));
    } else {
        if (chkOutDirSrc->isChecked()) {
            SetRunControlsEnabled(request.StartWait);
            if (request.StartWait)
                m_status->rest();
        } else if (request.StartWait) {
            SetRunControlsEnabled(true);
            m_status->rest();
        } else if (FolderExists(folderText)) {
            SetRunControlsEnabled(false);
        } else {
            m_status->show(kSavedFolderMissing);
            request.StartWait = true;
            SetRunControlsEnabled(true);
        }
        setWindowTitle(QStringLiteral("Quorvix ( MODE-") + QString::number(request.ProcessMode) +
                       QStringLiteral(" : ") + m_mode.ModeName + QStringLiteral(" )"));
        chkOutDirSrc_Click();
    }

    lblMsg->setText(RunPromptText(request.Files, request.ProcessMode));
    // Declined until a batch starts: the dialog may close in many ways before that.
    request.Cancelled = true;
}

void FormWait::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        // Queued, so that the dialog is on screen and its modal loop runs before a batch starts.
        QTimer::singleShot(0, this, &FormWait::Form_Activate);
    }
}

void FormWait::Form_Activate()
{
    if (!isVisible() || m_running)
        return;
    if (!m_ctx.request.StartWait)
        BtnYES_Click();
}

QString FormWait::outputDescription() const
{
    if (isConversion())
        return QStringLiteral("現在選択されているファイルを上書きします。");
    // Where the run will read the template: the settings folder, else the installed share folder.
    const auto present = [this](QStringView suffix) {
        const QString folder = TemplateFolder(m_ctx.programFolder, InstalledShareFolder(),
                                              TemplateFileName(m_mode.ModeName, suffix));
        return TemplatePresent(folder, m_mode.ModeName, suffix);
    };
    if (optOutType[1]->isChecked())
        return present(CsvTemplateSuffix)
                   ? QStringLiteral("選択ファイルまとめ ＣＳＶ出力 (フォーマットあり)")
                   : QStringLiteral("選択ファイルまとめ ＣＳＶ出力 (フォーマットなし)");
    return present(HtmlTemplateSuffix)
               ? QStringLiteral("各ファイル別 ＨＴＭＬ出力 (フォーマットあり)")
               : QStringLiteral("各ファイル別 単純ＴＥＸＴ出力 (フォーマットなし)");
}

void FormWait::optOutType_Click()
{
    m_status->rest();
}

void FormWait::SetRunControlsEnabled(bool flag)
{
    BtnYES->setVisible(flag);
    BtnNO->setVisible(flag);
    BtnStop->setVisible(!flag);
    setOutputOptionsEnabled(flag);
}

void FormWait::setOutputOptionsEnabled(bool flag)
{
    for (QRadioButton* option : optOutType)
        option->setEnabled(flag);
    chkOutDirSrc->setEnabled(flag);
    txtOutDirPath->setEnabled(flag);
    BtnDir->setEnabled(flag);
    frameOutputOption->setEnabled(flag);
    BtnOptSAVE->setEnabled(flag);
}

void FormWait::updateFolderControls()
{
    const bool own = !chkOutDirSrc->isChecked();
    txtOutDirPath->setEnabled(own);
    BtnDir->setEnabled(own);
}

void FormWait::chkOutDirSrc_Click()
{
    updateFolderControls();
    if (!chkOutDirSrc->isChecked() && !FolderExists(txtOutDirPath->text()))
        m_status->show(kSavedFolderMissing);
}

void FormWait::BtnDir_Click()
{
    const QString folder = BrowseForOutputFolder(this, m_ctx.dialogs);
    if (folder.isEmpty())
        return;
    txtOutDirPath->setText(folder);
    BtnYES->setFocus();
}

void FormWait::BtnOptSAVE_Click()
{
    clsIniFile ini;
    ini.setPFileName(m_ctx.settingsPath());
    const QString section = SettingsKeys::SectionOutput;
    ini.mSetString(section, SettingsKeys::OutputFileType,
                   optOutType[0]->isChecked() ? QStringLiteral("0") : QStringLiteral("1"));
    ini.mSetString(section, SettingsKeys::OutputSourceDir,
                   chkOutDirSrc->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    ini.mSetString(section, SettingsKeys::OutputSelectDir, txtOutDirPath->text());
}

void FormWait::BtnNO_Click()
{
    QDialog::reject();
}

void FormWait::BtnStop_Click()
{
    if (m_ctx.dialogs.question(this, kStopQuestion))
        m_stopRequested = true;
}

void FormWait::reject()
{
    if (!m_running)
        BtnNO_Click();
}

void FormWait::closeEvent(QCloseEvent* event)
{
    if (!m_running) {
        QDialog::closeEvent(event);
        return;
    }
    // The batch is on the call stack below this event: stop it and let the common end close.
    event->ignore();
    if (m_ctx.dialogs.question(this, kStopQuestion))
        m_stopRequested = true;
}

void FormWait::BtnYES_Click()
{
    if (m_running)
        return;
    RunRequest& request = m_ctx.request;
    QString outDir = request.SourceDir;
    if (!isConversion()) {
        if (!chkOutDirSrc->isChecked())
            outDir = AddBackslash(txtOutDirPath->text());
        if (!FolderExists(outDir)) {
            m_status->show(kOutDirInvalid);
            SetRunControlsEnabled(true);
            updateFolderControls();
            return;
        }
    }

    request.Cancelled = false;
    m_stopRequested = false;
    m_running = true;
    SetRunControlsEnabled(false);
    BtnOptSAVE->hide();
    picStatusBar->setProgress(0, request.TotalBytes);
    m_status->clear();

    {
        const BusyCursor busy;
        BatchSettings settings;
        settings.outputType = optOutType[1]->isChecked() ? OutputType::Joined : OutputType::PerFile;
        // Files from several folders with "SRCと同じ": each report beside its own source file
        // (an empty folder tells the batch so; a joined CSV goes beside the first file).
        const bool ownFolders =
            !request.FilePaths.isEmpty() && (isConversion() || chkOutDirSrc->isChecked());
        settings.outDir = ownFolders ? QString() : outDir;
        settings.programFolder = m_ctx.programFolder;
        settings.locale = ReportLocale();
        settings.jobs = 1;
        // The batch's first yield, before any file, lets pending events run once.
        m_pumpNow = true;
        m_yields = 0;
        BatchRunner runner(request, m_ctx.outputs, *this);
        runner.run(BatchFilesOf(request), m_mode, settings);
    }
    commonEnd();
}

void FormWait::commonEnd()
{
    pumpEvents();
    BtnStop->hide();
    m_running = false;
    if (m_startMainStatusTimer)
        m_startMainStatusTimer();
    accept();
}

void FormWait::pumpEvents()
{
    QCoreApplication::processEvents();
    m_sinceLastPump.start();
}

void FormWait::yield()
{
    if (m_pumpNow) {
        m_pumpNow = false;
        pumpEvents();
        return;
    }
    if (++m_yields % kYieldsPerCheck != 0)
        return;
    if (m_sinceLastPump.elapsed() >= kPumpMs)
        pumpEvents();
}

bool FormWait::cancelled() const
{
    return m_stopRequested;
}

void FormWait::progress(double processedBytes, double totalBytes)
{
    picStatusBar->setProgress(processedBytes, totalBytes);
    // A conversion yields once per file, too rarely for yield()'s every-256-calls clock check:
    // pump here instead.
    if (isConversion() && m_sinceLastPump.elapsed() >= kPumpMs)
        pumpEvents();
}

void FormWait::message(const QString& text)
{
    m_ctx.dialogs.message(this, text, Dialogs::Icon::Information);
}

void FormWait::error(const QString& text)
{
    m_ctx.dialogs.message(this, text, Dialogs::Icon::Exclamation);
}

void FormWait::currentFile(int position, int count, const QString& name)
{
    lblMsg->setText(QString::number(position) + QStringLiteral(" / ") + QString::number(count) +
                    QStringLiteral("\r\n") + name);
}

void FormWait::outputsChanged()
{
    if (m_outputsChanged)
        m_outputsChanged();
}
