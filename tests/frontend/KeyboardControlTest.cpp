// Keyboard control of the real deck on the offscreen platform: key messages
// go through the toolkit to the window, whose keyboard reader turns them
// into button presses.
#include "FormTestSupport.h"

#include "frontend/VxKeyMap.h"
#include "frontend/VxKeyTranslate.h"
#include "tests/decoding/SlowReads.h"

#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

using namespace formtest;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The deck with the keyboard reader installed, shown and active.
class TKeyDeck : public TDeck {
public:
    TKeyDeck() {
        VxKeyboardReset();
        auto keyboard = std::make_unique<TVxKeyboardControl>([this] { ++Launches; });
        Keyboard = keyboard.get();
        Form->SetKeyboard(std::move(keyboard));
        Keyboard->Start(*Form);
        Activate(Form.get());
    }

    static void Activate(QWidget* window) {
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }

    // Key messages as the toolkit delivers them, without a native scan code.
    static void Send(QWidget* widget, QEvent::Type type, Qt::Key key,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool autoRepeat = false) {
        QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(widget, &event);
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Send(Form.get(), QEvent::KeyPress, key, modifiers);
    }
    void Release(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Send(Form.get(), QEvent::KeyRelease, key, modifiers);
    }
    void Repeat(Qt::Key key) { Send(Form.get(), QEvent::KeyPress, key, Qt::NoModifier, true); }

    TVxKeyboardControl* Keyboard = nullptr;
    int Launches = 0;
};

TEST(KeyTranslation, NativeKeyCodesAndToolkitKeysGiveTheSameCodes) {
    struct TCase {
        std::uint32_t X11; // evdev code + 8
        int Key;
        bool Keypad;
        std::uint8_t Code;
    };
    for (const TCase& c :
         {TCase{65, Qt::Key_Space, false, 57}, TCase{105, Qt::Key_Control, false, 157},
          TCase{108, Qt::Key_AltGr, false, 184}, TCase{104, Qt::Key_Enter, true, 156},
          TCase{90, Qt::Key_0, true, 82}, TCase{86, Qt::Key_Plus, true, 78},
          TCase{106, Qt::Key_Slash, true, 181}, TCase{111, Qt::Key_Up, false, 200},
          TCase{117, Qt::Key_PageDown, false, 209}, TCase{96, Qt::Key_F12, false, 88},
          TCase{49, Qt::Key_AsciiTilde, false, 41}}) {
        EXPECT_EQ(VxKeyFromX11KeyCode(c.X11), c.Code) << "X11 key code " << c.X11;
        if (c.Key != Qt::Key_Control) { // the toolkit names no side
            EXPECT_EQ(VxKeyFromToolkitKey(c.Key, c.Keypad), c.Code) << "key " << std::hex << c.Key;
        }
    }
    // The main block's digits and signs are other keys than the keypad's.
    EXPECT_EQ(VxKeyFromToolkitKey(Qt::Key_0, false), 11);
    EXPECT_EQ(VxKeyFromToolkitKey(Qt::Key_Plus, false), 13);
    EXPECT_EQ(VxKeyFromX11KeyCode(8), 0);
    EXPECT_EQ(VxKeyFromX11KeyCode(255), 0);
    EXPECT_EQ(VxKeyFromToolkitKey(Qt::Key_Launch0, false), 0);
}

// An open from a slow medium runs while the window's events go on: the
// window shows it loading, ESC gives the open up at once, even while its
// read still hangs, and the deck has no song.
TEST(KeyboardControl, EscAbortsASlowOpen) {
    TKeyDeck deck;
    const fs::path slow = WorkDir() / "songs" / "slow.mp3";
    fs::copy_file(fs::path(VX_TEST_DATA_DIR) / "mpeg" / "vbr_xing.mp3", slow,
                  fs::copy_options::overwrite_existing);
    deck.Add({Q(MakeWav("before-slow.wav", 3000)), Q(slow.string())});
    ASSERT_EQ(deck.System().SongLoaded, 1u);
    std::string shownWhileLoading;
    // The gate holds every thread's reads: the tempo worker, which reads the
    // list's songs too, must be done before it closes.
    ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
    const std::shared_ptr<TVxTickLink> link = deck.System().TickLink();
    auto gate = std::make_unique<TReadGate>();
    QTimer::singleShot(0, [&] {
        gate->WaitForAReader();
        shownWhileLoading = deck.Message2();
        deck.Press(Qt::Key_Escape);
        deck.Release(Qt::Key_Escape);
    });
    // Should ESC wait for the read after all, this guard lets the read go
    // so that the test fails instead of hanging.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] { gate->Release(); });
    guard.start(20000);
    TDeck::Click(deck.Form->btnNext);
    EXPECT_TRUE(guard.isActive()) << "ESC waited for the hung read";
    EXPECT_FALSE(deck.System().IsOpening());
    gate->Release();
    while (link.use_count() > 2) // the opening thread lets go of the link last
        std::this_thread::yield();
    gate.reset();
    EXPECT_EQ(shownWhileLoading, "Loading...");
    EXPECT_EQ(deck.Message2(), "Loading aborted");
    EXPECT_EQ(deck.System().SongLoaded, 0u);
    EXPECT_EQ(deck.State(), kVxNoSong);
    EXPECT_EQ(deck.List().GetSongInfo(1).Duration, 2037u); // the scan's length stays
}

