// The options dialog, built when it is first opened rather than at start,
// where building its five pages of controls held the window back. Once
// built it stays for every showing, so the page it was left on and its
// hints carry over as before. The settings it shows and stores are the
// configuration record's, which the window reads at start whether or not
// the dialog is ever opened.
//
// Window thread only.
#pragma once

#include "frontend/MainForm.h"

#include <functional>
#include <memory>

class TVxLateOptionsDialog : public IVxOptionsDialog {
public:
    using TMake = std::function<std::unique_ptr<IVxOptionsDialog>()>;

    explicit TVxLateOptionsDialog(TMake make);
    ~TVxLateOptionsDialog() override;

    void Show(TMainForm& form, bool aboutPage) override;
    bool Built() const { return dialog_ != nullptr; }

private:
    TMake make_;
    std::unique_ptr<IVxOptionsDialog> dialog_;
};
