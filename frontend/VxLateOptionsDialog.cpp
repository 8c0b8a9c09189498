#include "frontend/VxLateOptionsDialog.h"

#include <utility>

TVxLateOptionsDialog::TVxLateOptionsDialog(TMake make) : make_(std::move(make)) {}

TVxLateOptionsDialog::~TVxLateOptionsDialog() = default;

void TVxLateOptionsDialog::Show(TMainForm& form, bool aboutPage) {
    if (dialog_ == nullptr)
        dialog_ = make_();
    dialog_->Show(form, aboutPage);
}
