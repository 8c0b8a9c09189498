// Draws the deck as it looks while playing, from the real window and
// controls on the offscreen platform, into the PNG named on the command line
// (the README's picture). Usage: deck_picture SONG OUTPUT.png
#include "FormTestSupport.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SONG OUTPUT.png\n", argv[0]);
        return 2;
    }
    formtest::TDeck deck({QString::fromLocal8Bit(argv[1])});
    if (!deck.Created || deck.List().GetCount() == 0) {
        std::fprintf(stderr, "the song did not load\n");
        return 1;
    }
    // A steady time display and the title bar of the active window.
    deck.Config.DisplayBlink.Value = 0;
    deck.Form->FormActivate();
    deck.Form->Pitch->SetValue(2350);
    // The song's tempo is in the picture.
    deck.Form->Tempo()->WaitIdle(60000);
    deck.Run(2600);
    deck.Timer();
    const QPixmap picture = deck.Form->grab(QRect(0, 0, 384, 222));
    return picture.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
