// The options dialog run by the real deck on the offscreen platform; the
// modal run is answered by the test.
#include "FormTestSupport.h"

#include "analysis/VxLevelGain.h"
#include "analysis/VxSongAnalysis.h"
#include "decoding/VxDecoderSet.h"
#include "engine/device/ZylAudioConfig.h"
#include "frontend/CfgForm.h"
#include "frontend/CfgLevelGroup.h"
#include "frontend/VxHintLayout.h"
#include "frontend/VxKeyMap.h"
#include "frontend/VxLateOptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolTip>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace formtest;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Every stored or shown setting of the record, for comparing two records.
std::vector<int> Snapshot(const TGlobalConfigTAG& c) {
    // clang-format off
    return {c.PlayWhenOpen.Value, c.SecureClose.Value, c.SecureTrackButtons.Value,
            c.SecureDropFiles.Value, c.VuMeterPeaks.Value, c.ExactSongLength.Value,
            c.ReverseTouchBend.Value, c.DoubledPitch.Value, c.AccuratePitch.Value,
            c.ShowPitchBendValue.Value, c.ErrorLog.Value, c.DownMix.Value, c.StayOnTop.Value,
            c.DisplayBlink.Value, c.ShowConfigHints.Value, c.PlayListLoop.Value,
            c.ListAllowDuplicates.Value, c.ListKeepLast.Value, c.ListShowFileNames.Value,
            c.ListSaveAbsolutePaths.Value, c.ListConfirmNew.Value, c.ListConfirmClose.Value,
            c.ListConfirmDelete.Value, c.ListConfirmDeleteMany.Value, c.PitchRange.Value,
            c.EndOfTrack.Value, c.OutputDevice.Value, c.HotKey, c.OutputLatency.Value,
            c.LevelSongs.Value, c.TargetLoudness.Value, c.AutoCue.Value, c.KeyNotation.Value};
    // clang-format on
}

// The deck with the dialog installed; Answer runs in place of the modal run.
class TDialogDeck : public TDeck {
public:
    TDialogDeck() {
        auto dialog = std::make_unique<TCfgForm>();
        Dialog = dialog.get();
        Dialog->SetModalRunner([this](TCfgForm& form) {
            ++Showings;
            return Answer ? Answer(form) : int(QDialog::Rejected);
        });
        Form->SetOptionsDialog(std::move(dialog));
    }

    TCfgForm* Dialog = nullptr;
    std::function<int(TCfgForm&)> Answer;
    int Showings = 0;
};

TEST(CfgForm, TheControlsShowTheRecord) {
    TDialogDeck deck;
    deck.Config.ListShowFileNames.Value = 1;
    deck.Config.PitchRange.Value = 7;
    deck.Config.EndOfTrack.Value = 9;
    deck.Config.SecureDropFiles.Value = 4; // any nonzero value is on
    deck.Config.HotKey = 12;
    deck.Answer = [](TCfgForm& form) {
        EXPECT_FALSE(form.chkShowFileNames_->isChecked());
        EXPECT_TRUE(form.radPitchRange20->isChecked());
        EXPECT_TRUE(form.radRestart->isChecked());
        EXPECT_TRUE(form.chkSecureDrop->isChecked());
        EXPECT_TRUE(form.chkPlayWhenOpen->isChecked());
        EXPECT_TRUE(form.chkExactLength_->isChecked());
        EXPECT_TRUE(form.chkExactLength_->isEnabled());
        EXPECT_EQ(form.HotKey->currentText(), "F12");
        EXPECT_EQ(form.Devices->count(), 1);
        EXPECT_EQ(form.Devices->currentIndex(), 0);
        EXPECT_EQ(form.ConfigPages->count(), 5);
        EXPECT_EQ(form.windowTitle(), "Vexaline(tm) - Configuration");
        return int(QDialog::Rejected);
    };
    deck.Form->btnConfigMouseUp();
    EXPECT_EQ(deck.Showings, 1);
}

TEST(CfgForm, CancelAfterChangingEveryControlChangesNothing) {
    TDialogDeck deck;
    const std::vector<int> before = Snapshot(deck.Config);
    deck.Answer = [](TCfgForm& form) {
        for (QCheckBox* box : form.findChildren<QCheckBox*>())
            box->setChecked(!box->isChecked());
        form.radPitchRange8->setChecked(true);
        form.radNext->setChecked(true);
        form.HotKey->setCurrentIndex(7);
        form.Devices->setCurrentIndex(-1);
        form.Latency->setCurrentIndex(4);
        form.KeyNotation->setCurrentIndex(1);
        form.LevelGroup->TargetLoudness->setValue(-23);
        return int(QDialog::Rejected);
    };
    deck.Form->ShowOptions();
    EXPECT_EQ(Snapshot(deck.Config), before);
}

