#include "cddb_failure_text.h"

#include "cddb_reply_parsers.h"

#include <cerrno>

namespace ostrelle {
namespace {

// Long enough for any real status line, short enough for a message box.
constexpr size_t MaxQuotedLine = 160;

std::string Numbered(const char *text, int error)
{
    return std::string(text) + " (erreur " + std::to_string(error) + ")";
}

std::string ConnectFailureText(int error)
{
    switch (error) {
    case ECONNREFUSED:
        return "connexion refusée";
    case ENETUNREACH:
        return "réseau inaccessible";
    case EHOSTUNREACH:
        return "hôte inaccessible";
    case ETIMEDOUT:
        return "délai dépassé";
    default:
        return Numbered("connexion impossible", error);
    }
}

std::string TransferFailureText(int error)
{
    switch (error) {
    case ECONNRESET:
    case EPIPE:
        return "connexion interrompue par le serveur";
    case ETIMEDOUT:
        return "délai dépassé";
    default:
        return Numbered("erreur de transmission", error);
    }
}

std::string FailureText(const THttpCli &client)
{
    using TFailure = THttpCli::TFailure;
    switch (client.Failure()) {
    case TFailure::None:
        return {};
    case TFailure::BadUrl:
        return "adresse du serveur invalide";
    case TFailure::Resolve:
        return "nom d'hôte inconnu";
    case TFailure::Connect:
        return ConnectFailureText(client.ErrorNumber());
    case TFailure::Transfer:
        return TransferFailureText(client.ErrorNumber());
    case TFailure::Timeout:
        return "délai dépassé";
    case TFailure::TotalTimeout:
        return "délai total dépassé";
    case TFailure::Aborted:
        return "requête abandonnée";
    case TFailure::Status: {
        std::string text = "statut HTTP " + std::to_string(client.StatusCode());
        if (!client.ReasonPhrase().empty())
            text += " " + client.ReasonPhrase().substr(0, MaxQuotedLine);
        return text;
    }
    case TFailure::Closed:
        return "connexion fermée avant une réponse HTTP complète";
    case TFailure::Incomplete:
        return "réponse incomplète (" + std::to_string(client.BodySize()) + " octets sur " +
               std::to_string(client.ContentLength().value_or(0)) + " annoncés)";
    case TFailure::BadLength:
        return "longueur de réponse (Content-Length) invalide";
    case TFailure::LineTooLong:
        return "ligne d'en-tête HTTP trop longue";
    case TFailure::BodyTooLarge:
        return "réponse trop volumineuse";
    case TFailure::Redirections:
        return "trop de redirections";
    }
    return {};
}

} // namespace

std::string TransportFailureText(const THttpCli &client, TTextEncoding encoding)
{
    return FromUtf8(FailureText(client), encoding);
}

std::string ServerReplyText(std::string_view reply, TTextEncoding encoding)
{
    TLineReader reader(reply);
    std::string_view line;
    if (!reader.Next(line) || line.empty())
        return FromUtf8("réponse vide du serveur", encoding);
    return FromUtf8("le serveur a répondu « ", encoding) + std::string(line.substr(0, MaxQuotedLine)) +
           FromUtf8(" »", encoding);
}

} // namespace ostrelle
