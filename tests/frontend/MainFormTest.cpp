#include "FormTestSupport.h"

#include "controls/ZylImage.h"
#include "controls/ZylProgressBar.h"
#include "frontend/VxDisplayText.h"
#include "frontend/VxHintLayout.h"
#include "frontend/VxHints.h"
#include "frontend/VxKeyMap.h"
#include "playlist/PlaylistPaths.h"
#include "tests/ScopedEnv.h"
#include "tests/decoding/SlowReads.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QTimer>
#include <QToolTip>
#include <gtest/gtest.h>
#include <thread>

using namespace formtest;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Caption(TZylLabel* label) {
    return label->GetCaption().toStdString();
}

} // namespace

TEST(MainForm, CommandLineFilesLoadAndTheFirstOpensAndPlays) {
    const std::string first = MakeWav("first.wav", 400);
    const std::string second = MakeWav("second.wav", 400);
    TDeck deck({Q(first), Q(second)});
    ASSERT_TRUE(deck.Created);
    EXPECT_EQ(deck.List().GetCount(), 2);
    EXPECT_EQ(deck.List().GetCurrentPosition(), 0);
    EXPECT_EQ(deck.System().SongLoaded, 1u);
    // PlayWhenOpen is on by default: the song plays at once.
    EXPECT_EQ(deck.State(), kVxPlaying);
    EXPECT_EQ(Caption(deck.Form->LabelMessage1), "Ok.");
    EXPECT_EQ(deck.Message2(), "2 files added.");
    EXPECT_EQ(Caption(deck.Form->LabelTrack), "e01");
    EXPECT_EQ(Caption(deck.Form->Title), "first");
    EXPECT_EQ(deck.Form->Position->GetMaxValue(), 400);
    deck.Run(200);
    EXPECT_GT(deck.PositionMs(), 100u);
    EXPECT_EQ(deck.Form->btnPlay->GetStatus(), 1);
}

// The open dialog lets files of any extension through to the decoders; one
// that no decoder reads stays out of the list.
TEST(MainForm, AFileNoDecoderAcceptsIsNotAdded) {
    TDeck deck;
    bool anyExtensionWhileOpen = false;
    deck.OpenDialog = [&](QFileDialog&) {
        anyExtensionWhileOpen = (deck.List().ScanOptions & fsAllowAnyExt) != 0;
        return QStringList{Q(MakeWav("good.wav", 200)), Q(MakeGarbage("notes.txt"))};
    };
    deck.Form->btnOpenMouseUp();
    deck.WaitForScan();
    EXPECT_TRUE(anyExtensionWhileOpen);
    ASSERT_EQ(deck.List().GetCount(), 1);
    EXPECT_EQ(deck.List().GetSongInfo(0).Duration, 200u);
    EXPECT_EQ(deck.List().ScanOptions & fsAllowAnyExt, 0);
}

TEST(MainForm, TransportControlsReachThePlayerSystem) {
    TDeck deck;
    deck.Config.PlayWhenOpen.Value = 0;
    deck.Add({Q(MakeWav("transport.wav", 3000))});
    ASSERT_EQ(deck.State(), kVxPaused);
    deck.Timer();
    EXPECT_TRUE(deck.Form->btnPlay->GetSequenceRunning()); // paused blinks

    TDeck::Press(deck.Form->btnPlay);
    EXPECT_EQ(deck.State(), kVxPlaying);
    deck.Run(500);
    deck.Timer();
    EXPECT_EQ(deck.Form->btnPlay->GetStatus(), 1);
    EXPECT_FALSE(deck.Form->btnPlay->GetSequenceRunning());

    TDeck::Press(deck.Form->btnCUE);
    TDeck::Release(deck.Form->btnCUE);
    EXPECT_EQ(deck.State(), kVxCued);
    deck.Timer();
    EXPECT_EQ(deck.Form->btnCUE->GetStatus(), 1);

    // Search: the search loop holds Searching after the release, and the
    // position slider's own change is ignored while the button is held.
    TDeck::Press(deck.Form->btnFF);
    EXPECT_EQ(deck.State(), kVxSearching);
    deck.Run(400);
    TDeck::Release(deck.Form->btnFF);
    EXPECT_EQ(deck.State(), kVxSearching);

    deck.Form->Volume->SetValue(40);
    EXPECT_EQ(deck.System().Volume, 40);
    deck.Form->Balance->SetValue(-30);
    EXPECT_EQ(deck.System().Balance, -30);
    deck.Form->Position->SetValue(1500);
    deck.Run(40);
    TVxTimeInfo time;
    deck.System().GetTimeInfo(time);
    EXPECT_EQ(time.SliderMs, 1500u);
}

TEST(MainForm, PitchSliderBendButtonsAndDisplays) {
    TDeck deck;
    deck.Add({Q(MakeWav("pitch.wav", 2000))});
    deck.Form->Pitch->SetValue(12340);
    TVxPitchInfo info;
    deck.System().GetPitchInfo(info);
    EXPECT_EQ(info.Pitch, 12340);
    EXPECT_EQ(Caption(deck.Form->LabelPitch), "_+ I2.34");
    EXPECT_EQ(deck.Form->LedPitch->GetImageIndex(), 0);

    deck.Form->LedPitchDblClick();
    EXPECT_EQ(Caption(deck.Form->LabelPitch), "_a e0.00");
    EXPECT_EQ(deck.Form->LedPitch->GetImageIndex(), 1);
    EXPECT_EQ(deck.Form->Pitch->GetValue(), 0);
    EXPECT_EQ(Caption(deck.Form->LabelValue), "a ebbcbb");

    // A held bend refreshes the value display on every timer tick.
    TDeck::Press(deck.Form->btnFast);
    deck.Run(100);
    EXPECT_EQ(Caption(deck.Form->LabelValue), "+ e0.50b");
    TDeck::Release(deck.Form->btnFast);
    deck.Run(40);
    EXPECT_EQ(Caption(deck.Form->LabelValue), "a ebbcbb");

    // Shift+Ctrl slides by 1 % per step.
    deck.Form->Modifiers = TMainForm::kShift | TMainForm::kCtrl;
    TDeck::Press(deck.Form->btnSlow);
    deck.Run(60);
    TDeck::Release(deck.Form->btnSlow);
    deck.System().GetPitchInfo(info);
    EXPECT_EQ(info.Pitch, -1000);
    EXPECT_EQ(deck.Form->Pitch->GetValue(), -1000);
    EXPECT_EQ(Caption(deck.Form->LabelPitch), "_- e1.00");
}

