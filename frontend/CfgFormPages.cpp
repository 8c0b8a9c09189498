// The options dialog's pages and controls, with their captions, groups and
// the states they have before the first showing fills them.
#include "frontend/CfgControllersPage.h"
#include "frontend/CfgForm.h"
#include "frontend/CfgLevelGroup.h"

#include "engine/device/ZylAudioConfig.h"
#include "skin/SkinFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr const char* kVersionText = "Velm r5a free";
constexpr const char* kCreditLines[] = {
    "Vexaline(tm) Velm free: a one-deck player for DJs.",
    "MPEG audio decoding by libmpg123, other formats by FFmpeg,",
    "tags by TagLib, sound output by PipeWire, PulseAudio, PortAudio and JACK,",
    "variable-rate resampling by libsamplerate, skin pictures by libpng,",
    "window toolkit Qt 6.",
};

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QCheckBox* Check(const char* name, const char* caption, bool checked, bool enabled = true) {
    auto* box = Named(new QCheckBox(QString::fromUtf8(caption)), name);
    box->setChecked(checked);
    box->setEnabled(enabled);
    return box;
}

QRadioButton* Radio(const char* name, const char* caption, bool chosen) {
    auto* button = Named(new QRadioButton(QString::fromUtf8(caption)), name);
    button->setChecked(chosen);
    return button;
}

QGroupBox* Group(const char* caption, std::initializer_list<QWidget*> widgets) {
    auto* group = new QGroupBox(QString::fromLatin1(caption));
    auto* layout = new QVBoxLayout(group);
    layout->setSpacing(2);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    return group;
}

} // namespace

void TCfgForm::BuildPages() {
    setWindowTitle(QStringLiteral("Vexaline(tm) - Configuration"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    ConfigPages = Named(new QTabWidget, "ConfigPages");
    PageOptions = BuildOptionsPage();
    PagePlaylist = BuildPlaylistPage();
    PageAudio = BuildAudioPage();
    PageAbout = BuildAboutPage();
    ConfigPages->addTab(PageOptions, QStringLiteral("Options"));
    ConfigPages->addTab(PagePlaylist, QStringLiteral("Playlist"));
    ConfigPages->addTab(PageAudio, QStringLiteral("Audio"));
    // The doubled ampersand shows as one.
    ConfigPages->addTab(PageAbout, QStringLiteral("Credits && About..."));
    PageControllers = new TCfgControllersPage([this] {
        learnAfterClose_ = true;
        reject();
    });
    ConfigPages->addTab(PageControllers, QStringLiteral("Controllers"));
    ConfigPages->setCurrentIndex(0);

    chkShowConfigHints = Check("chkShowConfigHints", "Show hints", true);
    btnOK = Named(new QPushButton(QStringLiteral("OK")), "btnOK");
    btnOK->setDefault(true);
    btnCancel = Named(new QPushButton(QStringLiteral("Cancel")), "btnCancel");
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chkShowConfigHints);
    bottom->addStretch();
    bottom->addWidget(btnOK);
    bottom->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ConfigPages);
    layout->addLayout(bottom);
    setFixedSize(sizeHint().expandedTo(QSize(395, 322)));
}

QWidget* TCfgForm::BuildOptionsPage() {
    chkPlayWhenOpen = Check("chkPlayWhenOpen", "Play on open", true);
    chkSecureClose = Check("chkSecureClose", "Safe close", true);
    chkSecureTrack = Check("chkSecureTrack", "Safe track change", false);
    chkSecureDrop = Check("chkSecureDrop", "Safe Drag 'n' Drop", false);
    chkExactLength_ = Check("chkExactLength_", "MPEG indexing", true);
    chkRevTouchBend = Check("chkRevTouchBend", "Reverse Turntable brake", false);
    chkLog = Check("chkLog", "Log events to file (vxs.log)", false);
    chkStayOnTop = Check("chkStayOnTop", "Keep on top", false);
    chkVMPeaks = Check("chkVMPeaks", "VU-Meter peaks", true);
    chkDisplayBlink = Check("chkDisplayBlink", "Blink display near song end", true);
    radPitchRange8 = Radio("radPitchRange8", "±8 %", false);
    radPitchRange16 = Radio("radPitchRange16", "±16 %", true);
    radPitchRange20 = Radio("radPitchRange20", "±20 %", false);
    chkAccuratePitch_ = Check("chkAccuratePitch_", "Accurate", false, false);
    chkDoubledPitch_ = Check("chkDoubledPitch_", "Doubled", false, false);
    chkShowPitchBendValue = Check("chkShowPitchBendValue", "Bend info", false);
    radRestart = Radio("radRestart", "Restart", false);
    radStop = Radio("radStop", "Stop", true);
    radNext = Radio("radNext", "Next", false);
    LabelHotKey = Named(new QLabel(QStringLiteral("For this player:")), "LabelHotKey");
    HotKey = Named(new QComboBox, "HotKey");
    HotKey->addItem(QStringLiteral("None"));
    for (int key = 1; key <= 12; ++key)
        HotKey->addItem(QStringLiteral("F%1").arg(key));
    LabelHotKey->setBuddy(HotKey);
    chkKeyLock_ = Check("chkKeyLock_", "Key lock", false, true);

    auto* page = new QWidget;
    auto* columns = new QHBoxLayout(page);
    columns->addWidget(Group("Options", {chkPlayWhenOpen, chkSecureClose, chkSecureTrack,
                                         chkSecureDrop, chkExactLength_, chkRevTouchBend, chkLog,
                                         chkStayOnTop, chkVMPeaks, chkDisplayBlink}));
    auto* right = new QVBoxLayout;
    right->addWidget(Group("Pitch", {radPitchRange8, radPitchRange16, radPitchRange20,
                                     chkAccuratePitch_, chkDoubledPitch_, chkShowPitchBendValue}));
    right->addWidget(Group("On end of track..", {radRestart, radStop, radNext}));
    right->addWidget(Group("Hot-Key", {LabelHotKey, HotKey}));
    right->addWidget(Group("Key lock", {chkKeyLock_}));
    columns->addLayout(right);
    return page;
}

