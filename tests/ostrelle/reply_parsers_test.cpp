// The CDDB reply parsers on well-formed and malformed replies: fields stay inside their lines,
// nothing is read past the end of the text.

#include "cddb_reply_parsers.h"

#include <gtest/gtest.h>

using namespace ostrelle;

namespace {

std::vector<std::string> Lines(std::string_view text)
{
    TLineReader reader(text);
    std::vector<std::string> lines;
    for (std::string_view line; reader.Next(line);)
        lines.emplace_back(line);
    return lines;
}

} // namespace

TEST(LineReader, AcceptsEveryLineEnd)
{
    EXPECT_EQ(Lines("a\r\nbc\ndef\rg"), (std::vector<std::string>{"a", "bc", "def", "g"}));
    EXPECT_EQ(Lines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(Lines("x\r"), (std::vector<std::string>{"x"}));
    EXPECT_TRUE(Lines("").empty());
}

TEST(MatchParsing, ExactMatchLine)
{
    const auto noSlash = ParseExactMatch("200 misc 00000000 Untitled\n");
    EXPECT_EQ(noSlash.Artist, "Untitled");
    EXPECT_EQ(noSlash.Title, "Untitled");

    // Split at the first " / ", else at the first slash; the spaces around it belong to neither part.
    const auto twoSlashes = ParseMatchLine("rock 1 AC/DC / Back / Black");
    EXPECT_EQ(twoSlashes.Artist, "AC/DC");
    EXPECT_EQ(twoSlashes.Title, "Back / Black");
    const auto tight = ParseMatchLine("rock 1 A/B/C");
    EXPECT_EQ(tight.Artist, "A");
    EXPECT_EQ(tight.Title, "B/C");
    const auto escaped = ParseMatchLine("rock 1 A\\\\B / C\\tD");
    EXPECT_EQ(escaped.Artist, "A\\B");
    EXPECT_EQ(escaped.Title, "C\tD");
}

TEST(MatchParsing, MissingFieldsGiveEmptyTexts)
{
    for (const char *reply : {"200", "200 ", "200 rock", "200 rock\r\nnext line / x\r\n"}) {
        const auto m = ParseExactMatch(reply);
        EXPECT_EQ(m.DiscId, "") << reply;
        EXPECT_EQ(m.Title, "") << reply;
    }
    EXPECT_EQ(ParseExactMatch("200 rock 1234\r\nnext / x").Artist, "");
}

TEST(MatchParsing, List)
{
    const char *reply = "211 Found inexact matches, list follows (until terminating `.')\r\n"
                        "rock 11111111 A / One\r\n"
                        "jazz 22222222 B / Two\r\n"
                        "misc 33333333 C\r\n"
                        ".\r\n"
                        "blues 44444444 after / the end\r\n";
    const auto matches = ParseMatchList(reply);
    ASSERT_EQ(matches.size(), 3u);
    EXPECT_EQ(matches[1].Category, "jazz");
    EXPECT_EQ(matches[1].Title, "Two");
    EXPECT_EQ(matches[2].Artist, "C");

    // LF-only lines, no terminating "." and a last line without an end.
    const auto loose = ParseMatchList("210 list\nrock 1 A / B\n\nfolk 2 C / D");
    ASSERT_EQ(loose.size(), 2u);
    EXPECT_EQ(loose[0].Title, "B");
    EXPECT_EQ(loose[1].Title, "D");

    EXPECT_TRUE(ParseMatchList("211 status line only").empty());
    EXPECT_TRUE(ParseMatchList("211 x\r\n0 is not a category\r\n").empty());
}

TEST(EntryParsing, AbsentAndSurplusGroups)
{
    const auto entry =
        ParseEntry("210 x\nTTITLE0=A\nTTITLE1=B\nEXTT0=a\nEXTT1=b\nEXTT2=no track\nEXTT3=none\n.\n");
    ASSERT_EQ(entry.TrackExtData.size(), 2u);
    EXPECT_EQ(entry.TrackExtData[1], std::optional<std::string>("b"));
    EXPECT_FALSE(entry.ExtData);

    const auto noExtended = ParseEntry("210 x\r\nTTITLE0=A\r\n.\r\n");
    ASSERT_EQ(noExtended.TrackExtData.size(), 1u);
    EXPECT_FALSE(noExtended.TrackExtData[0]);

    EXPECT_TRUE(ParseEntry("210 x\r\nDTITLE=a / b\r\n.\r\n").TrackTitles.empty());
    EXPECT_TRUE(ParseEntry("210").TrackTitles.empty());
    // Lines after the terminating "." are not part of the entry.
    EXPECT_TRUE(ParseEntry("210 x\r\n.\r\nTTITLE0=late\r\n").TrackTitles.empty());
}

TEST(EntryParsing, EscapesAreDecodedAfterTheLinesAreJoined)
{
    // An escape split over two continuation lines is still one escape; unknown ones stay.
    const auto entry = ParseEntry("210 x\nDYEAR=1980\nTTITLE0=a\\\nTTITLE0=nb \\x\nEXTD=\\\\\\t\n"
                                  "EXTT0=IV. Adagio \\\\ Allegro\n.\n");
    EXPECT_EQ(entry.TrackTitles, (std::vector<std::string>{"a\nb \\x"}));
    EXPECT_EQ(entry.ExtData, std::optional<std::string>("\\\t"));
    EXPECT_EQ(entry.TrackExtData[0], std::optional<std::string>("IV. Adagio \\ Allegro"));
    EXPECT_EQ(entry.Year, "1980");
    EXPECT_EQ(entry.Genre, "");
    EXPECT_EQ(DecodeEscapes("end\\"), "end\\");
}

TEST(EntryParsing, NumberedGroupsCountUpByOneWithinTheDisc)
{
    // Lines of one number are its continuation, wherever other keys stand between them.
    const auto joined = ParseEntry("210 x\nTTITLE0=a\nTTITLE1=b\nEXTD=e\nTTITLE1=c\n.\n", 2);
    EXPECT_EQ(joined.Malformed, "");
    EXPECT_EQ(joined.TrackTitles, (std::vector<std::string>{"a", "bc"}));

    const struct {
        const char *entry;
        const char *why;
    } malformed[] = {
        {"TTITLE0=a\nTTITLE3=d\nTTITLE4=e\n", "TTITLE3 après TTITLE0"},
        {"TTITLE2=c\nTTITLE1=b\n", "TTITLE2 en premier"},
        {"TTITLE0=a\nTTITLE1=b\nTTITLE0=c\n", "TTITLE0 après TTITLE1"},
        {"TTITLE0=a\nTTITLE1=b\nTTITLE2=c\n", "TTITLE2 pour 2 pistes"},
        {"TTITLE0=a\nTTITLE1=b\nEXTT1=x\n", "EXTT1 en premier"},
        {"TTITLE0=a\nTTITLE\n", "« TTITLE »"},
        {"TTITLE0=a\nTTITLEx=b\n", "« TTITLEx=b »"},
        {"TTITLE0=a\nnot an xmcd line\xff\n", "« not an xmcd line? »"},
    };
    // The entry's own offsets tell its track count before the caller's.
    EXPECT_EQ(ParseEntry("210 x\n# Track frame offsets:\n#\t150\n#  9000\n#\n# Disc length: 3 s\n"
                         "TTITLE0=a\nTTITLE1=b\n.\n",
                         1)
                  .Malformed,
              "");
    EXPECT_EQ(ParseEntry("210 x\n# Track frame offsets:\n#\t150\nTTITLE0=a\nTTITLE1=b\n.\n", 2).Malformed,
              "réponse mal formée : TTITLE1 pour 1 piste");
    for (const auto &c : malformed) {
        const auto entry = ParseEntry(std::string("210 x\n") + c.entry + ".\n", 2);
        EXPECT_EQ(entry.Malformed, std::string("réponse mal formée : ") + c.why) << c.entry;
    }
}

TEST(ReplyShape, EveryLineEndedAndDataEndedByItsDot)
{
    using Kind = ReplyFault::TKind;
    const struct {
        std::string_view reply;
        Kind kind;
        const char *why;
    } cases[] = {
        {"200 misc 25008705 Orchestre\r\n", Kind::None, ""},
        {"401 No site information available.\n", Kind::None, ""},
        {"210 OK\r\nsite\r\n.\r\n", Kind::None, ""},
        {"", Kind::None, ""},
        {"200 misc 25008705 Orch", Kind::Incomplete, "réponse incomplète : dernière ligne sans fin de ligne"},
        {"210 folk 1 entry\r\nTTITLE0=Caril", Kind::Incomplete,
         "réponse incomplète : dernière ligne sans fin de ligne"},
        {"211 list\r\nrock 11111111 A / B\r\n", Kind::Incomplete, "réponse sans ligne de fin « . »"},
        {"210 OK\r\n.\r\nmore\r\n", Kind::Malformed,
         "réponse mal formée : texte après la ligne de fin « . »"},
        {std::string_view("210 OK\r\n\0\r\n.\r\n", 13), Kind::Malformed,
         "réponse mal formée : octet NUL à la position 8"},
        {"210 OK\r\n\x1b[2J\r\n.\r\n", Kind::Malformed,
         "réponse mal formée : caractère de contrôle à la position 8"},
    };
    for (const auto &c : cases) {
        const ReplyFault fault = CheckReplyShape(c.reply);
        EXPECT_EQ(fault.Kind, c.kind) << c.reply;
        EXPECT_EQ(fault.Why, c.why) << c.reply;
    }
}

TEST(MatchParsing, QueryLinesNeedACategoryADiscIdAndAText)
{
    EXPECT_EQ(QueryReplyProblem("200 misc 25008705 Orch\r\n"), "");
    EXPECT_EQ(QueryReplyProblem("211 x\r\nrock 0badF00d A / B\r\n.\r\n"), "");
    for (const char *line : {"misc 2500870 Orchestre", "misc 25008705", "misc 25008705 ", "misc",
                             " 25008705 A", "rock 2500870g A"}) {
        EXPECT_EQ(QueryReplyProblem(std::string("200 ") + line + "\r\n"),
                  std::string("réponse mal formée : disque « ") + line + " »");
        EXPECT_NE(QueryReplyProblem(std::string("210 x\r\nrock 11111111 A\r\n") + line + "\r\n.\r\n"), "");
    }
    EXPECT_EQ(TrackCountOfDiscId("3b04af05"), 5u);
    EXPECT_EQ(TrackCountOfDiscId("00000000"), std::nullopt);
    EXPECT_EQ(TrackCountOfDiscId("1"), std::nullopt);
}

TEST(SitesParsing, LinesUpToTheDot)
{
    EXPECT_EQ(
        ParseSites("210 OK\r\na http 80 /cddb.cgi N0 W0 One\r\nb http 80 /x.cgi N0 W0 Two\r\n.\r\nc\r\n"),
        (std::vector<std::string>{"a http 80 /cddb.cgi N0 W0 One", "b http 80 /x.cgi N0 W0 Two"}));
    EXPECT_EQ(ParseSites("210 OK\nonly\n"), (std::vector<std::string>{"only"}));
    EXPECT_TRUE(ParseSites("401 No site information available.\r\n").empty());
}