TEST(MainForm, AltBendDoesNothingWithoutAccuratePitch) {
    TDeck deck;
    deck.Add({Q(MakeWav("alt.wav", 2000))});
    deck.Form->Modifiers = TMainForm::kAlt;
    TDeck::Press(deck.Form->btnFast);
    deck.Run(400);
    TVxPitchInfo info;
    deck.System().GetPitchInfo(info);
    EXPECT_EQ(info.Bend, 0);
    EXPECT_EQ(info.SlideStep, 0);
    EXPECT_EQ(info.Pitch, 0);
    TDeck::Release(deck.Form->btnFast);
}

TEST(MainForm, ReleasingTheTouchBendReturnsItToZero) {
    TDeck deck;
    deck.Add({Q(MakeWav("touch.wav", 2000))});
    TZylKnob* knob = deck.Form->TouchBend;
    QTest::mousePress(knob, Qt::LeftButton, {}, QPoint(6, 20));
    QTest::mouseMove(knob, QPoint(6, 2));
    TVxPitchInfo info;
    deck.System().GetPitchInfo(info);
    EXPECT_NE(knob->GetValue(), 0);
    EXPECT_EQ(info.Bend, knob->GetValue());
    QTest::mouseRelease(knob, Qt::LeftButton, {}, QPoint(6, 2));
    deck.System().GetPitchInfo(info);
    EXPECT_EQ(knob->GetValue(), 0);
    EXPECT_EQ(info.Bend, 0);
}

TEST(MainForm, EndOfTrackStopsAtTheCuePoint) {
    TDeck deck({Q(MakeWav("end0.wav", 300))});
    deck.Config.EndOfTrack.Value = 0;
    ASSERT_TRUE(deck.RunUntil([&] { return deck.State() == kVxCued; }));
    EXPECT_EQ(deck.PositionMs(), 0u);
}

TEST(MainForm, EndOfTrackNextGoesOnAndCuesAfterTheLastEntry) {
    TDeck deck({Q(MakeWav("next-a.wav", 300)), Q(MakeWav("next-b.wav", 300))});
    deck.Config.EndOfTrack.Value = 1;
    deck.Config.PlayListLoop.Value = 0;
    deck.Form->ApplySettings();
    ASSERT_TRUE(deck.RunUntil([&] { return deck.List().GetCurrentPosition() == 1; }));
    EXPECT_EQ(deck.State(), kVxPlaying);
    EXPECT_EQ(Caption(deck.Form->LabelTrack), "e02");
    ASSERT_TRUE(deck.RunUntil([&] { return deck.State() == kVxCued; }));
    EXPECT_EQ(deck.List().GetCurrentPosition(), 1);
}

TEST(MainForm, EndOfTrackRestartKeepsPlayingFromTheStart) {
    TDeck deck({Q(MakeWav("restart.wav", 300))});
    deck.Config.EndOfTrack.Value = 2;
    ASSERT_TRUE(deck.RunUntil([&] { return deck.PositionMs() >= 250; }));
    ASSERT_TRUE(deck.RunUntil([&] { return deck.PositionMs() < 100; }));
    EXPECT_EQ(deck.State(), kVxPlaying);
}

TEST(MainForm, PrevRestartsThenGoesBackWithinTwoSeconds) {
    TDeck deck({Q(MakeWav("prev-a.wav", 5000)), Q(MakeWav("prev-b.wav", 5000))});
    deck.List().JumpTo(1);
    deck.Run(1000);
    ASSERT_EQ(deck.List().GetCurrentPosition(), 1);
    ASSERT_GT(deck.PositionMs(), 500u);

    // Once: the song starts again.
    TDeck::Click(deck.Form->btnPrev);
    EXPECT_EQ(deck.List().GetCurrentPosition(), 1);
    EXPECT_LT(deck.PositionMs(), 100u);
    deck.Run(500);
    // Twice within two seconds: the previous song.
    TDeck::Click(deck.Form->btnPrev);
    EXPECT_EQ(deck.List().GetCurrentPosition(), 0);
}

TEST(MainForm, PrevAtTheSongsStartGoesBackAtOnce) {
    TDeck deck({Q(MakeWav("start-a.wav", 3000)), Q(MakeWav("start-b.wav", 3000))});
    deck.Config.PlayWhenOpen.Value = 0;
    deck.List().JumpTo(1);
    ASSERT_EQ(deck.PositionMs(), 0u);
    deck.Clock.Now += 10000;
    TDeck::Click(deck.Form->btnPrev);
    EXPECT_EQ(deck.List().GetCurrentPosition(), 0);
}

// The search loop keeps the deck searching after FF is let go; PREV then
// restarts the song and plays it.
TEST(MainForm, PrevDuringTheSearchLoopRestartsAndPlays) {
    TDeck deck({Q(MakeWav("searched.wav", 5000))});
    deck.Run(1000);
    TDeck::Press(deck.Form->btnFF);
    deck.Run(400);
    TDeck::Release(deck.Form->btnFF);
    ASSERT_EQ(deck.State(), kVxSearching);
    TDeck::Click(deck.Form->btnPrev);
    EXPECT_EQ(deck.State(), kVxPlaying);
    EXPECT_LT(deck.PositionMs(), 100u);
}