TEST(KeyboardControl, HoldingSpaceGivesOnePlayOrCue) {
    TKeyDeck deck;
    deck.Config.PlayWhenOpen.Value = 0;
    deck.Add({Q(MakeWav("space.wav", 3000))});
    ASSERT_EQ(deck.State(), kVxPaused);
    deck.Press(Qt::Key_Space);
    for (int i = 0; i < 5; ++i)
        deck.Repeat(Qt::Key_Space);
    EXPECT_EQ(deck.State(), kVxPlaying);
    deck.Release(Qt::Key_Space);
    EXPECT_EQ(deck.State(), kVxPlaying);
    // The next press of the key is the next PlayOrCue: back to the cue.
    deck.Press(Qt::Key_Space);
    deck.Release(Qt::Key_Space);
    EXPECT_EQ(deck.State(), kVxCued);
}

TEST(KeyboardControl, KeypadZeroHeldWhileCuedPlaysUntilReleased) {
    TKeyDeck deck;
    deck.Config.PlayWhenOpen.Value = 0;
    deck.Add({Q(MakeWav("cue.wav", 3000))});
    deck.System().SetState(kVxCued);
    ASSERT_EQ(deck.State(), kVxCued);
    ASSERT_NE(deck.Config.PioneerCueKey.Value, 0);

    deck.Press(Qt::Key_0, Qt::KeypadModifier);
    EXPECT_TRUE(deck.Form->btnCUE->GetHeld());
    EXPECT_EQ(deck.State(), kVxCuePlaying);
    deck.Run(400);
    EXPECT_GT(deck.PositionMs(), 200u);
    deck.Release(Qt::Key_0, Qt::KeypadModifier);
    EXPECT_FALSE(deck.Form->btnCUE->GetHeld());
    EXPECT_EQ(deck.State(), kVxCued);
    EXPECT_LT(deck.PositionMs(), 50u);

    // The digit 0 of the main block is watched but does nothing.
    deck.Press(Qt::Key_0);
    EXPECT_EQ(deck.State(), kVxCued);
    EXPECT_FALSE(deck.Form->btnCUE->GetHeld());
}

TEST(KeyboardControl, AltF4ClosesOnlyWithTheLeftAlt) {
    TKeyDeck deck;
    deck.Press(Qt::Key_AltGr);
    EXPECT_EQ(deck.Form->Modifiers, TMainForm::kAlt);
    deck.Press(Qt::Key_F4);
    deck.Release(Qt::Key_F4);
    deck.Release(Qt::Key_AltGr);
    EXPECT_TRUE(deck.Form->isVisible());
    EXPECT_EQ(deck.Form->Modifiers, 0u);

    deck.Press(Qt::Key_Alt);
    deck.Press(Qt::Key_F4);
    EXPECT_FALSE(deck.Form->isVisible());
}

TEST(KeyboardControl, DeactivatingWhileRightIsHeldReleasesFastForward) {
    TKeyDeck deck;
    deck.Add({Q(MakeWav("ff.wav", 5000))});
    ASSERT_EQ(deck.State(), kVxPlaying);
    deck.Press(Qt::Key_Control);
    deck.Press(Qt::Key_Right);
    ASSERT_TRUE(deck.Form->btnFF->GetHeld());
    EXPECT_EQ(deck.State(), kVxSearching);

    QWidget other;
    TKeyDeck::Activate(&other);
    EXPECT_FALSE(deck.Form->btnFF->GetHeld());
    EXPECT_EQ(deck.Form->Modifiers, 0u);

    // Back in front, the keys that were let go elsewhere are not held, and
    // the next key is read as usual.
    TKeyDeck::Activate(deck.Form.get());
    deck.Press(Qt::Key_Left);
    EXPECT_FALSE(deck.Form->btnFF->GetHeld());
    EXPECT_TRUE(deck.Form->btnRW->GetHeld());
    EXPECT_EQ(deck.Form->Modifiers, 0u);
    deck.Release(Qt::Key_Left);
}