TEST(CfgForm, OkStoresAndAppliesTheEditedControlsButNotTheDisabledOnes) {
    TDialogDeck deck;
    deck.Answer = [](TCfgForm& form) {
        form.chkSecureTrack->setChecked(true);
        form.chkPlayWhenOpen->setChecked(false);
        form.chkAllowDuplicates->setChecked(true);
        form.chkDownmix->setChecked(true);
        form.radPitchRange8->setChecked(true);
        form.chkKeepLast_->setChecked(false);
        form.chkShowFileNames_->setChecked(false);
        form.chkExactLength_->setChecked(false);
        form.HotKey->setCurrentIndex(form.HotKey->findText("F5"));
        return int(QDialog::Accepted);
    };
    deck.Form->ShowOptions();
    // Indexing off: the next song opens on the quick path.
    EXPECT_EQ(deck.Config.ExactSongLength.Value, 0);
    TVxSystemOptions options;
    deck.System().GetOptions(options);
    EXPECT_EQ(options.OpenMode, 0);
    EXPECT_EQ(deck.Config.HotKey, 5);
    EXPECT_EQ(deck.Config.SecureTrackButtons.Value, 1);
    EXPECT_EQ(deck.Config.PlayWhenOpen.Value, 0);
    EXPECT_EQ(deck.Config.ListAllowDuplicates.Value, 1);
    EXPECT_EQ(deck.Config.PitchRange.Value, 0);
    EXPECT_EQ(deck.Config.ListKeepLast.Value, 0);
    EXPECT_EQ(deck.Config.ListShowFileNames.Value, 0);
    // Applied at once: the downmix knob replaces the balance knob, and the
    // pitch slider has the ±8 % range.
    EXPECT_TRUE(deck.Form->DownMix->GetVisible());
    EXPECT_FALSE(deck.Form->Balance->GetVisible());
    EXPECT_EQ(deck.Form->Pitch->GetMaxValue(), 8000);

    deck.Answer = [](TCfgForm& form) {
        EXPECT_EQ(form.HotKey->currentText(), "F5");
        form.HotKey->setCurrentIndex(form.HotKey->findText("None"));
        return int(QDialog::Accepted);
    };
    deck.Form->ShowOptions();
    EXPECT_EQ(deck.Config.HotKey, 0);
}

TEST(CfgForm, NextMakesTheSongEndGoToTheNextEntry) {
    TDialogDeck deck;
    deck.Add({Q(MakeWav("one.wav", 300)), Q(MakeWav("two.wav", 300))});
    ASSERT_EQ(deck.State(), kVxPlaying);
    deck.Answer = [](TCfgForm& form) {
        form.radNext->setChecked(true);
        return int(QDialog::Accepted);
    };
    deck.Form->ShowOptions();
    EXPECT_EQ(deck.Config.EndOfTrack.Value, 1);
    EXPECT_TRUE(deck.RunUntil([&] { return deck.List().GetCurrentPosition() == 1; }));
}

// A song of faint hiss, then music at gainDb (tones and noise).
std::string LeadInSong(const std::string& name, const char* leadInSeconds, int gainDb) {
    const std::string path = (WorkDir() / "songs" / name).string();
    const std::string make = "export SOX_OPTS='-V1 -R'; sox -n -r 44100 -c 2 '" + path +
                             ".hiss.wav' synth " + leadInSeconds +
                             " pinknoise gain -75 && sox -n -r 44100 -c 2 '" + path +
                             ".music.wav' synth 3.1079 sine 330 sine 495 synth 3.1079 pinknoise "
                             "mix gain " +
                             std::to_string(gainDb) + " && sox '" + path + ".hiss.wav' '" + path +
                             ".music.wav' '" + path + "'";
    EXPECT_EQ(std::system(make.c_str()), 0) << make;
    return path;
}

TVxSongStart ExpectedStart(const std::string& path, double targetLufs) {
    TVxDecoderSet decoders;
    const std::atomic<bool> never{false};
    const TVxLoudness loudness =
        VxAnalyzeSong(decoders, path.c_str(), {}, never, kVxLoudnessPart).Loudness;
    EXPECT_TRUE(loudness.Known) << path;
    return {VxLevelGainDb(loudness, targetLufs),
            static_cast<uint32_t>(std::lround(loudness.MusicStartMs))};
}