TEST(MainForm, SecureTrackButtonsRefuseOnlyWhileOnAir) {
    TDeck deck({Q(MakeWav("secure-a.wav", 3000)), Q(MakeWav("secure-b.wav", 3000))});
    deck.Config.SecureTrackButtons.Value = 1;
    deck.Run(100);
    ASSERT_EQ(deck.State(), kVxPlaying);
    TDeck::Click(deck.Form->btnNext);
    EXPECT_EQ(deck.List().GetCurrentPosition(), 0);
    EXPECT_EQ(deck.Message2(), "Player must be stopped");

    // Volume at 0 is not on air: the track buttons work while playing.
    deck.Form->Volume->SetValue(0);
    TDeck::Click(deck.Form->btnNext);
    EXPECT_EQ(deck.List().GetCurrentPosition(), 1);
    // Not on air at the press: the next song does not start by itself.
    EXPECT_EQ(deck.State(), kVxPaused);
}

TEST(MainForm, CtrlMovesTheTrackButtonsByFive) {
    QStringList songs;
    for (int i = 0; i < 7; ++i)
        songs << Q(MakeWav("ctrl-" + std::to_string(i) + ".wav", 100));
    TDeck deck(songs);
    deck.CtrlDown = true;
    TDeck::Click(deck.Form->btnNext);
    EXPECT_EQ(deck.List().GetCurrentPosition(), 5);
}

TEST(MainForm, ClosingIsRefusedWhileOnAirOrScanning) {
    TDeck deck({Q(MakeWav("close.wav", 3000))});
    ASSERT_EQ(deck.State(), kVxPlaying);
    EXPECT_FALSE(deck.Form->close());
    EXPECT_EQ(deck.Message2(), "Player must be stopped");
    TDeck::Press(deck.Form->btnPlay);
    ASSERT_EQ(deck.State(), kVxPaused);

    // Holding the player system's lock holds the scan in its first file.
    deck.System().Enter();
    deck.List().AddFiles(MakeWav("scanned.wav", 100), TZylPlaylist::kAppend);
    ASSERT_TRUE(deck.List().GetScanning());
    deck.Form->ShowMessage(QStringLiteral("x"), 0);
    EXPECT_FALSE(deck.Form->close());
    EXPECT_EQ(deck.Message2(), "Player must be stopped");
    deck.System().Leave();
    deck.WaitForScan();
    EXPECT_EQ(deck.Message2(), "1 files added.");
}

TEST(MainForm, CloseSavesTheSettings) {
    TDeck deck;
    deck.Config.EndOfTrack.Value = 2;
    EXPECT_TRUE(deck.Form->close());
    std::ifstream settings(WorkDir() / "config" / "Zyl" / "Vexaline" / "Velm.reg");
    const std::string text((std::istreambuf_iterator<char>(settings)), {});
    EXPECT_NE(text.find("\"EndOfTrack\"=dword:00000002"), std::string::npos);
    EXPECT_NE(text.find("\"StartX\"=dword:"), std::string::npos);
}

// A volume key held while the window closes keeps the fader stepping on
// its own timer; closing lets it go before the player system ends.
TEST(MainForm, CloseLetsGoOfAKeyStillHeld) {
    TDeck deck;
    VxKeyboardReset();
    auto keyboard = std::make_unique<TVxKeyboardControl>([] {});
    TVxKeyboardControl& reader = *keyboard;
    deck.Form->SetKeyboard(std::move(keyboard));
    reader.Start(*deck.Form);
    deck.Form->show();
    deck.Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(deck.Form.get()));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Minus, Qt::NoModifier);
    QApplication::sendEvent(deck.Form.get(), &press);
    ASSERT_EQ(deck.Form->Volume->GetValue(), 95);
    ASSERT_TRUE(deck.Form->close());
    deck.Form->Volume->TimerTick();
    EXPECT_EQ(deck.Form->Volume->GetValue(), 95);
}

TEST(MainForm, ListConfirmCloseAsksAndCancelRefuses) {
    TDeck deck({Q(MakeWav("confirm-a.wav", 100)), Q(MakeWav("confirm-b.wav", 100))});
    deck.Config.ListConfirmClose.Value = 1;
    TDeck::Press(deck.Form->btnCUE);
    ASSERT_TRUE(deck.List().GetModified());
    BoxAnswer() = 2;
    EXPECT_FALSE(deck.Form->close());
    ASSERT_EQ(RecordedBoxes().size(), 1u);
    EXPECT_EQ(RecordedBoxes()[0].Caption, "Playlist changed confirm");
}

TEST(MainFormDisplays, MessagesTimeOutToTheIdleLines) {
    TDeck deck;
    EXPECT_EQ(deck.Message2(), "Vexaline(tm) ready.");
    deck.Clock.Now += 7900;
    deck.Timer();
    EXPECT_EQ(deck.Message2(), "Vexaline(tm) ready.");
    deck.Clock.Now += 100;
    deck.Timer();
    EXPECT_EQ(Caption(deck.Form->LabelMessage1), "Velm r5a free");
    EXPECT_EQ(deck.Message2(), "");
    deck.Form->ShowMessage(QStringLiteral("stays"), 0);
    deck.Clock.Now += 1000000;
    deck.Timer();
    EXPECT_EQ(deck.Message2(), "stays");
}

TEST(MainFormDisplays, TimeTrackAndProgressFollowTheSong) {
    TDeck deck({Q(MakeWav("time.wav", 2000))});
    EXPECT_EQ(deck.Form->Progress->GetMaxValue(), 20);
    deck.Run(1000);
    deck.Timer();
    EXPECT_EQ(Caption(deck.Form->LabelTimeMMSS).substr(0, 4), "a00:");
    EXPECT_GE(deck.Form->Progress->GetValue(), 9);
    // The song is under 30 s: the time blinks while it plays...
    EXPECT_TRUE(deck.Form->LabelTimeMMSS->GetBlink());
    deck.Config.DisplayBlink.Value = 0;
    deck.Timer();
    EXPECT_FALSE(deck.Form->LabelTimeMMSS->GetBlink());
    // ...and not while paused.
    deck.Config.DisplayBlink.Value = 1;
    TDeck::Press(deck.Form->btnPlay);
    deck.Timer();
    EXPECT_FALSE(deck.Form->LabelTimeMMSS->GetBlink());
}

