#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

// The confirmation before a release update (template 168): what will happen,
// and whether every component is to be updated whatever its version.
class CReleaseUpdatePromptDlg : public QDialog {
public:
    enum { kForceCheckBox = 1175, kIcon = 1176 };

    explicit CReleaseUpdatePromptDlg(QWidget* parent = nullptr);

    // The check box's state once the dialog has ended (0 unchecked, 1 checked).
    int ForceChoice() const { return m_force; }
    QCheckBox* ForceCheckBox() const { return m_forceBox; }
    QPushButton* YesButton() const { return m_yes; }
    QPushButton* NoButton() const { return m_no; }

    void done(int result) override;

private:
    int m_force = 0;
    QCheckBox* m_forceBox = nullptr;
    QLabel* m_icon = nullptr;
    QPushButton* m_yes = nullptr;
    QPushButton* m_no = nullptr;
};
