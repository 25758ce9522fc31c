#include "cdrdao_toc.h"

#include <cctype>
#include <limits>

namespace drives {

int32_t TocModeBlockBytes(TocMode mode)
{
    switch (mode) {
    case TocMode::Audio:
    case TocMode::Mode1Raw:
    case TocMode::Mode2Raw:
        return 2352;
    case TocMode::Mode1:
    case TocMode::Mode2Form1:
        return 2048;
    case TocMode::Mode0:
    case TocMode::Mode2:
    case TocMode::Mode2FormMix:
        return 2336;
    case TocMode::Mode2Form2:
        return 2324;
    }
    return 2352;
}

namespace {

// The most a value may count: far beyond a disc's 100 minutes in any unit.
constexpr int64_t kLargest = int64_t{1} << 40;

struct Token {
    enum Kind { End, Word, String, Number, Msf, Punct };
    Kind kind = End;
    std::string text;   // the word, the string's bytes, the punctuation
    int64_t number = 0; // a number; an MSF value in blocks
    int line = 1;
};

class Lexer {
  public:
    explicit Lexer(std::string_view text) : text_(text) {}

    // The next token; false with Error on a malformed one.
    bool Next(Token &token, std::string &error)
    {
        SkipBlanks();
        token = Token{};
        token.line = line_;
        if (at_ >= text_.size())
            return true;
        const char c = text_[at_];
        if (c == '"')
            return String(token, error);
        if (std::isdigit(static_cast<unsigned char>(c)))
            return Number(token, error);
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            token.kind = Token::Word;
            while (at_ < text_.size() &&
                   (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == '_'))
                token.text += text_[at_++];
            return true;
        }
        if (c == '{' || c == '}' || c == ':' || c == ',' || c == '#') {
            token.kind = Token::Punct;
            token.text = std::string(1, c);
            ++at_;
            return true;
        }
        error = Where() + "caractère inattendu";
        return false;
    }

    std::string Where() const { return "ligne " + std::to_string(line_) + " : "; }

  private:
    void SkipBlanks()
    {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '\n') {
                ++line_;
                ++at_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++at_;
            } else if (c == '/' && at_ + 1 < text_.size() && text_[at_ + 1] == '/') {
                while (at_ < text_.size() && text_[at_] != '\n')
                    ++at_;
            } else {
                break;
            }
        }
    }

    // "...", with \" \\ and octal \ooo escapes: cdrdao writes the bytes of any character beyond
    // ASCII so.
    bool String(Token &token, std::string &error)
    {
        token.kind = Token::String;
        for (++at_; at_ < text_.size(); ++at_) {
            char c = text_[at_];
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c == '\n') {
                break;
            }
            if (c == '\\' && at_ + 1 < text_.size()) {
                c = text_[++at_];
                if (c >= '0' && c <= '7') {
                    int value = 0;
                    for (int digits = 0;
                         digits < 3 && at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '7'; ++digits)
                        value = value * 8 + (text_[at_++] - '0');
                    --at_;
                    c = static_cast<char>(value & 0xFF);
                }
            }
            token.text += c;
        }
        error = Where() + "texte sans guillemet fermant";
        return false;
    }

    // A number, or MM:SS:FF (no blank inside) counted in blocks.
    bool Number(Token &token, std::string &error)
    {
        int64_t parts[3] = {0, 0, 0};
        int count = 0;
        size_t afterFirst = at_;
        for (;;) {
            int64_t value = 0;
            bool digits = false;
            while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
                value = value * 10 + (text_[at_++] - '0');
                digits = true;
                if (value > kLargest) {
                    error = Where() + "nombre trop grand";
                    return false;
                }
            }
            if (!digits) {
                error = Where() + "position MM:SS:FF incomplète";
                return false;
            }
            parts[count++] = value;
            if (count == 1)
                afterFirst = at_;
            if (count == 3 || at_ + 1 >= text_.size() || text_[at_] != ':' ||
                !std::isdigit(static_cast<unsigned char>(text_[at_ + 1])))
                break;
            ++at_;
        }
        if (count == 2) {
            // "0:9" in a language map: a number, a colon and a number.
            at_ = afterFirst;
            count = 1;
        }
        if (count == 1) {
            token.kind = Token::Number;
            token.number = parts[0];
            return true;
        }
        if (parts[1] > 59 || parts[2] > 74 || parts[0] > 99) {
            error = Where() + "position MM:SS:FF hors limites";
            return false;
        }
        token.kind = Token::Msf;
        token.number = parts[0] * 4500 + parts[1] * 75 + parts[2];
        return true;
    }

    std::string_view text_;
    size_t at_ = 0;
    int line_ = 1;
};