TEST(MainFormDisplays, AStillDeckStopsItsTimerAndInputOrTheEnginesNewsStartIt) {
    TDeck deck;
    deck.Config.PlayWhenOpen.Value = 0;
    deck.Add({Q(MakeWav("still.wav", 3000))});
    ASSERT_EQ(deck.State(), kVxPaused);
    TVxDisplayTimer& timer = deck.Form->TimerUpdate;
    auto tickQuietly = [&] {
        for (int tick = 0; tick < TVxDisplayTimer::kQuietTicks; ++tick)
            timer.Tick();
    };
    timer.Start(); // the deck is driven by hand; this test runs the timer's own rules
    ASSERT_TRUE(timer.Running());
    tickQuietly(); // the start-up message is still to time out
    EXPECT_TRUE(timer.Running());
    EXPECT_EQ(timer.Interval(), TVxDisplayTimer::kTickMs);
    deck.Clock.Now += 10000;
    tickQuietly();
    EXPECT_FALSE(timer.Running()) << "nothing on the displays can change by itself";

    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QCoreApplication::sendEvent(deck.Form.get(), &shift);
    EXPECT_TRUE(timer.Running());
    EXPECT_EQ(timer.Interval(), TVxDisplayTimer::kTickMs);
    tickQuietly();
    EXPECT_FALSE(timer.Running());

    // A message that times out (a scan's count, shown as the scan ends).
    deck.Form->ShowMessage(QStringLiteral("7 files added."), 2500);
    QCoreApplication::sendPostedEvents(&timer);
    EXPECT_TRUE(timer.Running()) << "the message would never time out";
    deck.Clock.Now += 2500;
    tickQuietly();
    EXPECT_EQ(deck.Message2(), "");
    EXPECT_FALSE(timer.Running());

    deck.System().PlayPause(); // as a MIDI control would, without a Qt event
    QCoreApplication::sendPostedEvents(&timer);
    EXPECT_TRUE(timer.Running()) << "the engine's change starts the timer";
    tickQuietly();
    EXPECT_TRUE(timer.Running()); // playing moves the time
}

TEST(MainFormDisplays, ASongOfTenMillisecondsLeavesTheProgressRange) {
    TDeck deck({Q(MakeWav("long.wav", 1500))});
    ASSERT_EQ(deck.Form->Progress->GetMaxValue(), 15);
    deck.Add({Q(MakeWav("tiny.wav", 5))});
    ASSERT_EQ(deck.List().GetCount(), 1);
    EXPECT_EQ(deck.Form->Progress->GetMaxValue(), 15);
}

TEST(MainFormDisplays, TimeButtonsToggleTheModes) {
    TDeck deck({Q(MakeWav("modes.wav", 2000))});
    TDeck::Press(deck.Form->btnTime);
    EXPECT_EQ(deck.Config.TimeMode.Value, 1);
    EXPECT_EQ(deck.Form->btnTime->GetStatus(), 1);
    deck.Timer();
    EXPECT_EQ(Caption(deck.Form->LabelTimeMMSS).front(), '-');
    TDeck::Press(deck.Form->btnRealTime);
    EXPECT_NE(deck.Config.DisplayRealTime.Value, 0);
    EXPECT_EQ(deck.Form->btnRealTime->GetStatus(), 1);
}

TEST(MainFormHints, HelpModeShowsHintsAndOutsideItNoneShow) {
    TDeck deck;
    deck.Form->show();
    QCursor::setPos(deck.Form->btnPlay->mapToGlobal(QPoint(5, 5)));
    deck.Form->HelpOn();
    ASSERT_TRUE(deck.Form->HelpMode());
    EXPECT_EQ(deck.Form->btnHelp->GetStatus(), 1);
    EXPECT_TRUE(QToolTip::isVisible());
    // The hint keeps its own layout (blanks become fixed spaces).
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("plays/pauses")));
    EXPECT_EQ(deck.Form->Title->GetHint(), QStringLiteral("Current song's name"));
    deck.Form->HelpOff();
    QTest::qWait(500);
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_EQ(deck.Form->btnHelp->GetStatus(), 0);
    // A tool-tip request outside help mode is swallowed.
    QHelpEvent request(QEvent::ToolTip, QPoint(5, 5),
                       deck.Form->btnPlay->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(deck.Form->btnPlay, &request);
    QTest::qWait(50);
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST(MainFormHints, HintsAreFoldedOnlyAtWordsToTheWidthInForce) {
    for (int width : {kVxHintMaxWidth, 1024, 1920}) {
        for (const vxhints::THintEntry& entry : vxhints::DeckHints()) {
            const QString hint = QString::fromUtf8(entry.Text.data(), qsizetype(entry.Text.size()));
            const QString laid = VxLayoutHint(hint, width);
            EXPECT_TRUE(FitsHintWidth(laid, width)) << laid.toStdString();
            EXPECT_EQ(laid.simplified(), hint.simplified()) << width;
            EXPECT_GE(laid.count(QLatin1Char('\n')), hint.count(QLatin1Char('\n')));
        }
    }
    // In help mode the hint window shows the deck's layout and folds nothing itself.
    TDeck deck;
    deck.Form->show();
    QCursor::setPos(deck.Form->btnPlay->mapToGlobal(QPoint(5, 5)));
    deck.Form->HelpOn();
    QLabel* tip = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("qtooltip_label") && window->isVisible())
            tip = qobject_cast<QLabel*>(window);
    ASSERT_NE(tip, nullptr);
    EXPECT_FALSE(tip->wordWrap());
    EXPECT_TRUE(tip->text().contains(
        QStringLiteral("- When song is playing (led on) it will be paused, and the cue point\n")));
    deck.Form->HelpOff();
}

