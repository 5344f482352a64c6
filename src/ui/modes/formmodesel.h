#pragma once

#include <array>
#include <optional>

#include <QDialog>

#include "settings/settingsfile.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QSpacerItem;

// What the mode editor asks the slot dialog.
struct SlotQuestion {
    QString SlotAction; // "SAVE" or "DELETE"
    std::array<QString, SettingsKeys::ModeSlotCount + 1>
        SlotCaptions; // [0] the mode name being saved, [1..3] slots 1..3
};

// The mode selection dialog: which of the three mode slots a save or a delete acts on. It
// neither reads nor writes the settings file.
class FormModeSel final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormModeSel)

public:
    explicit FormModeSel(const SlotQuestion& question, QWidget* parent = nullptr);
    ~FormModeSel() override;

    // Runs the dialog modally; the chosen slot, or std::nullopt when it was cancelled.
    static std::optional<int> choose(const SlotQuestion& question, QWidget* parent);

    // 1, 2 or 3 after OK with a slot chosen; 0 otherwise.
    qint16 SelectedSlot() const { return m_selectedSlot; }
    // True unless the dialog ended through OK with a slot chosen.
    bool Cancelled() const { return m_cancelled; }

private:
    void buildControls();
    void Form_Load(const SlotQuestion& question);
    void fitTitle();
    void BtnOK_Click();
    void BtnCancel_Click();

    qint16 m_selectedSlot = 0;
    bool m_cancelled = true;

    std::array<QRadioButton*, SettingsKeys::ModeSlotCount>
        optModeNumber{}; // slots 1..3 at indices 0..2
    std::array<QLabel*, SettingsKeys::ModeSlotCount> lblModeNumber{};
    QLabel* lblModeName = nullptr; // the mode being saved, "" for a delete
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;
    QSpacerItem* m_titleWidth = nullptr; // keeps the dialog as wide as its title
};
