/*
 * The Remote Access Service functions the program uses, in their ANSI forms, with the record
 * layouts of the Windows interface: librasapi32.so implements them over pppd, and test doubles
 * implement them to script a dial.
 *
 * Widths follow the Windows interface: DWORD and UINT are uint32_t, BOOL is int32_t, and a
 * connection handle is a 32-bit value (0 means none). Every text field is NUL-terminated 8-bit text
 * in the local encoding. The caller owns every record it passes and sets its dwSize first.
 *
 * Threading: the functions may be called from any thread. During an asynchronous dial the notifier
 * is called on a thread of the library, one notice at a time, in order; it must not block forever.
 *
 * This header compiles as C11 and as C++.
 */
#ifndef QUAVREL_RAS_H
#define QUAVREL_RAS_H

#include <stdint.h>

#if defined(_WIN32)
#define RAS_EXPORT __declspec(dllexport)
#else
#define RAS_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t HRASCONN;

#define RAS_MaxEntryName 256
#define RAS_MaxDeviceType 16
#define RAS_MaxDeviceName 128
#define RAS_MaxPhoneNumber 128
#define RAS_MaxCallbackNumber RAS_MaxPhoneNumber
#define RAS_MaxIpAddress 15
#define UNLEN 256
#define PWLEN 256
#define DNLEN 15

/* The device type of every link of this layer. */
#define RASDT_Modem "modem"

/* Sent as the message number of every notice. */
#define WM_RASDIALEVENT 0xCCCD

/* The projection asked of RasGetProjectionInfoA: IPv4 over PPP. */
#define RASP_PppIp 0x8021

typedef int32_t RASCONNSTATE;
#define RASCS_PAUSED 0x1000
#define RASCS_DONE 0x2000
enum {
    RASCS_OpenPort = 0,
    RASCS_PortOpened,
    RASCS_ConnectDevice,
    RASCS_DeviceConnected,
    RASCS_AllDevicesConnected,
    RASCS_Authenticate,
    RASCS_AuthNotify,
    RASCS_AuthRetry,
    RASCS_AuthCallback,
    RASCS_AuthChangePassword,
    RASCS_AuthProject,
    RASCS_AuthLinkSpeed,
    RASCS_AuthAck,
    RASCS_ReAuthenticate,
    RASCS_Authenticated,
    RASCS_PrepareForCallback,
    RASCS_WaitForModemReset,
    RASCS_WaitForCallback,
    RASCS_Projected,
    RASCS_StartAuthentication,
    RASCS_CallbackComplete,
    RASCS_LogonNetwork,
    RASCS_SubEntryConnected,
    RASCS_SubEntryDisconnected,
    RASCS_Interactive = RASCS_PAUSED,
    RASCS_RetryAuthentication,
    RASCS_CallbackSetByCaller,
    RASCS_PasswordExpired,
    RASCS_Connected = RASCS_DONE,
    RASCS_Disconnected
};

/* Result codes: 0 is success. */
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_PORT_ALREADY_OPEN 602
#define ERROR_BUFFER_TOO_SMALL 603
#define ERROR_DEVICE_DOES_NOT_EXIST 608
#define ERROR_DEVICETYPE_DOES_NOT_EXIST 609
#define ERROR_CANNOT_OPEN_PHONEBOOK 621
#define ERROR_CANNOT_FIND_PHONEBOOK_ENTRY 623
#define ERROR_CORRUPT_PHONEBOOK 625
#define ERROR_DISCONNECTION 628
#define ERROR_REMOTE_DISCONNECTION 629
#define ERROR_USER_DISCONNECTION 631
#define ERROR_INVALID_SIZE 632
#define ERROR_PORT_NOT_AVAILABLE 633
#define ERROR_UNKNOWN 635
#define ERROR_FROM_DEVICE 651
#define ERROR_AUTHENTICATION_FAILURE 691
#define ERROR_PPP_NO_RESPONSE 721
#define ERROR_PROJECTION_NOT_COMPLETE 730
#define ERROR_PROTOCOL_NOT_CONFIGURED 731
#define ERROR_PPP_NCP_TERMINATED 736
#define ERROR_PPP_LOOPBACK_DETECTED 737

typedef struct RASENTRYNAMEA {
    uint32_t dwSize; /* 264 */
    char szEntryName[RAS_MaxEntryName + 1];
} RASENTRYNAMEA;

typedef struct RASDIALPARAMSA {
    uint32_t dwSize; /* 1052 */
    char szEntryName[RAS_MaxEntryName + 1];
    char szPhoneNumber[RAS_MaxPhoneNumber + 1];
    char szCallbackNumber[RAS_MaxCallbackNumber + 1];
    char szUserName[UNLEN + 1];
    char szPassword[PWLEN + 1];
    char szDomain[DNLEN + 1];
} RASDIALPARAMSA;