TEST(MainForm, TheLogoAreaShowsTheLogo) {
    TDeck deck;
    const QImage logo = deck.Form->imgLogoClick->grab().toImage();
    ASSERT_EQ(logo.size(), QSize(54, 38));
    int lit = 0;
    int accent = 0;
    for (int y = 0; y < logo.height(); ++y) {
        for (int x = 0; x < logo.width(); ++x) {
            const QColor pixel = logo.pixelColor(x, y);
            lit += pixel.lightness() > 60 ? 1 : 0;
            accent += pixel.red() > 200 && pixel.blue() < 100 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 150);   // the mark and the wordmark, not a black box
    EXPECT_GT(accent, 40); // in the skin's accent
}

TEST(MainFormPlaylist, OpenDialogTitleFiltersAndFolder) {
    TDeck deck;
    QString title;
    QStringList filters;
    const std::string odd = MakeWav("opened.wav", 100);
    deck.OpenDialog = [&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        filters = dialog.nameFilters();
        return QStringList{Q(odd)};
    };
    deck.Form->btnOpenMouseUp();
    deck.WaitForScan();
    EXPECT_EQ(title, QStringLiteral("Open file(s)"));
    EXPECT_EQ(
        filters,
        (QStringList{"All supported types (*.mp3 *.mp2 *.mpg *.wav *.flac *.aif *.aiff *.aifc "
                     "*.m4a *.mp4 *.alac *.ogg *.oga *.opus *.m3u *.m3u8)",
                     "MPEG audio (*.mp3 *.mp2 *.mpg)", "WAV audio (*.wav)",
                     "FLAC, AIFF, MP4 and Ogg audio (*.flac *.aif *.aiff *.aifc *.m4a *.mp4 "
                     "*.alac *.ogg *.oga *.opus)",
                     "M3U playlists (*.m3u *.m3u8)", "All files (*)"}));
    EXPECT_EQ(deck.List().GetCount(), 1);
    const std::string songs = (WorkDir() / "songs").string() + "/";
    EXPECT_EQ(std::string(deck.Config.OpenPath.Value), songs);
    // A folder longer than the setting holds keeps the previous one, whole.
    const std::string deep =
        MakeWav(std::string(200, 'd') + "/" + std::string(100, 'e') + "/x.wav", 100);
    deck.OpenDialog = [&](QFileDialog&) { return QStringList{Q(deep)}; };
    deck.Form->btnOpenMouseUp();
    deck.WaitForScan();
    EXPECT_EQ(deck.List().GetSongInfo(0).FileName, deep);
    EXPECT_EQ(std::string(deck.Config.OpenPath.Value), songs);
    // A cancelled dialog changes nothing.
    deck.OpenDialog = [](QFileDialog&) { return QStringList(); };
    deck.Form->btnOpenMouseUp();
    EXPECT_EQ(deck.List().GetCount(), 1);
}

TEST(MainFormPlaylist, NamesThatAreNotUtf8ReachThePlayerAsTheirBytes) {
    const std::string latin1 = MakeWav("caf\xE9.wav", 300);
    const QByteArray bytes = QByteArray::fromStdString(latin1);
    const QString decoded = QFile::decodeName(bytes); // U+FFFD for the lone byte
    const QUrl url = QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"));
    const std::function<void(TDeck&)> ways[] = {
        nullptr, // the command line
        [&](TDeck& deck) {
            deck.OpenDialog = [&](QFileDialog&) { return QStringList{decoded}; };
            deck.Form->btnOpenMouseUp();
        },
        [&](TDeck& deck) {
            QMimeData mime;
            mime.setUrls({url});
            QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton,
                            Qt::NoModifier);
            // Straight to the window: the toolkit delivers drops only while a drag runs.
            static_cast<QObject*>(deck.Form.get())->event(&drop);
        },
    };
    int way = 0;
    for (const auto& add : ways) {
        auto deck = add ? std::make_unique<TDeck>() : std::make_unique<TDeck>(std::vector{latin1});
        if (add) {
            add(*deck);
            deck->WaitForScan();
        }
        ASSERT_EQ(deck->List().GetCount(), 1) << way;
        EXPECT_EQ(deck->List().GetSongInfo(0).FileName, latin1) << way;
        EXPECT_EQ(deck->System().SongLoaded, 1u) << way;
        EXPECT_NE(deck->Message2(), "Load error!") << way;
        if (way++ == 1) {
            // The dialog's folder is kept as bytes too, across a save and a load.
            deck->Config.SaveSettings(TMainForm::kSettingsKey);
            TGlobalConfigTAG reloaded;
            reloaded.LoadSettings(TMainForm::kSettingsKey);
            EXPECT_EQ(std::string(reloaded.OpenPath.Value), ExtractFilePath(latin1));
        }
    }
}

// The open dialog starts in the stored folder, or as near to it as the
// toolkit can name: a folder named in Latin-1 cannot be entered, its parent
// can.
TEST(MainFormPlaylist, TheOpenDialogStartsInTheStoredFolderOrItsNearestNamedParent) {
    const fs::path songs = WorkDir() / "songs";
    const std::string utf8 = fs::path(MakeWav("d\xC3\xA9j\xC3\xA0/u.wav", 100)).parent_path();
    const std::string latin1 = fs::path(MakeWav("d\xE9j\xE0/in/l.wav", 100)).parent_path();
    const struct {
        std::string Stored;
        std::string Opened;
    } cases[] = {
        {utf8 + "/", utf8},
        {latin1 + "/", songs.string()},
    };
    for (const auto& c : cases) {
        TDeck deck;
        ASSERT_TRUE(deck.Config.OpenPath.Set(c.Stored.c_str()));
        QString opened;
        deck.OpenDialog = [&](QFileDialog& dialog) {
            opened = dialog.directory().absolutePath();
            return QStringList();
        };
        deck.Form->btnOpenMouseUp();
        EXPECT_EQ(QFile::encodeName(opened).toStdString(), c.Opened) << c.Stored;
    }
}

