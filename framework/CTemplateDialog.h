// A dialog built from a template: its controls are made by Initialise, its
// values move through DoDataExchange, and its keys work as the dialog
// manager's do: Esc is Cancel, Enter presses the focused push button and is
// OK elsewhere. The close box is Cancel too.
#pragma once

#include "framework/DataExchange.h"
#include "framework/DialogTemplate.h"

#include <QDialog>

#include <vector>

namespace fovella {

enum : int { kIdOk = 1, kIdCancel = 2 };

class CTemplateDialog : public QDialog {
public:
    // `width` x `height` in dialog units: the client area.
    CTemplateDialog(const char* title, int width, int height, std::vector<ControlTemplate> controls,
                    PlatformServices& services, QWidget* parent = nullptr);

    // Makes the controls and runs OnInitDialog, once; DoModal calls it.
    void Initialise();
    // Shows the dialog modally; QDialog::Accepted for OK.
    int DoModal();

    // Pull (controls into members) or push (members into controls).
    void UpdateData(bool pull);
    // Moves the dialog to the middle of the primary screen.
    void CentreOnScreen();

protected:
    virtual void DoDataExchange(DataExchange&) {}
    // After the controls exist and the members were pushed into them.
    virtual void OnInitDialog() {}
    // OK: pull, then end with the OK result.
    virtual void OnOK();
    // Cancel: end with the cancel result.
    virtual void OnCancel();

    PlatformServices& Services() const { return m_services; }

    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;  // Esc and the close box

private:
    std::vector<ControlTemplate> m_controls;
    PlatformServices& m_services;
    bool m_initialised = false;
};

}  // namespace fovella