TEST(KeyboardControl, AKeyLetGoInAPopupMenuLetsItsButtonGo) {
    TKeyDeck deck;
    deck.Add({Q(MakeWav("popup.wav", 5000))});
    deck.Press(Qt::Key_Right);
    ASSERT_TRUE(deck.Form->btnFF->GetHeld());

    // The list's menu takes the keys while the deck stays the active window.
    QMenu menu(deck.Form.get());
    menu.addAction(QStringLiteral("item"));
    menu.popup(deck.Form->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(deck.Form->isActiveWindow());
    TKeyDeck::Send(&menu, QEvent::KeyRelease, Qt::Key_Right);
    EXPECT_FALSE(deck.Form->btnFF->GetHeld());
    // A key pressed in the menu is the menu's own.
    TKeyDeck::Send(&menu, QEvent::KeyPress, Qt::Key_Left);
    EXPECT_FALSE(deck.Form->btnRW->GetHeld());
    TKeyDeck::Send(&menu, QEvent::KeyRelease, Qt::Key_Left);
    menu.close();
    deck.Press(Qt::Key_Right);
    EXPECT_TRUE(deck.Form->btnFF->GetHeld());
    deck.Release(Qt::Key_Right);
}

TEST(KeyboardControl, ModifierKeysFeedTheBendAndSearchKinds) {
    TKeyDeck deck;
    deck.Config.PlayWhenOpen.Value = 0;
    deck.Add({Q(MakeWav("kinds.wav", 5000))});
    TVxPitchInfo info;

    struct TCase {
        Qt::Key Modifier;
        Qt::KeyboardModifiers Flags;
        int SlideStep;
    };
    for (const TCase& c :
         {TCase{Qt::Key_Shift, Qt::NoModifier, 10}, TCase{Qt::Key_Control, Qt::NoModifier, 100}}) {
        deck.Press(c.Modifier);
        deck.Press(Qt::Key_Up);
        deck.Run(20);
        deck.System().GetPitchInfo(info);
        EXPECT_EQ(info.SlideStep, c.SlideStep);
        deck.Release(Qt::Key_Up);
        deck.Release(c.Modifier);
    }
    EXPECT_EQ(deck.Form->Modifiers, 0u);

    // Alt without the accurate pitch: the bend keys do nothing.
    deck.Form->LedPitchDblClick();
    deck.Press(Qt::Key_Alt);
    deck.Press(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_TRUE(deck.Form->btnSlow->GetHeld());
    deck.Run(200);
    deck.System().GetPitchInfo(info);
    EXPECT_EQ(info.Pitch, 0);
    EXPECT_EQ(info.Bend, 0);
    deck.Release(Qt::Key_Minus, Qt::KeypadModifier);
    deck.Release(Qt::Key_Alt);

    // The search steps: 10 ms with Shift, one second with Shift and Ctrl.
    struct TSearchCase {
        std::vector<Qt::Key> Modifiers;
        std::uint32_t Step;
    };
    for (const TSearchCase& c :
         {TSearchCase{{Qt::Key_Shift}, 10}, TSearchCase{{Qt::Key_Shift, Qt::Key_Control}, 1000}}) {
        for (Qt::Key modifier : c.Modifiers)
            deck.Press(modifier);
        const std::uint32_t before = deck.PositionMs();
        deck.Press(Qt::Key_Right);
        // One or two steps of the fixed search (the first comes at once when
        // the deck is searching already).
        deck.Run(200);
        const std::uint32_t moved = deck.PositionMs() - before;
        EXPECT_TRUE(moved == c.Step || moved == 2 * c.Step) << moved;
        deck.Release(Qt::Key_Right);
        for (Qt::Key modifier : c.Modifiers)
            deck.Release(modifier);
    }
}

TEST(KeyboardControl, VolumeKeysStepUntilReleased) {
    TKeyDeck deck;
    TZylSlider* volume = deck.Form->Volume;
    ASSERT_EQ(volume->GetValue(), 100);
    deck.Press(Qt::Key_Minus);
    EXPECT_EQ(volume->GetValue(), 95);
    volume->TimerTick();
    EXPECT_EQ(volume->GetValue(), 90);
    EXPECT_EQ(deck.System().Volume, 90);
    deck.Release(Qt::Key_Minus);
    volume->TimerTick();
    EXPECT_EQ(volume->GetValue(), 90);

    // Shift steps by one; the releasing key of the other direction does not
    // stop the running step.
    deck.Press(Qt::Key_Shift);
    deck.Press(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(volume->GetValue(), 91);
    deck.Press(Qt::Key_Slash, Qt::KeypadModifier);
    EXPECT_EQ(volume->GetValue(), 90);
    deck.Release(Qt::Key_Asterisk, Qt::KeypadModifier);
    volume->TimerTick();
    EXPECT_EQ(volume->GetValue(), 89);
    deck.Release(Qt::Key_Slash, Qt::KeypadModifier);
    volume->TimerTick();
    EXPECT_EQ(volume->GetValue(), 89);
}

TEST(KeyboardControl, CtrlNStartsAnotherCopyFromAnyWidgetOfTheWindow) {
    TKeyDeck deck;
    deck.Press(Qt::Key_N);
    deck.Release(Qt::Key_N);
    EXPECT_EQ(deck.Launches, 0);
    deck.Press(Qt::Key_Control);
    // The playlist's view has the focus: the window still previews the keys.
    TKeyDeck::Send(deck.Form->PlayList, QEvent::KeyPress, Qt::Key_N);
    EXPECT_EQ(deck.Launches, 1);
}

} // namespace

// B tapped in time sets the tempo the user hears: the display shows it as
// tapped, the song keeps it at its own speed, and a pause starts afresh.
TEST(KeyboardControl, TappingBSetsTheTempoHeardAtThePitch) {
    TKeyDeck deck;
    deck.Add({Q(MakeWav("tap.wav", 3000))});
    ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
    deck.Form->Pitch->SetValue(8000);
    auto tap = [&](unsigned afterMs) {
        deck.Clock.Now += afterMs;
        deck.Press(Qt::Key_B);
        deck.Release(Qt::Key_B);
        return deck.Form->LabelValue->GetCaption().toStdString();
    };
    EXPECT_EQ(tap(0), "a ebbcbb");
    tap(500);
    tap(520);
    EXPECT_EQ(tap(480), "a I20.00");
    EXPECT_NEAR(deck.Form->Tempo()->SongTempo().Bpm, 120 / 1.08, 0.001);
    tap(2500);
    EXPECT_EQ(tap(600), "a I00.00");
}

// Taps heard before a song change or a pitch change are not averaged with
// the taps after it: the next tap begins a run and stores nothing.
TEST(KeyboardControl, TheNextSongOrPitchStartsTheTapsAfresh) {
    const struct {
        const char* Change;
        std::function<void(TKeyDeck&)> Make;
        double SongBpmAfter;
        bool TappedAfter;
    } cases[] = {
        {"next song", [](TKeyDeck& d) { TDeck::Click(d.Form->btnNext); }, 0, false},
        {"pitch", [](TKeyDeck& d) { d.Form->Pitch->SetValue(8000); }, 120, true},
    };
    for (const auto& c : cases) {
        TKeyDeck deck;
        const std::string prefix = std::string("tap-") + c.Change[0];
        deck.Add({Q(MakeWav(prefix + "-one.wav", 3000)), Q(MakeWav(prefix + "-two.wav", 3000))});
        ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
        for (unsigned afterMs : {0, 500, 500, 500}) {
            deck.Clock.Now += afterMs;
            deck.Press(Qt::Key_B);
            deck.Release(Qt::Key_B);
        }
        ASSERT_NEAR(deck.Form->Tempo()->SongTempo().Bpm, 120, 0.001) << c.Change;
        c.Make(deck);
        ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
        deck.Clock.Now += 1900;
        deck.Press(Qt::Key_B);
        deck.Release(Qt::Key_B);
        ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
        const TVxSongTempo tempo = deck.Form->Tempo()->SongTempo();
        EXPECT_EQ(tempo.Tapped, c.TappedAfter) << c.Change;
        EXPECT_NEAR(tempo.Bpm, c.SongBpmAfter, 0.001) << c.Change;
    }
}

// With the shown list holding the focus, the list takes its own keys and
// every other key still plays the deck.
TEST(KeyboardControl, TheFocusedListTakesItsKeysAndLeavesTheDeckItsOwn) {
    TKeyDeck deck;
    deck.Config.PlayWhenOpen.Value = 0;
    deck.Add({Q(MakeWav("k-one.wav", 3000)), Q(MakeWav("k-two.wav", 3000)),
              Q(MakeWav("k-three.wav", 3000)), Q(MakeWav("k-four.wav", 3000))});
    deck.Form->SetPlaylistShown(true);
    TZylPlaylistView* list = deck.Form->PlayList;
    TZylPlaylist& songs = deck.List();
    // Without the focus the list leaves the paging keys to the deck's tracks.
    deck.Press(Qt::Key_PageDown);
    deck.Release(Qt::Key_PageDown);
    ASSERT_EQ(songs.GetCurrentPosition(), 1);
    list->setFocus();
    auto send = [&](QEvent::Type type, Qt::Key k, const QString& text, Qt::KeyboardModifiers mods) {
        QKeyEvent event(type, k, mods, text);
        QApplication::sendEvent(list, &event);
    };
    auto key = [&](Qt::Key k, const QString& text = {}, Qt::KeyboardModifiers mods = {}) {
        send(QEvent::KeyPress, k, text, mods);
        send(QEvent::KeyRelease, k, text, mods);
    };
    auto focusedName = [&] {
        return fs::path(songs.GetSongInfo(songs.GetFocused()).FileName).stem().string();
    };
    // The paging keys page through the list; the deck's song stays.
    songs.SetFocused(0);
    key(Qt::Key_PageDown);
    EXPECT_EQ(focusedName(), "k-four");
    key(Qt::Key_PageUp);
    EXPECT_EQ(focusedName(), "k-one");
    EXPECT_EQ(songs.GetCurrentPosition(), 1);
    send(QEvent::KeyPress, Qt::Key_Down, {}, {});
    EXPECT_EQ(focusedName(), "k-two");
    EXPECT_FALSE(deck.Form->btnSlow->GetHeld()); // no bend
    send(QEvent::KeyRelease, Qt::Key_Down, {}, {});
    key(Qt::Key_H, QStringLiteral("h"));
    EXPECT_EQ(focusedName(), "k-three");
    songs.SetSelected(2, false);
    songs.SetSelected(3, true);
    key(Qt::Key_Return);
    EXPECT_EQ(songs.GetCurrentPosition(), 3);
    key(Qt::Key_A, QStringLiteral("a"), Qt::ControlModifier);
    EXPECT_EQ(songs.GetSelectedCount(), 4);
    songs.SetSelected(0, false);
    songs.SetSelected(1, false);
    songs.SetSelected(3, false);
    key(Qt::Key_Delete);
    EXPECT_EQ(songs.GetCount(), 3);

    ASSERT_EQ(deck.State(), kVxPaused);
    key(Qt::Key_Space, QStringLiteral(" "));
    EXPECT_EQ(deck.State(), kVxPlaying);
    key(Qt::Key_P, QStringLiteral("p"));
    EXPECT_FALSE(deck.Form->PlaylistShown());
    key(Qt::Key_P, QStringLiteral("p"));
    EXPECT_TRUE(deck.Form->PlaylistShown());
}

TEST(KeyboardControl, KSwitchesKeyLockWithItsLampAndSetting) {
    TKeyDeck deck;
    for (const bool on : {true, false}) {
        deck.Press(Qt::Key_K);
        deck.Release(Qt::Key_K);
        EXPECT_EQ(deck.Form->System().IsKeyLocked(), on);
        EXPECT_EQ(deck.Form->btnKeyLock->GetStatus(), on ? 1 : 0);
        EXPECT_EQ(deck.Config.KeyLock.Value, on ? 1 : 0);
    }
}

// V turns the value display from the tempo to the song's key (its wheel
// number, named in full on the message line) to its loudness and back. The
// song is a tone of A at -12.25 dBFS in both channels: -12.9 LUFS.
TEST(KeyboardControl, VCyclesTheValueDisplayThroughTempoKeyAndLoudness) {
    TKeyDeck deck;
    deck.Add({Q(MakeWav("value-display.wav", 3000))});
    ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
    deck.Run(40);
    const int key = deck.Form->Tempo()->SongTempo().Key;
    ASSERT_EQ(VxKeyTonic(key), 9);
    const std::string camelot = VxIsMinor(key) ? "8A" : "11B";
    auto press = [&] {
        deck.Press(Qt::Key_V);
        deck.Release(Qt::Key_V);
        return deck.Form->LabelValue->GetCaption().toStdString() + " | " + deck.Message2();
    };
    EXPECT_EQ(press(), (VxIsMinor(key) ? "a eb8cbb" : "a e11cbb") + std::string(" | Key: ") +
                           VxKeyName(key) + " " + camelot);
    EXPECT_EQ(press(), "- e12.9b | Loudness: -12.9 LUFS, true peak -12.2 dBTP");
    // The tone has no beat: the tempo's blank.
    EXPECT_EQ(press(), "a ebbcbb | Tempo at the current pitch");
}