TEST(MainForm, WithoutSoundOutputItSaysWhatToDoAndEnds) {
    TDeck deck(std::vector<std::string>{}, true);
    EXPECT_FALSE(deck.Created);
    EXPECT_EQ(deck.Form->ExitCode(), 1);
    ASSERT_EQ(RecordedBoxes().size(), 1u);
    const std::string& text = RecordedBoxes().front().Text;
    for (const char* advice :
         {"no sound output", "PipeWire", "PulseAudio", "JACK", "ALSA", "VEXALINE_AUDIO=null"})
        EXPECT_NE(text.find(advice), std::string::npos) << advice;
    EXPECT_EQ(text.find("DirectX"), std::string::npos);
}

TEST(MainFormPlaylist, DropsOnTheDeckReplaceAndOnAnEmptyListKeepTheLoadedSong) {
    TDeck deck({Q(MakeWav("loaded.wav", 1000))});
    deck.Form->DropOnDeck({MakeWav("dropped.wav", 1000)}, QPoint(100, 100));
    deck.WaitForScan();
    EXPECT_EQ(deck.List().GetCount(), 1);
    EXPECT_EQ(Caption(deck.Form->Title), "dropped");

    deck.List().Clear();
    ASSERT_EQ(deck.System().SongLoaded, 1u);
    deck.Form->PlayListDropFiles(-1, {MakeWav("extra.wav", 1000)});
    deck.WaitForScan();
    EXPECT_EQ(deck.List().GetCount(), 1);
    EXPECT_EQ(Caption(deck.Form->Title), "dropped");
    EXPECT_NE(deck.List().GetOptions() & poAutoOpen, 0);
}

// While a song opens from a slow medium, every way to another song or
// another list is refused: the list's current entry, the track number and
// the list itself stay with the song that is loading.
TEST(MainFormPlaylist, ASlowOpenKeepsItsEntryAgainstTrackChangesAndDrops) {
    const fs::path slow = WorkDir() / "songs" / "slow-kept.mp3";
    fs::copy_file(fs::path(VX_TEST_DATA_DIR) / "mpeg" / "vbr_xing.mp3", slow,
                  fs::copy_options::overwrite_existing);
    TDeck deck({Q(MakeWav("kept-before.wav", 3000)), Q(slow.string()),
                Q(MakeWav("kept-after.wav", 3000))});
    ASSERT_EQ(deck.List().GetCurrentPosition(), 0);
    const std::string other = MakeWav("kept-other.wav", 1000);
    deck.OpenDialog = [&](QFileDialog&) { return QStringList{Q(other)}; };
    const std::vector<std::pair<const char*, std::function<void()>>> attempts = {
        {"next", [&] { TDeck::Click(deck.Form->btnNext); }},
        {"previous", [&] { TDeck::Click(deck.Form->btnPrev); }},
        {"double-click",
         [&] {
             deck.List().SetSelected(2, true);
             deck.Form->PlayListDblClick();
         }},
        {"open dialog", [&] { TDeck::Click(deck.Form->btnOpen); }},
        {"drop on the deck", [&] { deck.Form->DropOnDeck({other}, QPoint(100, 100)); }},
        {"drop on the list", [&] { deck.Form->PlayListDropFiles(0, {other}); }},
    };
    // The gate holds every thread's reads: the tempo worker, which reads the
    // list's songs too, must be done before it closes.
    ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
    auto gate = std::make_unique<TReadGate>();
    QTimer::singleShot(0, [&] {
        gate->WaitForAReader();
        for (const auto& [name, attempt] : attempts) {
            deck.Form->LabelMessage2->SetCaption(QString());
            attempt();
            EXPECT_EQ(deck.Message2(), "Player must be stopped") << name;
            EXPECT_EQ(deck.List().GetCurrentPosition(), 1) << name;
            EXPECT_FALSE(deck.List().GetScanning()) << name;
        }
        gate->Release();
    });
    TDeck::Click(deck.Form->btnNext);
    gate.reset();
    deck.WaitForScan();
    EXPECT_EQ(deck.System().SongLoaded, 1u);
    ASSERT_EQ(deck.List().GetCount(), 3);
    EXPECT_EQ(deck.List().GetCurrentPosition(), 1);
    EXPECT_EQ(deck.List().CurrentSongInfo()->FileName, slow.string());
    EXPECT_EQ(deck.List().GetSongInfo(1).Duration, 2037u);
    EXPECT_EQ(Caption(deck.Form->LabelTrack), vxdisplay::TrackText(1));
}

// A hung medium must not keep the deck from closing: closing while an open
// waits on a read gives the open up and the window closes, player system
// and all, while the read still hangs; the read that comes back at last
// touches nothing that is gone.
TEST(MainFormPlaylist, TheWindowClosesWhileAnOpenHangs) {
    const fs::path hung = WorkDir() / "songs" / "hung.mp3";
    fs::copy_file(fs::path(VX_TEST_DATA_DIR) / "mpeg" / "vbr_xing.mp3", hung,
                  fs::copy_options::overwrite_existing);
    TDeck deck({Q(MakeWav("hung-before.wav", 3000)), Q(hung.string())});
    ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
    const std::shared_ptr<TVxTickLink> link = deck.System().TickLink();
    auto gate = std::make_unique<TReadGate>();
    QTimer::singleShot(0, [&] {
        gate->WaitForAReader();
        deck.Form->close();
    });
    // Should the close wait for the read after all, this guard lets the
    // read go so that the test fails instead of hanging.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] { gate->Release(); });
    guard.start(20000);
    TDeck::Click(deck.Form->btnNext);
    QCoreApplication::processEvents();
    EXPECT_FALSE(TVxTickLink::TEntry(*link)) << "the player system outlived the close";
    EXPECT_TRUE(guard.isActive()) << "the close waited for the hung read";
    gate->Release();
    while (link.use_count() > 1) // the opening thread lets go of the link last
        std::this_thread::yield();
    gate.reset();
}

