#include "disc_layout.h"

namespace discgen {

namespace {

// Equal temperament from A4 = 440 Hz; n semitones from A4.
double Pitch(int semitonesFromA4)
{
    double f = 440.0;
    for (int i = 0; i < semitonesFromA4; ++i)
        f *= 1.0594630943592953;
    for (int i = 0; i > semitonesFromA4; --i)
        f /= 1.0594630943592953;
    return f;
}

// Semitones from A4 of the notes used.
enum : int {
    C4 = -9,
    D4 = -7,
    E4 = -5,
    F4 = -4,
    G4 = -2,
    A4 = 0,
    B4 = 2,
    C5 = 3,
    D5 = 5,
    E5 = 7,
    G5 = 10,
    C3 = -21,
    G3 = -14,
    F3 = -16,
    A3 = -12
};

Note N(int pitch, int sixteenths)
{
    return {{Pitch(pitch)}, sixteenths};
}

Note Chord(std::initializer_list<int> pitches, int sixteenths)
{
    Note note;
    for (int p : pitches)
        note.frequencies.push_back(Pitch(p));
    note.sixteenths = sixteenths;
    return note;
}

int32_t Sectors(int seconds, int frames)
{
    return seconds * kFramesPerSecond + frames;
}

Track Audio(std::string title, int32_t sectors, std::vector<Note> notes, double tempo, int timbre, double pan)
{
    Track track;
    track.sectors = sectors;
    track.title = std::move(title);
    track.notes = std::move(notes);
    track.tempo = tempo;
    track.timbre = timbre;
    track.pan = pan;
    return track;
}

Track Data(int32_t sectors)
{
    Track track;
    track.audio = false;
    track.sectors = sectors;
    track.title = "Data";
    return track;
}

} // namespace

Disc DemoDisc()
{
    return {"demo",
            {
                Audio("Ouverture en do", Sectors(20, 17),
                      {Chord({C4, E4, G4}, 8), Chord({F3, A3, C4}, 8), Chord({G3, B4 - 12, D4}, 8),
                       Chord({C4, E4, G4, C5}, 8)},
                      96, 0, -0.3),
                Audio("Carillon", Sectors(7, 40),
                      {N(E5, 2), N(C5, 2), N(D5, 2), N(G4, 6), N(G4, 2), N(D5, 2), N(E5, 2), N(C5, 6)}, 132,
                      1, 0.4),
                Audio("Promenade sous les tilleuls", Sectors(64, 5),
                      {N(C4, 2), N(D4, 2), N(E4, 2), N(F4, 2), N(G4, 4), N(A4, 2), N(G4, 2), N(E4, 4),
                       N(C4, 4), N(D4, 2), N(F4, 2), N(E4, 2), N(D4, 2), N(C4, 8)},
                      110, 2, 0.0),
                Audio("Accords d'\xE9t\xE9", Sectors(31, 62),
                      {Chord({A3, C4, E4}, 6), Chord({F3, A3, C4}, 6), Chord({C4, E4, G4}, 6),
                       Chord({G3, B4 - 12, D4}, 6)},
                      84, 3, -0.1),
                Audio("Coda br\xE8ve", Sectors(12, 3),
                      {N(C5, 1), N(G4, 1), N(E4, 1), N(C4, 1), N(E4, 1), N(G4, 1), N(C5, 2)}, 100, 4, 0.2),
            },
            {},
            {}};
}

Disc MixedModeDisc()
{
    return {"mixed",
            {
                Data(Sectors(8, 0)),
                Audio("Premier air", Sectors(5, 10), {N(A4, 4), N(E5, 4)}, 120, 0, 0.0),
                Audio("Second air", Sectors(6, 0), {N(C4, 2), N(G4, 2)}, 120, 2, 0.0),
            },
            {},
            {}};
}

Disc EnhancedDisc()
{
    return {"enhanced",
            {
                Audio("Plage un", Sectors(6, 0), {N(D4, 4), N(A4, 4)}, 120, 1, 0.0),
                Audio("Plage deux", Sectors(8, 20), {Chord({C4, E4, G4}, 8)}, 90, 3, 0.0),
                Data(Sectors(8, 0)),
            },
            {},
            {}};
}

Disc OneTrackDisc()
{
    return {"onetrack", {Audio("Seule", Sectors(9, 0), {N(G4, 4), N(C5, 4)}, 120, 2, 0.0)}, {}, {}};
}

Disc LongDisc(int Minutes)
{
    // Twelve tracks of unequal lengths, as on an album, filling the minutes asked.
    const int shares[12] = {9, 7, 11, 8, 6, 10, 12, 7, 9, 5, 8, 8};
    const int32_t whole = Sectors(Minutes * 60, 0);
    Disc disc{"long", {}, {}, {}};
    for (int n = 0; n < 12; ++n)
        disc.tracks.push_back(Audio("Mouvement " + std::to_string(n + 1), whole * shares[n] / 100,
                                    {Chord({C4 + n, E4, G4}, 6), N(A4 - n, 2), Chord({F3, A3 + n, C4}, 4),
                                     N(G4 + n, 2), N(E5 - n, 2)},
                                    90 + 4 * n, n % 5, (n % 3 - 1) * 0.3));
    return disc;
}

Disc ContentsDisc()
{
    Disc disc{"contents",
              {
                  Audio("Lever du jour", Sectors(8, 0), {N(C4, 4), N(E4, 4), N(G4, 8)}, 100, 0, -0.2),
                  Audio("Ronde", Sectors(7, 0), {N(G4, 2), N(A4, 2), N(B4, 2), N(C5, 6)}, 126, 1, 0.3),
                  Audio("\xC9t\xE9 \xE0 la plage", Sectors(6, 0),
                        {Chord({C4, E4, G4}, 6), Chord({F3, A3, C4}, 6)}, 90, 3, 0.0),
                  Audio("Interm\xE8"
                        "de",
                        Sectors(5, 0), {N(E5, 2), N(D5, 2), N(C5, 4)}, 140, 4, 0.1),
                  Audio("Cr\xE9puscule", Sectors(6, 0), {N(A3, 4), N(C4, 4), N(E4, 8)}, 80, 2, -0.1),
              },
              "0731453412729",
              {}};
    std::vector<Track> &tracks = disc.tracks;
    tracks[0].pregap = Sectors(6, 0); // the hidden track
    tracks[1].pregap = Sectors(2, 0);
    tracks[2].pregap = Sectors(1, 30);
    tracks[4].pregap = Sectors(2, 0);
    tracks[0].isrc = "FRZ032600001";
    tracks[1].isrc = "FRZ032600002";
    tracks[2].isrc = "FRZ032600003";
    tracks[4].isrc = "FRZ032600005";
    tracks[1].preEmphasis = true;
    tracks[2].copy = true;
    TextBlock english{0x09, 0x00, "Disque des contenus", "Orchestre de d\xE9monstration", {}};
    for (const Track &track : tracks)
        english.titles.push_back(track.title);
    // Natsu no oto, played by Ensōdan: "one" to "five".
    TextBlock japanese{0x69,
                       0x80,
                       "\x89\xC4\x82\xCC\x89\xB9",
                       "\x89\x89\x91\x74\x92\x63",
                       {"\x88\xEA", "\x93\xF1", "\x8E\x4F", "\x8E\x6C", "\x8C\xDC"}};
    disc.text = {english, japanese};
    return disc;
}

DemoMetadata DemoDiscMetadata()
{
    return {"Orchestre de d\xE9monstration", "Disque de d\xE9monstration", "2026", "Classique", "misc"};
}

} // namespace discgen