QWidget* TCfgForm::BuildPlaylistPage() {
    chkPlaylistEnabled_ =
        Check("chkPlaylistEnabled_", "View / enable playlist editor", false, false);
    chkShowPlaylist = Check("chkShowPlaylist", "Show playlist", false);
    chkPlayListLoop = Check("chkPlayListLoop", "Playlist loop", true);
    chkAllowDuplicates = Check("chkAllowDuplicates", "Allow duplicates", false);
    chkKeepLast_ = Check("chkKeepLast_", "Keep/reload last used list", true, false);
    chkShowFileNames_ = Check("chkShowFileNames_", "View ID3 artist - title", false, false);
    chkSaveAbsolutePaths_ =
        Check("chkSaveAbsolutePaths_", "Use full paths on saving", false, false);
    chkConfirmNew_ = Check("chkConfirmNew_", "New/load playlist", true, false);
    chkConfirmClose_ = Check("chkConfirmClose_", "Close player", true, false);
    chkConfirmDelete_ = Check("chkConfirmDelete_", "Delete song", false, false);
    chkConfirmDeleteMany_ = Check("chkConfirmDeleteMany_", "Delete multiple songs", true, false);

    KeyNotation = Named(new QComboBox, "KeyNotation");
    KeyNotation->addItems({QStringLiteral("Camelot (8A)"), QStringLiteral("Open Key (1m)")});

    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(chkPlaylistEnabled_);
    layout->addWidget(chkShowPlaylist);
    auto* groups = new QHBoxLayout;
    groups->addWidget(Group("Options", {chkPlayListLoop, chkAllowDuplicates, chkKeepLast_,
                                        chkShowFileNames_, chkSaveAbsolutePaths_}));
    groups->addWidget(Group("Playlist alerts", {chkConfirmNew_, chkConfirmClose_, chkConfirmDelete_,
                                                chkConfirmDeleteMany_}));
    layout->addLayout(groups);
    layout->addWidget(Group("Key notation", {KeyNotation}));
    layout->addStretch();
    return page;
}

QWidget* TCfgForm::BuildAudioPage() {
    Devices = Named(new QComboBox, "Devices");
    LabelDeviceNote =
        Named(new QLabel(QStringLiteral("Note: Changes take effect when a new track is loaded")),
              "LabelDeviceNote");
    chkDownmix = Check("chkDownmix", "Enable channel downmix knob (disables panning)", false);
    Latency = Named(new QComboBox, "Latency");
    for (int milliseconds : kZylLatencyChoices)
        Latency->addItem(milliseconds == 0
                             ? QStringLiteral("Automatic (what the sound server prefers)")
                             : QStringLiteral("%1 ms").arg(milliseconds));

    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Group("Output device", {Devices, LabelDeviceNote}));
    layout->addWidget(chkDownmix);
    layout->addWidget(Group("Output latency", {Latency}));
    LevelGroup = new TCfgLevelGroup;
    layout->addWidget(LevelGroup);
    layout->addStretch();
    return page;
}

QWidget* TCfgForm::BuildAboutPage() {
    AboutPic = Named(new QLabel, "AboutPic");
    AboutPic->setScaledContents(true);
    AboutPic->setPixmap(QPixmap(QString::fromLatin1(VxSkin::About.Resource)));
    AboutPic->setMinimumSize(VxSkin::About.Width, VxSkin::About.Height);
    LabelVersion = Named(new QLabel(QString::fromLatin1(kVersionText)), "LabelVersion");
    LabelVersion->setAlignment(Qt::AlignCenter);

    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    QPalette black = page->palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    page->setPalette(black);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(AboutPic, 1);
    layout->addWidget(LabelVersion);
    for (const char* line : kCreditLines) {
        auto* credit = new QLabel(QString::fromLatin1(line));
        credit->setAlignment(Qt::AlignCenter);
        layout->addWidget(credit);
    }
    return page;
}
