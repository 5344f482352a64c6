#include "formdiff.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "run/diffrun.h"
#include "settings/clsinifile.h"
#include "settings/paths.h"
#include "settings/settingsfile.h"
#include "text/pathbytes.h"
#include "ui/common/appcontext.h"
#include "ui/common/dialogs.h"
#include "ui/common/windowkit.h"

namespace {

const QString kStopQuestion = QStringLiteral("処理を中断します  よろしいですか？");
// Window events get in this often while the diff runs.
constexpr qint64 kPumpMs = 50;
// At most this many problems are listed in the closing message.
constexpr qsizetype kShownErrors = 10;

} // namespace

FormDiff::FormDiff(AppContext& ctx, QWidget* parent, const QString& newFolder, int slot,
                   std::function<void()> outputsChanged)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_newFolder(newFolder)
    , m_slot(slot)
    , m_outputsChanged(std::move(outputsChanged))
{
    setObjectName(QStringLiteral("FormDiff"));
    setWindowTitle(QStringLiteral("差分カウント"));
    const ModeDefinition mode =
        LoadModeDefinition(SettingsKeys::modeSection(slot), false, m_ctx.settingsPath());

    auto* grid = new QGridLayout;
    const auto row = [&](int r, const QString& caption, QWidget* field, QWidget* button) {
        grid->addWidget(new QLabel(caption, this), r, 0);
        grid->addWidget(field, r, 1);
        if (button)
            grid->addWidget(button, r, 2);
    };
    txtOldDir = Named(new QLineEdit(this), QStringLiteral("txtOldDir"));
    txtOldDir->setMinimumWidth(360);
    BtnOldDir = Named(new QPushButton(QStringLiteral("..."), this), QStringLiteral("BtnOldDir"));
    row(0, QStringLiteral("旧フォルダ"), txtOldDir, BtnOldDir);
    txtNewDir = Named(new QLineEdit(DisplayPath(m_newFolder), this), QStringLiteral("txtNewDir"));
    txtNewDir->setReadOnly(true);
    row(1, QStringLiteral("新フォルダ"), txtNewDir, nullptr);
    lblMode = Named(new QLabel(QStringLiteral("MODE-%1 : ").arg(slot) + mode.ModeName, this),
                    QStringLiteral("lblMode"));
    row(2, QStringLiteral("モード"), lblMode, nullptr);

    auto* type = new QGroupBox(QStringLiteral("出力形式"), this);
    auto* typeLayout = new QHBoxLayout(type);
    optCsv = Named(new QRadioButton(QStringLiteral("ＣＳＶ"), type), QStringLiteral("optCsv"));
    optHtml = Named(new QRadioButton(QStringLiteral("ＨＴＭＬ"), type), QStringLiteral("optHtml"));
    optCsv->setChecked(true);
    typeLayout->addWidget(optCsv);
    typeLayout->addWidget(optHtml);
    typeLayout->addStretch();
    grid->addWidget(type, 3, 0, 1, 3);

    clsIniFile ini;
    ini.setPFileName(m_ctx.settingsPath());
    txtOutDir = Named(new QLineEdit(ini.mGetString(SettingsKeys::SectionOutput,
                                                   SettingsKeys::OutputSelectDir, m_newFolder),
                                    this),
                      QStringLiteral("txtOutDir"));
    BtnOutDir = Named(new QPushButton(QStringLiteral("..."), this), QStringLiteral("BtnOutDir"));
    row(4, QStringLiteral("出力先"), txtOutDir, BtnOutDir);

    barProgress = Named(new QProgressBar(this), QStringLiteral("barProgress"));
    barProgress->setRange(0, 1000);
    barProgress->setValue(0);
    grid->addWidget(barProgress, 5, 0, 1, 3);
    lblStatus = Named(new QLabel(this), QStringLiteral("lblStatus"));
    grid->addWidget(lblStatus, 6, 0, 1, 3);

    BtnYES = Named(new QPushButton(QStringLiteral("実行"), this), QStringLiteral("BtnYES"));
    BtnStop = Named(new QPushButton(QStringLiteral("中止"), this), QStringLiteral("BtnStop"));
    BtnNO = Named(new QPushButton(QStringLiteral("閉じる"), this), QStringLiteral("BtnNO"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnYES);
    buttons->addWidget(BtnStop);
    buttons->addWidget(BtnNO);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    BtnYES->setDefault(true);
    setRunning(false);
    MakeFixedDialog(*this);

    connect(BtnOldDir, &QPushButton::clicked, this, &FormDiff::BtnOldDir_Click);
    connect(BtnOutDir, &QPushButton::clicked, this, &FormDiff::BtnOutDir_Click);
    connect(BtnYES, &QPushButton::clicked, this, &FormDiff::BtnYES_Click);
    connect(BtnStop, &QPushButton::clicked, this, &FormDiff::BtnStop_Click);
    connect(BtnNO, &QPushButton::clicked, this, &FormDiff::reject);
}

void FormDiff::setRunning(bool running)
{
    m_running = running;
    BtnYES->setVisible(!running);
    BtnNO->setVisible(!running);
    BtnStop->setVisible(running);
    for (QWidget* w : std::initializer_list<QWidget*>{txtOldDir, BtnOldDir, optCsv, optHtml,
                                                      txtOutDir, BtnOutDir})
        w->setEnabled(!running);
}

void FormDiff::BtnOldDir_Click()
{
    const QString folder = m_ctx.dialogs.chooseFolder(this, QStringLiteral("旧フォルダの選択"));
    if (!folder.isEmpty())
        txtOldDir->setText(folder);
}

void FormDiff::BtnOutDir_Click()
{
    const QString folder = BrowseForOutputFolder(this, m_ctx.dialogs);
    if (!folder.isEmpty())
        txtOutDir->setText(folder);
}

void FormDiff::BtnYES_Click()
{
    if (m_running)
        return;
    const QString oldFolder = txtOldDir->text().trimmed();
    if (oldFolder.isEmpty() || !FolderExists(oldFolder)) {
        lblStatus->setText(QStringLiteral("旧フォルダが見つかりません"));
        return;
    }
    const QString outDir = AddBackslash(txtOutDir->text().trimmed());
    if (!FolderExists(outDir)) {
        lblStatus->setText(QStringLiteral("出力先フォルダが見つかりません"));
        return;
    }

    FolderDiffJob job;
    job.oldFolder = NormalizedFolder(oldFolder);
    job.newFolder = NormalizedFolder(m_newFolder);
    job.mode = LoadModeDefinition(SettingsKeys::modeSection(m_slot), false, m_ctx.settingsPath());
    job.html = optHtml->isChecked();
    job.outDir = outDir;
    job.when = QDateTime::currentDateTime();

    m_stopRequested = false;
    setRunning(true);
    lblStatus->clear();
    m_sincePump.start();
    if (!m_ctx.outputs.entries().empty())
        m_ctx.outputs.addSeparator();
    const FolderDiffOutcome outcome = RunFolderDiff(job, *this, m_ctx.request, m_ctx.outputs);
    setRunning(false);

    if (outcome.diff.cancelled) {
        m_ctx.dialogs.message(this, QStringLiteral("処理が中断されました！"),
                              Dialogs::Icon::Information);
    } else if (!outcome.errors.isEmpty()) {
        QStringList shown = outcome.errors.mid(0, kShownErrors);
        for (QString& e : shown)
            e = DisplayPath(e);
        if (outcome.errors.size() > kShownErrors)
            shown << QStringLiteral("... (%1)").arg(outcome.errors.size());
        m_ctx.dialogs.message(this, shown.join(u'\n'), Dialogs::Icon::Exclamation);
    }
    accept();
}

void FormDiff::BtnStop_Click()
{
    if (m_ctx.dialogs.question(this, kStopQuestion))
        m_stopRequested = true;
}

void FormDiff::reject()
{
    if (!m_running)
        QDialog::reject();
}

void FormDiff::closeEvent(QCloseEvent* event)
{
    if (!m_running) {
        QDialog::closeEvent(event);
        return;
    }
    // The diff is on the call stack below this event: stop it and let it end the dialog.
    event->ignore();
    BtnStop_Click();
}

void FormDiff::yield()
{
    if (m_sincePump.elapsed() < kPumpMs)
        return;
    QCoreApplication::processEvents();
    m_sincePump.start();
}

void FormDiff::progress(double processedBytes, double totalBytes)
{
    barProgress->setValue(totalBytes > 0 ? int(1000 * std::min(1.0, processedBytes / totalBytes))
                                         : 0);
}

void FormDiff::currentFile(int position, int count, const QString& name)
{
    lblStatus->setText(QStringLiteral("%1 / %2  ").arg(position).arg(count) + DisplayPath(name));
}

void FormDiff::outputsChanged()
{
    if (m_outputsChanged)
        m_outputsChanged();
}