typedef struct RASCONNA {
    uint32_t dwSize; /* 412 */
    HRASCONN hrasconn;
    char szEntryName[RAS_MaxEntryName + 1];
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
} RASCONNA;

typedef struct RASCONNSTATUSA {
    uint32_t dwSize; /* 160 */
    RASCONNSTATE rasconnstate;
    uint32_t dwError;
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
} RASCONNSTATUSA;

typedef struct RASPPPIPA {
    uint32_t dwSize; /* 40 */
    uint32_t dwError;
    char szIpAddress[RAS_MaxIpAddress + 1];
    char szServerIpAddress[RAS_MaxIpAddress + 1];
} RASPPPIPA;

/* Not used by this layer: always passed as NULL. */
typedef struct RASDIALEXTENSIONS RASDIALEXTENSIONS;

/* The notifier of an asynchronous dial (notifier type 0). */
typedef void (*RASDIALFUNC)(uint32_t unMsg, RASCONNSTATE rasconnstate, uint32_t dwError);

/* Lists the phone-book entries into lprasentryname (*lpcb bytes). ERROR_BUFFER_TOO_SMALL sets
 * *lpcb to the size needed and *lpcEntries to the count. lpszReserved is ignored; lpszPhonebook
 * NULL means the default phone book. */
RAS_EXPORT uint32_t RasEnumEntriesA(const char *lpszReserved, const char *lpszPhonebook,
                                    RASENTRYNAMEA *lprasentryname, uint32_t *lpcb, uint32_t *lpcEntries);

/* Fills the stored dial parameters of lprasdialparams->szEntryName;
 * ERROR_CANNOT_FIND_PHONEBOOK_ENTRY when the entry does not exist. */
RAS_EXPORT uint32_t RasGetEntryDialParamsA(const char *lpszPhonebook, RASDIALPARAMSA *lprasdialparams,
                                           int32_t *lpfPassword);

/* Dials the entry. Without a notifier it returns when the link is up (0) or has failed (its
 * code). With a notifier it returns 0 once the dial has started and sends every state, then the
 * final one (RASCS_Connected, or the failing state with a non-zero error), from its own thread.
 * *lphRasConn receives the connection handle as soon as one exists. */
RAS_EXPORT uint32_t RasDialA(RASDIALEXTENSIONS *lpRasDialExtensions, const char *lpszPhonebook,
                             RASDIALPARAMSA *lpRasDialParams, uint32_t dwNotifierType, void *lpvNotifier,
                             HRASCONN *lphRasConn);

/* Asks the link to end and returns at once; RasGetConnectStatusA answers ERROR_INVALID_HANDLE
 * once it has. */
RAS_EXPORT uint32_t RasHangUpA(HRASCONN hrasconn);

RAS_EXPORT uint32_t RasGetConnectStatusA(HRASCONN hrasconn, RASCONNSTATUSA *lprasconnstatus);

/* Lists the active links (those still dialling included), like RasEnumEntriesA. */
RAS_EXPORT uint32_t RasEnumConnectionsA(RASCONNA *lprasconn, uint32_t *lpcb, uint32_t *lpcConnections);

/* The text of an error code, NUL-terminated; ERROR_INVALID_PARAMETER for a code this layer does
 * not know (the buffer is left as it was). */
RAS_EXPORT uint32_t RasGetErrorStringA(uint32_t uErrorValue, char *lpszErrorString, uint32_t cBufSize);

/* The local and peer IPv4 addresses of the link (rasprojection RASP_PppIp only). */
RAS_EXPORT uint32_t RasGetProjectionInfoA(HRASCONN hrasconn, uint32_t rasprojection, void *lpprojection,
                                          uint32_t *lpcb);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(RASENTRYNAMEA) == 264, "RASENTRYNAMEA layout");
static_assert(sizeof(RASDIALPARAMSA) == 1052, "RASDIALPARAMSA layout");
static_assert(sizeof(RASCONNA) == 412, "RASCONNA layout");
static_assert(sizeof(RASCONNSTATUSA) == 160, "RASCONNSTATUSA layout");
static_assert(sizeof(RASPPPIPA) == 40, "RASPPPIPA layout");
#else
_Static_assert(sizeof(RASENTRYNAMEA) == 264, "RASENTRYNAMEA layout");
_Static_assert(sizeof(RASDIALPARAMSA) == 1052, "RASDIALPARAMSA layout");
_Static_assert(sizeof(RASCONNA) == 412, "RASCONNA layout");
_Static_assert(sizeof(RASCONNSTATUSA) == 160, "RASCONNSTATUSA layout");
_Static_assert(sizeof(RASPPPIPA) == 40, "RASPPPIPA layout");
#endif

#endif
