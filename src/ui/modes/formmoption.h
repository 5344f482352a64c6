#pragma once

#include <array>
#include <functional>
#include <optional>

#include <QDialog>

#include "engine/modedefinition.h"
#include "settings/settingsfile.h"
#include "ui/modes/formmodesel.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class StatusLine;
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
    // The controls of area 2 or 3.
    struct AreaControls {
        QLineEdit* txtStartWord = nullptr;
        QCheckBox* chkStartAfter = nullptr;
        QScrollBar* scrTuning = nullptr;
        QLabel* lblTuningU = nullptr;
        QLabel* lblTuningD = nullptr;
    };
    AreaControls& area(int index) { return m_areas[size_t(index - 2)]; }
    const AreaControls& area(int index) const { return m_areas[size_t(index - 2)]; }

    void buildControls();
    QLabel* newLabel(const QString& text);
    QGroupBox* buildSlotBox();
    QGridLayout* buildNames();
    QGroupBox* buildArea1();
    std::array<QGroupBox*, 2> buildAreas2And3();
    QGroupBox* buildPickup();
    QGroupBox* buildComment();
    QGroupBox* buildSolo();
    QGroupBox* buildNullLine();
    QGroupBox* buildWords();
    QLineEdit* newTextBox(const QString& name, bool keyword);
    QCheckBox* newCheckBox(const QString& name, const QString& caption);
    QScrollBar* newScrollBar(const QString& name, Qt::Orientation orientation, int minimum,
                             int maximum);
    void connectControls();
    void Form_Load();

    void LoadSlotNames();
    void ShowMode(const ModeDefinition& mode);
    // The mode as the controls show it.
    ModeDefinition modeFromControls() const;
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

    AppContext& m_ctx;
    SlotChooser m_chooseSlot;
    std::array<QString, SettingsKeys::ModeSlotCount> m_slotNames; // ModeName of slots 1..3
    QString m_lastTestLine;

    std::array<QRadioButton*, SettingsKeys::ModeSlotCount> optModeSelect{}; // slots 1..3
    QLineEdit* txtModeName = nullptr;
    QLineEdit* txtFileType = nullptr;
    QComboBox* cmbEncoding = nullptr;
    QLineEdit* txtMaskColumns = nullptr;
    std::array<AreaControls, 2> m_areas{}; // areas 2 and 3
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
    StatusLine* m_status = nullptr;
};
