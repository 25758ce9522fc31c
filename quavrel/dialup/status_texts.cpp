#include "quavrel/dialup/status_texts.h"

#include "platform/ras/ras.h"

namespace {

struct StateRow {
    int32_t state;
    const char *france;
    const char *czech;
    const char *portuguese;
};

// The texts keep the wording, spelling slips included, that users of the three languages know.
constexpr StateRow kRows[] = {
    {RASCS_OpenPort, "Ouverture du port", "Otevírá se port", "Abrindo a porta"},
    {RASCS_PortOpened, "Port ouvert", "Port otevřen", "Porta aberta"},
    {RASCS_ConnectDevice, "Connection du périphérique", "Probíhá spojování", "Conectando componente"},
    {RASCS_DeviceConnected, "périphérique connecté", "Navázáno spojení", "Componente conenctado"},
    {RASCS_AllDevicesConnected, "Tous les périphériques sont connectés", "Všechna zařízení spojena",
     "Todos componentes conectados"},
    {RASCS_Authenticate, "Démarrage authentification", "Začínají se ověřovat uživatelské informace",
     "Iniciando autenticaçao"},
    {RASCS_AuthNotify, "Authentification: en cours", "Ověření: oznámení", "Autenticaçao: enviando"},
    {RASCS_AuthRetry, "Authentification: nouvel essai", "Ověření: opakování", "Autenticaçao: Reenviando"},
    {RASCS_AuthCallback, "Authentification: rappel", "Ověření: zpětné volání", "Autenticaçao: Esperando"},
    {RASCS_AuthChangePassword, "Authentification: changement de mot de passe", "Ověření: změna hesla",
     "Autenticaçao: Senha incorreta"},
    {RASCS_AuthProject, "Authentification: projection", "Ověření: návrh", "Autenticaçao: enviando"},
    {RASCS_AuthLinkSpeed, "Authentication: vitesse de liaison", "Ověření: spojovací rychlost",
     "Autenticaçao: Velocidade da linha"},
    {RASCS_AuthAck, "Authentification: reconnaissance", "Ověření: potvrzení", "Autenticaçao: enviando"},
    {RASCS_ReAuthenticate, "Authentification: réauthentification", "Ověření: znovuověření",
     "Autenticaçao: Re-Autenticando"},
    {RASCS_Authenticated, "Authentifié", "Ověřeno", "Autenticado"},
    {RASCS_PrepareForCallback, "Preparation pour réponse", "Příprava na zpetné volání",
     "Preparando para callback"},
    {RASCS_WaitForModemReset, "En attente de reinitilisation modem", "Čeká se na reset modemu",
     "Esperando Reset do modem"},
    {RASCS_WaitForCallback, "En attente de rappel", "Čeká se na zpětné volání", "Esperando callback"},
    {RASCS_Projected, "Projection", "Navrhnuto", "Enviando"},
    {RASCS_StartAuthentication, "Démarrage authentification", "Ověřování uživatelských informací",
     "Autenticaçao iniciada"},
    {RASCS_CallbackComplete, "Rappel accompli", "Zpetné volání hotovo", "Callback completo"},
    {RASCS_LogonNetwork, "Connexion réseau", "Připojuje se na síť", "Logando na rede"},
    {RASCS_Interactive, "Interactif", "Interakce", "Modo Interativo"},
    {RASCS_RetryAuthentication, "Réeesai Authentification", "Opakování oveření", "Re-autenticar"},
    {RASCS_CallbackSetByCaller, "Callback set by caller", "Zpeětné volání zvoleno uživatelem",
     "Callback foi conf. pelo destino"},
    {RASCS_PasswordExpired, "Mot de passe expiré", "Platnost hesla vypršela", "Senha inválida"},
    {RASCS_Connected, "Connecté", "Spojeno", "Conectado"},
    {RASCS_Disconnected, "Déconnecté", "Rozpojeno", "Desconectado"},
};

} // namespace

QString StateText(TLanguage language, int32_t state)
{
    for (const auto &row : kRows) {
        if (row.state != state)
            continue;
        switch (language) {
        case Czech:
            return QString::fromUtf8(row.czech);
        case Portuguese:
            return QString::fromUtf8(row.portuguese);
        default:
            return QString::fromUtf8(row.france);
        }
    }
    return {};
}