TEST(MainFormPlaylist, OnePlaylistFileShowsLoadingThenTheCount) {
    const fs::path m3u = WorkDir() / "songs" / "set.m3u";
    std::ofstream(m3u) << MakeWav("set-a.wav", 100) << "\n" << MakeWav("set-b.wav", 100) << "\n";
    TDeck deck;
    deck.System().Enter();
    deck.List().AddFiles(m3u.string(), TZylPlaylist::kReplace);
    EXPECT_EQ(deck.Message2(), "Loading (hold ESC to abort)...");
    deck.System().Leave();
    deck.WaitForScan();
    EXPECT_EQ(deck.List().GetCount(), 2);
    EXPECT_EQ(deck.Form->SaveListFileName, QStringLiteral("set.m3u"));
    // The first song opened after the count; the count stays beside its
    // result for 8 s.
    EXPECT_EQ(Caption(deck.Form->LabelMessage1), "Ok.");
    EXPECT_EQ(deck.Message2(), "2 files added.");
    deck.Clock.Now += 7900;
    deck.Timer();
    EXPECT_EQ(deck.Message2(), "2 files added.");
    deck.Clock.Now += 200;
    deck.Timer();
    EXPECT_EQ(deck.Message2(), "");
    // A song opened later shows its own result only.
    deck.List().JumpTo(1);
    EXPECT_EQ(deck.Message2(), "Ok.");
}

// With the last list kept, the list saved at close is the one the next start
// loads: beside the program where this user may write, otherwise (as for an
// installed copy; here a program folder that is not there) in the state
// folder. A list at the other place is not the last one. An empty list at
// close leaves no file behind.
TEST(MainFormPlaylist, TheLastListComesBackFromWhereItWasSaved) {
    const fs::path state = WorkDir() / "state";
    const TScopedEnv stateHome("XDG_STATE_HOME", state.c_str());
    const std::string name = "frontend_tests.m3u";
    const std::string inState = (state / "Vexaline" / name).string();
    const fs::path program = WorkDir() / "program";
    const struct {
        const char* Case;
        std::string ProgramFolder;
        std::string Kept;
        std::string Stale;
    } cases[] = {
        {"writable program folder", program.string() + "/", (program / name).string(), inState},
        {"program folder out of reach", (WorkDir() / "no-program/").string(), inState, ""},
    };
    const std::vector<std::string> songs = {MakeWav("kept-a.wav", 100), MakeWav("kept-b.wav", 100)};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        std::error_code ignored;
        fs::remove_all(state, ignored);
        fs::remove_all(program, ignored);
        fs::create_directories(program);
        if (!c.Stale.empty()) {
            fs::create_directories(fs::path(c.Stale).parent_path());
            std::ofstream(c.Stale) << MakeWav("stale.wav", 100) << "\n";
        }
        const auto keepLast = [&c](TGlobalConfigTAG& config, TVxFormPlatform& platform) {
            config.ListKeepLast.Value = 1;
            platform.ProgramFolder = c.ProgramFolder;
        };
        // The first song plays at once; closing while it plays is allowed.
        {
            TDeck deck({}, keepLast);
            EXPECT_EQ(deck.List().GetCount(), 0);
            deck.Add({Q(songs[0]), Q(songs[1])});
            deck.Config.SecureClose.Value = 0;
            ASSERT_TRUE(deck.Form->close());
        }
        ASSERT_TRUE(fs::exists(c.Kept));
        TDeck next({}, keepLast);
        ASSERT_EQ(next.List().GetCount(), 2);
        EXPECT_EQ(next.List().GetSongInfo(0).FileName, songs[0]);
        EXPECT_EQ(next.List().GetSongInfo(1).FileName, songs[1]);
        next.List().Clear();
        next.Config.SecureClose.Value = 0;
        ASSERT_TRUE(next.Form->close());
        EXPECT_FALSE(fs::exists(c.Kept));
    }
}

TEST(MainFormPlaylist, DoubleClickOnAirWithSecureTrackButtonsIsRefused) {
    TDeck deck({Q(MakeWav("dbl-a.wav", 3000)), Q(MakeWav("dbl-b.wav", 3000))});
    deck.Config.SecureTrackButtons.Value = 1;
    deck.List().SetSelected(1, true);
    deck.Form->PlayListDblClick();
    EXPECT_EQ(deck.List().GetCurrentPosition(), 0);
    EXPECT_EQ(deck.Message2(), "Player must be stopped");
    deck.Config.SecureTrackButtons.Value = 0;
    deck.Form->PlayListDblClick();
    EXPECT_EQ(deck.List().GetCurrentPosition(), 1);
    EXPECT_EQ(deck.State(), kVxPlaying);
}

TEST(MainFormPlaylist, PopupViewItemsSwitchTheCaptions) {
    TDeck deck({Q(MakeWav("Band_-_Song.wav", 100))});
    EXPECT_EQ(deck.List().GetSongInfo(0).Caption, "Band - Song");
    deck.Form->PopupViewFileNamesClick();
    EXPECT_EQ(deck.List().GetSongInfo(0).Caption, "Band_-_Song");
    deck.Form->PlaylistPopupPopup();
    EXPECT_TRUE(deck.Form->PopupViewFileNames->isChecked());
    EXPECT_FALSE(deck.Form->PopupOpen->isEnabled());
    deck.Form->PopupViewID3Click();
    EXPECT_EQ(deck.Config.ListShowFileNames.Value, 0);
}

