// The deck's key lock button: the pitch slider and bends change the tempo
// while the song keeps its key. The stored setting, the button's lamp and
// the deck always agree.
#include "frontend/MainForm.h"

#include "controls/ZylButton.h"
#include "frontend/config/GlobalConfig.h"

void TMainForm::btnKeyLockMouseDown() {
    config_.KeyLock.Value = config_.KeyLock.Value == 0 ? 1 : 0;
    ApplyKeyLock();
}

void TMainForm::ApplyKeyLock() {
    const bool on = config_.KeyLock.Value != 0;
    system_->SetKeyLock(on);
    btnKeyLock->SetStatus(on ? 1 : 0);
}
