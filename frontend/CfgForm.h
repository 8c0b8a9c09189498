// The modal options dialog. Each showing starts from the configuration
// record; OK copies the controls back into the record and applies the
// settings at once, Cancel leaves no trace. The settings store is written
// only when the main window closes. One instance, reused for every showing.
//
// Window thread only.
#pragma once

#include "frontend/MainForm.h"
#include "frontend/config/GlobalConfig.h"

#include <QDialog>

#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TCfgLevelGroup;

class TCfgForm : public QDialog, public IVxOptionsDialog {
public:
    explicit TCfgForm(QWidget* parent = nullptr);
    ~TCfgForm() override;

    // The whole protocol of one showing: release the window's held keys, fill
    // the controls, run the dialog modally, store and apply on OK, give the
    // window back its keys. aboutPage opens the About page; the page active
    // before returns afterwards when the About page is still the active one.
    void Show(TMainForm& form, bool aboutPage) override;

    // Runs the dialog modally and returns its result; tests answer here.
    // Empty: exec().
    void SetModalRunner(std::function<int(TCfgForm&)> runner) { modalRunner_ = std::move(runner); }

    // Hints show exactly while "Show hints" is checked.
    void chkShowConfigHintsClick();
    bool HintsShown() const { return hintsShown_; }

    QTabWidget* ConfigPages = nullptr;
    QWidget* PageOptions = nullptr;
    QWidget* PagePlaylist = nullptr;
    QWidget* PageAudio = nullptr;
    QWidget* PageAbout = nullptr;
    QWidget* PageControllers = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QCheckBox* chkShowConfigHints = nullptr;

    QCheckBox* chkPlayWhenOpen = nullptr;
    QCheckBox* chkSecureClose = nullptr;
    QCheckBox* chkSecureTrack = nullptr;
    QCheckBox* chkSecureDrop = nullptr;
    QCheckBox* chkExactLength_ = nullptr;
    QCheckBox* chkRevTouchBend = nullptr;
    QCheckBox* chkLog = nullptr;
    QCheckBox* chkStayOnTop = nullptr;
    QCheckBox* chkVMPeaks = nullptr;
    QCheckBox* chkDisplayBlink = nullptr;
    QRadioButton* radPitchRange8 = nullptr;
    QRadioButton* radPitchRange16 = nullptr;
    QRadioButton* radPitchRange20 = nullptr;
    QCheckBox* chkAccuratePitch_ = nullptr;
    QCheckBox* chkDoubledPitch_ = nullptr;
    QCheckBox* chkShowPitchBendValue = nullptr;
    QRadioButton* radRestart = nullptr;
    QRadioButton* radStop = nullptr;
    QRadioButton* radNext = nullptr;
    QLabel* LabelHotKey = nullptr;
    QComboBox* HotKey = nullptr;
    QCheckBox* chkKeyLock_ = nullptr;

    QCheckBox* chkPlaylistEnabled_ = nullptr;
    QCheckBox* chkShowPlaylist = nullptr;
    QCheckBox* chkPlayListLoop = nullptr;
    QCheckBox* chkAllowDuplicates = nullptr;
    QCheckBox* chkKeepLast_ = nullptr;
    QCheckBox* chkShowFileNames_ = nullptr;
    QCheckBox* chkSaveAbsolutePaths_ = nullptr;
    QCheckBox* chkConfirmNew_ = nullptr;
    QCheckBox* chkConfirmClose_ = nullptr;
    QCheckBox* chkConfirmDelete_ = nullptr;
    QCheckBox* chkConfirmDeleteMany_ = nullptr;
    // The songs' key codes: Camelot (0) or Open Key (1).
    QComboBox* KeyNotation = nullptr;

    QComboBox* Devices = nullptr;
    QLabel* LabelDeviceNote = nullptr;
    QCheckBox* chkDownmix = nullptr;
    QComboBox* Latency = nullptr;
    TCfgLevelGroup* LevelGroup = nullptr;

    QLabel* AboutPic = nullptr;
    QLabel* LabelVersion = nullptr;

protected:
    // Every help request counts as answered: there is no help file.
    bool event(QEvent* event) override;

private:
    // A check box and the setting it shows; Edited ones are read back on OK.
    struct TBoolControl {
        QCheckBox* Box;
        TBoolRegValueTAG TGlobalConfigTAG::*Setting;
        bool Edited;
    };

    void BuildPages();
    QWidget* BuildOptionsPage();
    QWidget* BuildPlaylistPage();
    QWidget* BuildAudioPage();
    QWidget* BuildAboutPage();
    void FormCreate();
    void FillFrom(TMainForm& form);
    void StoreInto(TMainForm& form) const;
    void FillLatency(int milliseconds);
    int RunModal();

    std::vector<TBoolControl> boolControls_;
    std::vector<std::pair<QWidget*, QString>> hints_;
    std::function<int(TCfgForm&)> modalRunner_;
    bool hintsShown_ = false;
    // The Controllers page's learn button closed the dialog.
    bool learnAfterClose_ = false;
};