// Leveling and auto cue as the dialog turns them on: the loaded song, not
// played yet, takes its level and cue once its analysis ends; the next one,
// analysed while it waited in the list, has them from its open on; a song
// that plays keeps its level when the option goes off.
TEST(CfgForm, LevelingAndAutoCueReachEachSongBeforeItPlays) {
    const std::string first = LeadInSong("level-first.wav", "0.8313", -24);
    const std::string second = LeadInSong("level-second.wav", "0.4567", -6);
    TDialogDeck deck;
    deck.Config.PlayWhenOpen.Value = 0;
    deck.Answer = [](TCfgForm& form) {
        form.LevelGroup->chkLevelSongs->setChecked(true);
        form.LevelGroup->TargetLoudness->setValue(-16);
        form.LevelGroup->chkAutoCue->setChecked(true);
        return int(QDialog::Accepted);
    };
    deck.Form->ShowOptions();
    EXPECT_EQ(deck.Config.LevelSongs.Value, 1);
    EXPECT_EQ(deck.Config.TargetLoudness.Value, -16);
    EXPECT_EQ(deck.Config.AutoCue.Value, 1);

    deck.Add({Q(first), Q(second)});
    ASSERT_EQ(deck.State(), kVxPaused);
    ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
    deck.Run(80);
    const TVxSongStart firstStart = ExpectedStart(first, -16);
    EXPECT_GT(firstStart.LevelDb, 3);
    EXPECT_DOUBLE_EQ(deck.System().SongLevelDb(), firstStart.LevelDb);
    EXPECT_EQ(deck.PositionMs(), firstStart.CueMs);

    TDeck::Click(deck.Form->btnNext);
    ASSERT_EQ(deck.List().GetCurrentPosition(), 1);
    const TVxSongStart secondStart = ExpectedStart(second, -16);
    EXPECT_LT(secondStart.LevelDb, -3);
    EXPECT_DOUBLE_EQ(deck.System().SongLevelDb(), secondStart.LevelDb);
    EXPECT_EQ(deck.PositionMs(), secondStart.CueMs);
    EXPECT_NEAR(secondStart.CueMs, 456.7, 10);
    deck.Run(40);
    EXPECT_EQ(deck.Form->Position->GetValue(), static_cast<int>(secondStart.CueMs));

    TDeck::Click(deck.Form->btnPlay);
    deck.Run(200);
    deck.Answer = [](TCfgForm& form) {
        form.LevelGroup->chkLevelSongs->setChecked(false);
        return int(QDialog::Accepted);
    };
    deck.Form->ShowOptions();
    EXPECT_DOUBLE_EQ(deck.System().SongLevelDb(), secondStart.LevelDb);
}

// The stored options hold from the start, before the dialog ever shows.
TEST(CfgForm, StoredLevelingAndAutoCueHoldFromTheStart) {
    const std::string song = LeadInSong("level-stored.wav", "0.6171", -27);
    TDeck deck({Q(song)}, TDeck::StoredSettings("\"LevelSongs\"=\"Yes\"\n\"TargetLoudness\"="
                                                "dword:fffffff0\n\"AutoCue\"=\"Yes\"\n"
                                                "\"PlayWhenOpen\"=\"No\"\n"));
    ASSERT_EQ(deck.System().SongLoaded, 1u);
    ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
    deck.Run(80);
    const TVxSongStart start = ExpectedStart(song, -16);
    EXPECT_GT(start.LevelDb, 3);
    EXPECT_DOUBLE_EQ(deck.System().SongLevelDb(), start.LevelDb);
    EXPECT_EQ(deck.PositionMs(), start.CueMs);
}

