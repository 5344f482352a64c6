#pragma once

#include <array>
#include <functional>
#include <optional>

#include <QDialog>

#include "engine/modedefinition.h"
#include "ui/modes/formmodesel.h"

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;
struct AppContext;

// The mode editor: shows, imports, saves and deletes the modes of the slots "MODE-1".."MODE-3"
// and runs the keyword test on the mode as shown. Holds no mode beyond what its controls show.
class FormMOption final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormMOption)

public:
    // Asks which slot a save or a delete acts on: the slot, or std::nullopt when cancelled.
    using SlotChooser = std::function<std::optional<int>(const SlotQuestion&)>;

    // Clears ctx.ModesChanged; a save or a delete sets it.
    explicit FormMOption(AppContext& ctx, QWidget* parent = nullptr);
    ~FormMOption() override;

    // Replaces the modal slot dialog (tests answer without one).
    void setSlotChooser(SlotChooser chooser) { m_chooseSlot = std::move(chooser); }

protected:
    // Esc does not close the editor: only 閉じる and the close box do.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    QLineEdit* newTextBox(const QString& name, bool keyword);
    QCheckBox* newCheckBox(const QString& name, const QString& caption);
    void connectControls();
    void Form_Load();

    void LoadSlotNames();
    void ShowMode(const ModeDefinition& mode);
    // The mode as the controls show it.
    ModeDefinition modeFromControls() const;
    void SaveModeToSlot(int slot);
    SlotQuestion slotQuestion(const QString& action) const;
    void selectSlot(int slot);

    // Dependent display.
    void scrTuning_Change(int index);
    void scrColumn_Change();
    void scrLength_Change();
    void txtStartWord_Change(int index);

    void optModeSelect_Click(int index);
    void BtnSave_Click();
    void BtnDelete_Click();
    void BtnOpen_Click();
    void BtnWordTest_Click();
    void BtnSettingHelp_Click();

    // Status line: the text stays until the timer fires 3000 ms after the last message.
    void showStatus(const QString& text);
    void tmrStatusInterval_Timer();

    AppContext& m_ctx;
    SlotChooser m_chooseSlot;
    std::array<QString, 3> m_slotNames; // ModeName of slots 1..3 as last read
    QString m_lastTestLine;

    std::array<QRadioButton*, 3> optModeSelect{}; // slots 1..3 at indices 0..2
    QLineEdit* txtModeName = nullptr;
    QLineEdit* txtFileType = nullptr;
    // Areas 2 and 3 at indices 0 and 1.
    std::array<QLineEdit*, 2> txtStartWord{};
    std::array<QCheckBox*, 2> chkStartAfter{};
    std::array<QScrollBar*, 2> scrTuning{};
    std::array<QLabel*, 2> lblTuningU{};
    std::array<QLabel*, 2> lblTuningD{};
    QLineEdit* txtPUStart = nullptr;
    QLineEdit* txtPUEnd = nullptr;
    QCheckBox* chkPUtoPU = nullptr;
    QLineEdit* txtCOMStart = nullptr;
    QCheckBox* chkCOMStartValid = nullptr;
    QLineEdit* txtCOMEnd = nullptr;
    QLineEdit* txtCOMSolo = nullptr;
    QScrollBar* scrColumn = nullptr;
    QLabel* lblColumn = nullptr;
    QScrollBar* scrLength = nullptr;
    QLabel* lblLength = nullptr;
    std::array<QRadioButton*, 3> optNullLine{};
    QLineEdit* txtWordCount = nullptr;
    QCheckBox* chkBinaryComp = nullptr;
    QCheckBox* chkTABtoSpace = nullptr;
    QPushButton* BtnSave = nullptr;
    QPushButton* BtnDelete = nullptr;
    QPushButton* BtnOpen = nullptr;
    QPushButton* BtnWordTest = nullptr;
    QPushButton* BtnSettingHelp = nullptr;
    QPushButton* BtnClose = nullptr;
    QLabel* lblStatusBar = nullptr;
    QTimer* tmrStatusInterval = nullptr;
};