class Parser {
  public:
    explicit Parser(std::string_view text) : lexer_(text) {}

    std::optional<CdrdaoToc> Run(std::string &error)
    {
        if (!Advance())
            return Failed(error);
        CdrdaoToc toc;
        while (token_.kind != Token::End) {
            if (IsWord("CATALOG")) {
                if (!Advance() || !ExpectString("CATALOG"))
                    return Failed(error);
                if (token_.text.size() != 13 ||
                    !AllOf(token_.text, [](unsigned char c) { return std::isdigit(c); }))
                    return Fail("CATALOG attend 13 chiffres", error);
                toc.catalog = token_.text;
                if (!Advance())
                    return Failed(error);
            } else if (IsWord("CD_DA") || IsWord("CD_ROM") || IsWord("CD_ROM_XA") || IsWord("CD_I")) {
                if (!Advance())
                    return Failed(error);
            } else if (IsWord("CD_TEXT") && toc.tracks.empty()) {
                if (!DiscCdText(toc))
                    return Failed(error);
            } else if (IsWord("TRACK")) {
                if (toc.tracks.size() == 99)
                    return Fail("plus de 99 pistes", error);
                CdrdaoTrack track;
                if (!Track(track))
                    return Failed(error);
                toc.tracks.push_back(std::move(track));
            } else {
                return Fail("mot inattendu « " + token_.text + " »", error);
            }
        }
        if (toc.tracks.empty())
            return Fail("aucune piste", error);
        return toc;
    }

  private:
    template <typename Test> static bool AllOf(const std::string &text, Test test)
    {
        for (const char c : text)
            if (!test(static_cast<unsigned char>(c)))
                return false;
        return true;
    }

    bool Advance() { return lexer_.Next(token_, error_); }
    bool IsWord(const char *word) const { return token_.kind == Token::Word && token_.text == word; }
    bool IsPunct(char c) const { return token_.kind == Token::Punct && token_.text[0] == c; }

    bool Error(const std::string &message)
    {
        error_ = "ligne " + std::to_string(token_.line) + " : " + message;
        return false;
    }
    std::optional<CdrdaoToc> Failed(std::string &error)
    {
        error = error_;
        return std::nullopt;
    }
    std::optional<CdrdaoToc> Fail(const std::string &message, std::string &error)
    {
        Error(message);
        return Failed(error);
    }

    bool ExpectString(const char *after)
    {
        return token_.kind == Token::String ||
               Error(std::string(after) + " attend un texte entre guillemets");
    }
    bool Expect(char c)
    {
        if (!IsPunct(c))
            return Error(std::string("« ") + c + " » attendu");
        return Advance();
    }

    // A number or an MM:SS:FF value, in unit (blocks × blockBytes of MSF, else the number × 1).
    bool Length(int64_t blockUnit, int64_t &value, const char *after)
    {
        if (token_.kind == Token::Msf)
            value = token_.number * blockUnit;
        else if (token_.kind == Token::Number)
            value = token_.number;
        else
            return Error(std::string(after) + " attend une longueur");
        return Advance();
    }

    bool Binary(std::vector<uint8_t> &bytes)
    {
        if (!Expect('{'))
            return false;
        while (!IsPunct('}')) {
            if (token_.kind != Token::Number || token_.number > 255)
                return Error("octet de 0 à 255 attendu");
            bytes.push_back(static_cast<uint8_t>(token_.number));
            if (bytes.size() > 65536)
                return Error("données trop longues");
            if (!Advance())
                return false;
            if (IsPunct(',') && !Advance())
                return false;
        }
        return Advance();
    }

    // The items of a LANGUAGE block; SIZE_INFO's first byte is the block's character code.
    bool Items(CdTextItems &items, std::optional<uint8_t> *charset)
    {
        static const std::pair<const char *, uint8_t> kTypes[] = {{"TITLE", kCdTextTitle},
                                                                  {"PERFORMER", kCdTextPerformer},
                                                                  {"SONGWRITER", kCdTextSongwriter},
                                                                  {"COMPOSER", kCdTextComposer},
                                                                  {"ARRANGER", kCdTextArranger},
                                                                  {"MESSAGE", kCdTextMessage},
                                                                  {"DISC_ID", kCdTextDiscId},
                                                                  {"UPC_EAN", kCdTextUpcIsrc},
                                                                  {"ISRC", kCdTextUpcIsrc},
                                                                  {"GENRE", 0x87},
                                                                  {"TOC_INFO1", 0x88},
                                                                  {"TOC_INFO2", 0x89},
                                                                  {"SIZE_INFO", kCdTextSizeInfo}};
        if (!Expect('{'))
            return false;
        while (!IsPunct('}')) {
            uint8_t type = 0;
            for (const auto &[name, code] : kTypes)
                if (IsWord(name))
                    type = code;
            if (type == 0)
                return Error("élément de CD-Text inconnu « " + token_.text + " »");
            if (!Advance())
                return false;
            if (token_.kind == Token::String) {
                if (type < 0x87 || type == kCdTextUpcIsrc)
                    items[type] = token_.text;
                if (!Advance())
                    return false;
            } else {
                std::vector<uint8_t> bytes;
                if (!Binary(bytes))
                    return false;
                if (type == kCdTextSizeInfo && charset && !bytes.empty())
                    *charset = bytes[0];
            }
        }
        return Advance();
    }