// As the program installs it: built only when first opened, the dialog
// still shows the settings stored before the start, what OK stores is saved
// at close, and later showings reuse it with the page it was left on.
TEST(CfgForm, BuiltWhenFirstOpenedItShowsTheStoredSettingsAndSavesItsOwn) {
    TDeck deck(QStringList(), TDeck::StoredSettings("\"SecureClose\"=\"Yes\"\n"
                                                    "\"PitchRange\"=dword:00000002\n"
                                                    "\"KeyNotation\"=dword:00000001\n"));
    int built = 0;
    int showings = 0;
    auto late = std::make_unique<TVxLateOptionsDialog>([&] {
        ++built;
        auto dialog = std::make_unique<TCfgForm>();
        dialog->SetModalRunner([&showings](TCfgForm& form) {
            if (++showings == 1) {
                EXPECT_TRUE(form.chkSecureClose->isChecked());
                EXPECT_TRUE(form.radPitchRange20->isChecked());
                EXPECT_EQ(form.KeyNotation->currentIndex(), 1);
                EXPECT_EQ(form.Devices->count(), 1);
                form.chkSecureTrack->setChecked(true);
                form.radNext->setChecked(true);
                form.ConfigPages->setCurrentWidget(form.PagePlaylist);
                return int(QDialog::Accepted);
            }
            EXPECT_EQ(form.ConfigPages->currentWidget(), form.PagePlaylist);
            EXPECT_TRUE(form.chkSecureTrack->isChecked());
            return int(QDialog::Rejected);
        });
        return dialog;
    });
    const TVxLateOptionsDialog& dialog = *late;
    deck.Form->SetOptionsDialog(std::move(late));
    EXPECT_FALSE(dialog.Built());
    EXPECT_EQ(deck.Form->Pitch->GetMaxValue(), 19999);

    deck.Form->btnConfigMouseUp();
    EXPECT_EQ(deck.Config.EndOfTrack.Value, 1);
    deck.Form->btnConfigMouseUp();
    EXPECT_EQ(built, 1);
    EXPECT_EQ(showings, 2);

    ASSERT_TRUE(deck.Form->close());
    std::ifstream settings(SettingsFile());
    const std::string text((std::istreambuf_iterator<char>(settings)), {});
    for (const char* saved : {"\"SecureTrackButtons\"=\"Yes\"", "\"SecureClose\"=\"Yes\"",
                              "\"EndOfTrack\"=dword:00000001", "\"PitchRange\"=dword:00000002"})
        EXPECT_NE(text.find(saved), std::string::npos) << saved;
}

TEST(CfgForm, HintsFollowTheShowHintsBoxAtOnce) {
    TDialogDeck deck;
    ASSERT_EQ(deck.Config.ShowConfigHints.Value, 1);
    deck.Answer = [](TCfgForm& form) {
        EXPECT_TRUE(form.HintsShown());
        EXPECT_EQ(form.chkSecureClose->toolTip().simplified(),
                  "When checked, Vexaline can't be closed while a song is being played.");
        EXPECT_FALSE(form.LabelHotKey->toolTip().isEmpty());
        form.chkShowConfigHints->click();
        EXPECT_FALSE(form.HintsShown());
        EXPECT_TRUE(form.chkSecureClose->toolTip().isEmpty());
        EXPECT_TRUE(form.Devices->toolTip().isEmpty());
        return int(QDialog::Accepted);
    };
    deck.Form->ShowOptions();
    EXPECT_EQ(deck.Config.ShowConfigHints.Value, 0);
    deck.Answer = [](TCfgForm& form) {
        EXPECT_FALSE(form.HintsShown());
        EXPECT_TRUE(form.chkPlayWhenOpen->toolTip().isEmpty());
        return int(QDialog::Rejected);
    };
    deck.Form->ShowOptions();
}

TEST(CfgForm, EveryHintIsFoldedAtWordsToThreeHundredPixels) {
    TDialogDeck deck;
    deck.Answer = [](TCfgForm& form) {
        int hinted = 0;
        for (QWidget* control : form.findChildren<QWidget*>()) {
            const QString hint = control->toolTip();
            if (hint.isEmpty())
                continue;
            ++hinted;
            EXPECT_TRUE(FitsHintWidth(hint, kVxHintMaxWidth)) << hint.toStdString();
        }
        EXPECT_GT(hinted, 20);
        return int(QDialog::Rejected);
    };
    deck.Form->ShowOptions();
}

