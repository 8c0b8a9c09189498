// Draws the deck with its playlist panel shown, from the real window on the
// offscreen platform, into the PNG named on the command line (the README's
// second picture): the song playing first, then a few dozen songs of a set.
// Usage: deck_playlist_picture SONG OUTPUT.png
#include "FormTestSupport.h"

#include "playlist/view/ZylPlaylistPanel.h"

#include <cstdio>

namespace {

// A silent low-rate WAV file that lasts seconds: its length is all the
// list shows of it.
std::string MakeSilentSong(const std::string& name, std::uint32_t seconds) {
    const formtest::fs::path path = formtest::WorkDir() / "set" / (name + ".wav");
    formtest::fs::create_directories(path.parent_path());
    constexpr std::uint32_t kRate = 2000;
    const std::uint32_t bytes = kRate * seconds;
    std::ofstream out(path, std::ios::binary);
    formtest::WriteWavHeader(out, 1, kRate, 8, bytes);
    out << std::string(bytes, '\x80');
    return path.string();
}

const struct {
    const char* Name;
    std::uint32_t Seconds;
} kSet[] = {
    {"Nova Drift - Midnight Circuit", 412},
    {"Kaleo Park - Paper Satellites", 377},
    {"The Lumen Choir - Glass Harbour", 295},
    {"Orbit Sisters - Velvet Static", 451},
    {"Dune Arcade - Neon Monsoon", 338},
    {"Marlow Vane - Low Tide Lights", 264},
    {"Circuit Saints - Afterhours", 503},
    {"Juno Ferris - Copper Sky (Extended Mix)", 426},
    {"Hollow Pines - Slow Orbit", 281},
    {"Sable & Moth - Night Ferry", 364},
    {"Ivory Tower Sound - Daybreak Run", 397},
    {"Pelican Radio - Summer Glide", 312},
    {"Tessa Crane - Magnetic", 289},
    {"Analog Fields - Wavelength", 445},
    {"Rio Kessler - Deep End", 378},
    {"Golden Hour Club - Arrivals", 331},
    {"Mira Sol - Parallel Lines", 402},
    {"Cold Harbour - Ghost Signal", 356},
    {"Brass Lantern - Late Bloom", 274},
    {"Echo Garden - Vapour Trails", 418},
    {"Northbound Trio - Lantern Dance", 346},
    {"Silk Road Sound - Caravan", 389},
    {"Vela Quartz - Night Swim", 301},
    {"Lowland Drive - Horizon", 433},
    {"Pale Comet - Tidal", 325},
    {"Opal District - Heatwave", 367},
    {"Fennel & Frost - Winter Disco", 298},
    {"Static Bloom - Outro", 240},
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SONG OUTPUT.png\n", argv[0]);
        return 2;
    }
    QStringList songs{QString::fromLocal8Bit(argv[1])};
    formtest::EnsureApplication();
    for (const auto& song : kSet)
        songs << QString::fromStdString(MakeSilentSong(song.Name, song.Seconds));
    formtest::TDeck deck(songs);
    if (!deck.Created || deck.List().GetCount() != static_cast<int>(songs.size())) {
        std::fprintf(stderr, "the songs did not load\n");
        return 1;
    }
    deck.Config.DisplayBlink.Value = 0;
    deck.Form->SetPlaylistShown(true);
    deck.Form->show();
    deck.Form->FormActivate();
    deck.Form->Pitch->SetValue(2350);
    // The song's tempo and key, and the list's, are in the picture.
    deck.Form->Tempo()->WaitIdle(60000);
    deck.Run(2600);
    deck.Timer();
    // The next song picked out, the way a DJ queues it.
    deck.List().SetSelected(3, true);
    deck.List().SetFocused(3);
    deck.List().UpdateListItems(false);
    QCoreApplication::processEvents();
    const QPixmap picture = deck.Form->grab(deck.Form->mask().boundingRect());
    formtest::fs::remove_all(formtest::WorkDir() / "set");
    return picture.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