TEST(MainFormSettings, DownMixSwapsTheKnobsAndFoldsToOneSide) {
    TDeck deck({Q(MakeWav("downmix.wav", 2000))});
    deck.Form->Balance->SetValue(40);
    deck.Config.DownMix.Value = 1;
    deck.Form->ApplySettings();
    EXPECT_FALSE(deck.Form->Balance->GetVisible());
    EXPECT_TRUE(deck.Form->DownMix->GetVisible());
    EXPECT_EQ(deck.System().Balance, 0);
    EXPECT_TRUE(deck.System().Meter.Downmix) << "the engine follows the knob on show";
    deck.Form->DownMix->SetValue(-1);
    EXPECT_EQ(deck.System().Balance, -100);
    EXPECT_EQ(deck.System().Meter.Mode, TVxVMetterDSPTAG::ModeLeft);
    // Applying the same settings again leaves the knobs alone.
    deck.Form->ApplySettings();
    EXPECT_EQ(deck.Form->DownMix->GetValue(), -1);
    // Unticked with the knob off centre: stereo again, centred as shown.
    deck.Config.DownMix.Value = 0;
    deck.Form->ApplySettings();
    EXPECT_TRUE(deck.Form->Balance->GetVisible());
    EXPECT_EQ(deck.Form->DownMix->GetValue(), 0);
    EXPECT_EQ(deck.System().Balance, 0);
    EXPECT_FALSE(deck.System().Meter.Downmix);
    EXPECT_EQ(deck.System().Meter.Mode, TVxVMetterDSPTAG::ModeNone);
}

TEST(MainFormSettings, DropsAreRefusedOnAirWithSecureDropFilesAndDuringAScan) {
    TDeck deck({Q(MakeWav("drops.wav", 3000))});
    EXPECT_TRUE(deck.Form->acceptDrops());
    deck.Config.SecureDropFiles.Value = 1;
    deck.Form->UpdateDropAcceptance(false);
    EXPECT_FALSE(deck.Form->acceptDrops());
    TDeck::Press(deck.Form->btnPlay);
    deck.Timer();
    EXPECT_TRUE(deck.Form->acceptDrops());

    // Playing with the fader down is not on air; raising it is, at once.
    deck.Form->Volume->SetValue(0);
    TDeck::Press(deck.Form->btnPlay);
    deck.Timer();
    ASSERT_EQ(deck.State(), kVxPlaying);
    EXPECT_TRUE(deck.Form->acceptDrops());
    deck.Form->Volume->SetValue(80);
    EXPECT_FALSE(deck.Form->acceptDrops());
    deck.Form->Volume->SetValue(0);
    EXPECT_TRUE(deck.Form->acceptDrops());

    deck.System().Enter();
    deck.List().AddFiles(MakeWav("during-scan.wav", 100), TZylPlaylist::kAppend);
    EXPECT_FALSE(deck.Form->acceptDrops());
    deck.System().Leave();
    deck.WaitForScan();
    EXPECT_TRUE(deck.Form->acceptDrops());
}

// A song that went bad after the scan: the message stays, the entry's length
// becomes 0 and the title shows the failure.
TEST(MainFormPlaylist, ASongThatCannotOpenLeavesLoadError) {
    const std::string good = MakeWav("still-good.wav", 3000);
    const std::string spoiled = MakeWav("spoiled.wav", 3000);
    TDeck deck({Q(good), Q(spoiled)});
    ASSERT_EQ(deck.List().GetSongInfo(1).Duration, 3000u);
    std::ofstream(spoiled, std::ios::trunc) << "no longer audio";
    TDeck::Click(deck.Form->btnNext);
    EXPECT_EQ(deck.List().GetCurrentPosition(), 1);
    EXPECT_EQ(deck.Message2(), "Load error!");
    EXPECT_EQ(deck.List().GetSongInfo(1).Duration, 0u);
    deck.Clock.Now += 20000;
    deck.Timer();
    EXPECT_EQ(deck.Message2(), "Load error!");
    EXPECT_EQ(deck.State(), kVxNoSong);
    EXPECT_NE(Caption(deck.Form->Title).find("spoiled"), std::string::npos);
}

TEST(MainFormPlaylist, ACancelledLoadConfirmationDiscardsTheDrop) {
    TDeck deck({Q(MakeWav("kept-a.wav", 300)), Q(MakeWav("kept-b.wav", 300))});
    deck.Config.ListConfirmLoad.Value = 1;
    ASSERT_TRUE(deck.List().GetModified());
    BoxAnswer() = 2;
    deck.Form->DropOnDeck({MakeWav("unwanted.wav", 300)}, QPoint(100, 100));
    deck.WaitForScan();
    ASSERT_EQ(RecordedBoxes().size(), 1u);
    EXPECT_EQ(RecordedBoxes()[0].Caption, "Load playlist confirm");
    EXPECT_EQ(RecordedBoxes()[0].Text,
              "Current playlist has changed and it will be lost, continue?");
    EXPECT_EQ(deck.List().GetCount(), 2);
    EXPECT_EQ(deck.System().SongLoaded, 1u);
}

// Without a bend the value display shows the song's tempo at the current
// pitch, following pitch moves at once; a bend's value still comes first,
// and a song without a beat (a sine) keeps the blank pattern.
TEST(MainForm, ValueDisplayShowsTheTempoAtThePitchAndBendsComeFirst) {
    TDeck deck;
    deck.Add({Q(MakeWav("tempo.wav", 3000))});
    ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
    deck.Run(40);
    ASSERT_TRUE(deck.Form->Tempo()->SongTempo().Known);
    EXPECT_EQ(Caption(deck.Form->LabelValue), "a ebbcbb");

    deck.Form->Tempo()->SetUserBpm(125);
    deck.Run(40);
    EXPECT_EQ(Caption(deck.Form->LabelValue), "a I25.00");
    const struct {
        int Pitch;
        const char* Shown;
    } pitches[] = {{8000, "a I35.00"}, {-10000, "a I12.50"}};
    for (const auto& p : pitches) {
        deck.Form->Pitch->SetValue(p.Pitch);
        EXPECT_EQ(Caption(deck.Form->LabelValue), p.Shown) << p.Pitch;
    }
    TDeck::Press(deck.Form->btnFast);
    deck.Run(100);
    EXPECT_EQ(Caption(deck.Form->LabelValue), "+ e0.50b");
    TDeck::Release(deck.Form->btnFast);
    deck.Run(40);
    EXPECT_EQ(Caption(deck.Form->LabelValue), "a I12.50");
}