// The deck's own hint handling swallows tool-tip requests inside the deck;
// the dialog is a window of its own and its hints must still show.
TEST(CfgForm, TheDialogsHintsReallyShowWhileTheDeckIsOutOfHelpMode) {
    TDialogDeck deck;
    deck.Form->show();
    ASSERT_FALSE(deck.Form->HelpMode());
    const auto requestHint = [](QWidget* control) {
        QHelpEvent request(QEvent::ToolTip, QPoint(2, 2), control->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(control, &request);
    };
    deck.Answer = [&](TCfgForm& form) {
        form.show();
        requestHint(form.chkStayOnTop);
        EXPECT_TRUE(QToolTip::isVisible());
        EXPECT_EQ(QToolTip::text().simplified(),
                  "Makes the Vexaline window keep always visible above all other windows.");
        form.chkShowConfigHints->click();
        QTest::qWait(500);
        requestHint(form.chkStayOnTop);
        QTest::qWait(50);
        EXPECT_FALSE(QToolTip::isVisible());
        form.hide();
        return int(QDialog::Rejected);
    };
    deck.Form->ShowOptions();
}

// The log item's hint names the file, which is where the start banner lands.
TEST(CfgForm, CheckingTheLogStartsItWithItsBannerInTheFileItsHintNames) {
    TDialogDeck deck;
    const std::string path = deck.Config.ProgramFolder + "vxs.log";
    std::remove(path.c_str());
    ASSERT_FALSE(LogIsOn());
    QString hint;
    deck.Answer = [&hint](TCfgForm& form) {
        hint = form.chkLog->toolTip();
        form.chkLog->setChecked(true);
        return int(QDialog::Accepted);
    };
    deck.Form->ShowOptions();
    // The hint is folded to its width, so the name may begin a line.
    EXPECT_TRUE(hint.simplified().endsWith(QString::fromStdString(" " + path + ".")))
        << hint.toStdString();
    EXPECT_TRUE(LogIsOn());
    LogStop();
    std::ifstream log(path);
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("--------- Vxs log start ----------"), std::string::npos)
        << text.str();
    std::remove(path.c_str());
}

TEST(CfgForm, TheLogoOpensTheAboutPageAndThePageBeforeReturns) {
    TDialogDeck deck;
    deck.Dialog->ConfigPages->setCurrentWidget(deck.Dialog->PagePlaylist);
    deck.Answer = [](TCfgForm& form) {
        EXPECT_EQ(form.ConfigPages->currentWidget(), form.PageAbout);
        return int(QDialog::Rejected);
    };
    deck.Form->imgLogoClickDblClick();
    EXPECT_EQ(deck.Dialog->ConfigPages->currentWidget(), deck.Dialog->PagePlaylist);

    // A page chosen while the dialog was open stays.
    deck.Answer = [](TCfgForm& form) {
        form.ConfigPages->setCurrentWidget(form.PageAudio);
        return int(QDialog::Rejected);
    };
    deck.Form->imgLogoClickDblClick();
    EXPECT_EQ(deck.Dialog->ConfigPages->currentWidget(), deck.Dialog->PageAudio);
}

TEST(CfgForm, CtrlOOpensTheDialogWithTheHeldKeysReleased) {
    TDialogDeck deck;
    deck.Add({Q(MakeWav("held.wav", 3000))});
    VxKeyboardReset();
    auto keyboard = std::make_unique<TVxKeyboardControl>([] {});
    TVxKeyboardControl* reader = keyboard.get();
    deck.Form->SetKeyboard(std::move(keyboard));
    reader->Start(*deck.Form);
    deck.Form->show();
    deck.Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(deck.Form.get()));

    QTest::keyPress(deck.Form.get(), Qt::Key_Right);
    ASSERT_TRUE(deck.Form->btnFF->GetHeld());
    deck.Form->HelpOn();
    bool heldWhileShown = true;
    bool helpWhileShown = true;
    deck.Answer = [&](TCfgForm&) {
        heldWhileShown = deck.Form->btnFF->GetHeld();
        helpWhileShown = deck.Form->HelpMode();
        return int(QDialog::Rejected);
    };
    QTest::keyPress(deck.Form.get(), Qt::Key_Control);
    QTest::keyPress(deck.Form.get(), Qt::Key_O);
    EXPECT_EQ(deck.Showings, 1);
    EXPECT_FALSE(heldWhileShown);
    EXPECT_FALSE(helpWhileShown);
}

} // namespace

TEST(CfgForm, LatencyShowsTheStoredChoiceAndOkHandsItToTheSoundOutput) {
    TDialogDeck deck;
    // A hand-edited store: a value the list does not offer is automatic.
    deck.Config.OutputLatency.Value = 7;
    deck.Answer = [](TCfgForm& form) {
        EXPECT_EQ(form.Latency->currentIndex(), 0);
        form.Latency->setCurrentIndex(form.Latency->findText("20 ms"));
        return int(QDialog::Accepted);
    };
    deck.Form->ShowOptions();
    EXPECT_EQ(deck.Config.OutputLatency.Value, 20);
    EXPECT_EQ(ZylLatencySetting(), 20);
    deck.Answer = [](TCfgForm& form) {
        EXPECT_EQ(form.Latency->currentText(), "20 ms");
        form.Latency->setCurrentIndex(0);
        return int(QDialog::Accepted);
    };
    deck.Form->ShowOptions();
    EXPECT_EQ(deck.Config.OutputLatency.Value, 0);
    EXPECT_EQ(ZylLatencySetting(), 0);
}