    bool LanguageNumber(int &number)
    {
        if (!IsWord("LANGUAGE"))
            return Error("LANGUAGE attendu");
        if (!Advance())
            return false;
        if (token_.kind != Token::Number || token_.number > 7)
            return Error("LANGUAGE attend un numéro de 0 à 7");
        number = static_cast<int>(token_.number);
        return Advance();
    }

    bool DiscCdText(CdrdaoToc &toc)
    {
        if (!Advance() || !Expect('{'))
            return false;
        while (!IsPunct('}')) {
            if (IsWord("LANGUAGE_MAP")) {
                if (!Advance() || !Expect('{'))
                    return false;
                while (!IsPunct('}')) {
                    if (token_.kind != Token::Number || token_.number > 7)
                        return Error("LANGUAGE_MAP attend un numéro de 0 à 7");
                    const int number = static_cast<int>(token_.number);
                    if (!Advance() || !Expect(':'))
                        return false;
                    int code = 0;
                    if (IsWord("EN"))
                        code = 9;
                    else if (token_.kind == Token::Number && token_.number <= 255)
                        code = static_cast<int>(token_.number);
                    else
                        return Error("code de langue attendu (0 à 255 ou EN)");
                    toc.languages.emplace_back(number, code);
                    if (!Advance())
                        return false;
                }
                if (!Advance())
                    return false;
            } else {
                CdrdaoToc::DiscText text;
                if (!LanguageNumber(text.number) || !Items(text.items, &text.charset))
                    return false;
                toc.cdText.push_back(std::move(text));
            }
        }
        return Advance();
    }

    bool Mode(CdrdaoTrack &track)
    {
        static const std::pair<const char *, TocMode> kModes[] = {{"AUDIO", TocMode::Audio},
                                                                  {"MODE0", TocMode::Mode0},
                                                                  {"MODE1", TocMode::Mode1},
                                                                  {"MODE1_RAW", TocMode::Mode1Raw},
                                                                  {"MODE2", TocMode::Mode2},
                                                                  {"MODE2_FORM1", TocMode::Mode2Form1},
                                                                  {"MODE2_FORM2", TocMode::Mode2Form2},
                                                                  {"MODE2_FORM_MIX", TocMode::Mode2FormMix},
                                                                  {"MODE2_RAW", TocMode::Mode2Raw}};
        for (const auto &[name, mode] : kModes)
            if (IsWord(name)) {
                track.mode = mode;
                return Advance();
            }
        return Error("mode de piste inconnu « " + token_.text + " »");
    }

    // [ "#" offset ]: bytes skipped at the start of the file.
    bool ByteOffset(CdrdaoData &data)
    {
        if (!IsPunct('#'))
            return true;
        if (!Advance())
            return false;
        if (token_.kind != Token::Number)
            return Error("« # » attend un nombre d'octets");
        data.byteOffset = token_.number;
        return Advance();
    }

    bool IsLength() const { return token_.kind == Token::Number || token_.kind == Token::Msf; }

    bool Track(CdrdaoTrack &track)
    {
        if (!Advance() || !Mode(track))
            return false;
        if (IsWord("RW") || IsWord("RW_RAW")) {
            track.subChannelBytes = 96;
            if (!Advance())
                return false;
        }
        const int64_t block = track.Audio() ? 588 : TocModeBlockBytes(track.mode);
        while (token_.kind != Token::End && !IsWord("TRACK")) {
            if (IsWord("NO")) {
                if (!Advance())
                    return false;
                if (IsWord("COPY"))
                    track.copy = false;
                else if (IsWord("PRE_EMPHASIS"))
                    track.preEmphasis = false;
                else
                    return Error("NO attend COPY ou PRE_EMPHASIS");
                if (!Advance())
                    return false;
            } else if (IsWord("COPY") || IsWord("PRE_EMPHASIS") || IsWord("TWO_CHANNEL_AUDIO") ||
                       IsWord("FOUR_CHANNEL_AUDIO")) {
                if (IsWord("COPY"))
                    track.copy = true;
                else if (IsWord("PRE_EMPHASIS"))
                    track.preEmphasis = true;
                else
                    track.fourChannel = IsWord("FOUR_CHANNEL_AUDIO");
                if (!Advance())
                    return false;
            } else if (IsWord("ISRC")) {
                if (!Advance() || !ExpectString("ISRC"))
                    return false;
                if (token_.text.size() != 12 ||
                    !AllOf(token_.text, [](unsigned char c) { return std::isupper(c) || std::isdigit(c); }))
                    return Error("ISRC attend 12 lettres majuscules ou chiffres");
                track.isrc = token_.text;
                if (!Advance())
                    return false;
            } else if (IsWord("CD_TEXT")) {
                if (!Advance() || !Expect('{'))
                    return false;
                while (!IsPunct('}')) {
                    std::pair<int, CdTextItems> text;
                    if (!LanguageNumber(text.first) || !Items(text.second, nullptr))
                        return false;
                    track.cdText.push_back(std::move(text));
                }
                if (!Advance())
                    return false;
            } else if (IsWord("PREGAP")) {
                if (!Advance())
                    return false;
                if (token_.kind != Token::Msf)
                    return Error("PREGAP attend une durée MM:SS:FF");
                if (!track.data.empty() || track.pregap || track.pregapAfterData)
                    return Error("PREGAP vient avant les données de la piste");
                CdrdaoData zeros;
                zeros.length = token_.number * block;
                track.data.push_back(zeros);
                track.pregap = *zeros.length;
                if (!Advance())
                    return false;
            } else if (IsWord("SILENCE") || IsWord("ZERO")) {
                if (!Advance())
                    return false;
                // ZERO may name the data's mode and sub-channel mode first.
                while (token_.kind == Token::Word &&
                       (token_.text.starts_with("MODE") || token_.text == "AUDIO" || token_.text == "RW" ||
                        token_.text == "RW_RAW"))
                    if (!Advance())
                        return false;
                CdrdaoData zeros;
                int64_t length = 0;
                if (!Length(block, length, "SILENCE"))
                    return false;
                zeros.length = length;
                track.data.push_back(zeros);
            } else if (IsWord("FILE") || IsWord("AUDIOFILE") || IsWord("DATAFILE")) {
                CdrdaoData file;
                file.kind = CdrdaoData::File;
                file.audioFile = !IsWord("DATAFILE");
                if (!Advance() || !ExpectString("FILE"))
                    return false;
                file.file = token_.text;
                if (file.file.empty() || file.file == "-")
                    return Error("les données ne viennent pas d'un fichier");
                if (!Advance() || !ByteOffset(file))
                    return false;
                if (file.audioFile) {
                    int64_t start = 0;
                    if (!Length(block, start, "FILE"))
                        return false;
                    file.start = start;
                }
                if (IsLength()) {
                    int64_t length = 0;
                    if (!Length(block, length, "FILE"))
                        return false;
                    if (length > 0 || !file.audioFile)
                        file.length = length;
                }
                track.data.push_back(file);
            } else if (IsWord("FIFO")) {
                return Error("FIFO : une image ne lit pas de tube");
            } else if (IsWord("START")) {
                if (!Advance())
                    return false;
                if (track.pregap || track.pregapAfterData)
                    return Error("un seul START ou PREGAP par piste");
                if (token_.kind == Token::Msf) {
                    track.pregap = token_.number * block;
                    if (!Advance())
                        return false;
                } else {
                    // The data so far; its length is known once the files are.
                    track.pregapAfterData = track.data.size();
                }
            } else if (IsWord("INDEX")) {
                if (!Advance())
                    return false;
                if (token_.kind != Token::Msf)
                    return Error("INDEX attend une position MM:SS:FF");
                if (track.indexes.size() == 98)
                    return Error("trop d'index");
                track.indexes.push_back(static_cast<int32_t>(token_.number));
                if (!Advance())
                    return false;
            } else {
                return Error("mot inattendu « " + token_.text + " »");
            }
        }
        if (track.data.empty())
            return Error("piste sans données");
        return true;
    }

    Lexer lexer_;
    Token token_;
    std::string error_;
};

} // namespace

std::optional<CdrdaoToc> ParseCdrdaoToc(std::string_view text, std::string &Error)
{
    return Parser(text).Run(Error);
}

} // namespace drives
