/* TAVSecurityUI: user security and 21 CFR Part 11 compliance for the desktop
 * programs of the instrument suite.
 *
 * This is the whole public interface of libTAVSecurityUI.so. It is C; C++
 * hosts also get the classes TAVCurrentUser and CXErr.
 *
 * Rules of the interface
 *
 *   Threads. Every function runs on the caller's thread and returns before
 *   the next call; dialogs are modal and run their own event loop. The
 *   library takes no lock: call it from one thread, the one that runs the
 *   host's user interface. The logged-on user is impersonated on the thread
 *   that logged on.
 *
 *   Qt. A host built on Qt Widgets creates its QApplication before the first
 *   call. A host without one gets a QApplication that the library creates on
 *   the first call and destroys when it is unloaded with dlclose. Without a
 *   display the library creates none, message boxes print their text to
 *   standard error and give their default answer, and the dialogs are
 *   cancelled (-1). "Without a display" includes a display that cannot be
 *   opened: the library starts Qt only after the X server or Wayland
 *   compositor named by $DISPLAY, $WAYLAND_DISPLAY or $QT_QPA_PLATFORM has
 *   answered, so a wrong or dead display never ends the host.
 *
 *   Unload and exit. dlclose logs the user off and releases everything the
 *   library holds, the QApplication it created included. At process exit
 *   (a return from main, exit()) the library leaves things to the process's
 *   end, so a host may exit at any time, with or without a user logged on
 *   and with or without its own QApplication, and keeps its exit status and
 *   its buffered output.
 *
 *   Windows. An HWND is a host's QWidget* converted to void* (convert a
 *   pointer to a derived class to QWidget* first), or null for no parent. A
 *   value that is not a live widget of the application is treated as null.
 *
 *   Results. Failures are results, never exceptions: no C++ exception
 *   crosses this interface. Dialog functions return 0 on success, -1 when
 *   the user cancelled and further negative codes for refusals; yes/no
 *   queries return 1 or 0. An unexpected internal failure gives the result
 *   that changes nothing: -1 for a dialog, 0 for a query.
 *
 *   Records. UserInfo and ESigInfo are allocated by the caller. Their string
 *   fields are BSTRs owned by the record: allocated by the library, freed by
 *   TAVSecurityUI_freeUserInfo / TAVSecurityUI_freeESigInfo (never by free()
 *   or delete). Before its first use a record is either initialised with
 *   TAVSecurityUI_initEmpty... or set to all zeros. A function that fills a
 *   record first frees the strings it holds. A freed record has null string
 *   fields and may be filled again.
 *
 *   BSTR. A NUL-terminated UTF-8 string, preceded in memory by its length in
 *   bytes as a 32-bit unsigned integer (at ((const uint32_t*)s)[-1]). A
 *   string field may be null.
 *
 *   Tokens. A HANDLE is an opaque access token of the security service, not
 *   a pointer to anything the caller may read. A token handed out by
 *   TAVSecurityUI_DoLogin, TAVSecurityUI_DoIdleLogin or
 *   TAVCurrentUser::GetUserToken is a new handle that the caller owns: it
 *   closes it once with TAVSecurityUI_CloseToken, or hands it over to
 *   TAVSecurityUI_SetLoginUser. TAVSecurityUI_GetLoginUser hands out the
 *   library's own token, which the caller never closes.
 *
 *   Identifiers (activities, groups, data types) are the configuration
 *   service's numbers, passed as 32-bit integers.
 *
 *   Controlled activities. The dialogs leave it to the host to decide who
 *   may open them: while a user is logged on, the configuration dialog
 *   opens its pages without asking anything more. Before it opens a dialog
 *   or does anything else that is a controlled activity, a host asks
 *   TAVSecurityUI_IsUserAllowedAccess(activity), which tells a refused user
 *   why, and does nothing when the answer is 0: activity 0 before
 *   TAVSecurityUI_showModal21CFR11Dialog, 13 before the System Audit viewer
 *   (TAVSecurityUI_DoSysEventViewer, TAVSecurityUI_DoSysAuditTrail), 6
 *   before TAVSecurityUI_DoRunListManager. The sample host tav-host does so
 *   (src/apps/tav-host/host_window.cc).
 */
#ifndef TAVSECURITYUI_H_
#define TAVSECURITYUI_H_

#include <stdint.h>

#if defined(__GNUC__)
#define TAVSECURITYUI_API __attribute__((visibility("default")))
#else
#define TAVSECURITYUI_API
#endif

#ifndef TAVSECURITYUI_WIN32_TYPES_DEFINED
#define TAVSECURITYUI_WIN32_TYPES_DEFINED
typedef void* HWND;   /* a QWidget*, or null */
typedef void* HANDLE; /* an access token of the security service */
typedef int32_t BOOL;
typedef double DATE;  /* OLE automation date: days since 1899-12-30, local time */
typedef char* BSTR;   /* see "BSTR" above */
#endif

#ifdef __cplusplus
namespace tav {
class TAV2FileManager;
}
/* An open document of the suite's file library. */
typedef tav::TAV2FileManager TAV2FileManager;
extern "C" {
#else
typedef struct TAV2FileManager TAV2FileManager;
#endif

/* A user's identity as handed out by the library. */
typedef struct UserInfo {
  BSTR userName;    /* account name */
  BSTR domain;      /* empty on a machine without a domain */
  BSTR logonServer; /* filled only when refreshed from a token */
  BSTR fullName;
  BSTR description;
  BSTR groups;      /* the account's groups in order, joined by ", " */
  int32_t isAdmin;  /* 1 for an administrator, else 0 */
} UserInfo;

/* An electronic signature: the signer (the seven UserInfo fields) and what
 * was signed. */
typedef struct ESigInfo {
  BSTR userName;
  BSTR domain;
  BSTR logonServer;
  BSTR fullName;
  BSTR description;
  BSTR groups;
  int32_t isAdmin;
  int32_t reason; /* number of the chosen reason; -1 for none */
  BSTR comment;
  DATE signTime;  /* when the signer pressed OK; 0 when empty */
  BSTR folder;    /* where the signature is filed */
} ESigInfo;

/* ---- Logon ------------------------------------------------------------ */

/* Shows the User Login dialog (owned by `parent`) and makes the user who
 * passes it the logged-on user. With usePrevious nonzero the dialog starts
 * with the current user's name and domain.
 * Returns 0: logged on; *info (when not null) describes the user, *token
 *   (when not null) receives a new token that the caller owns (null when it
 *   could not be made).
 * -1: cancelled; nothing changed. -2: the credentials were right but the
 *   logon failed; the previous logon is in force again. On -1 and -2 neither
 *   *info nor *token is written. */
TAVSECURITYUI_API int32_t TAVSecurityUI_DoLogin(HWND parent, BOOL usePrevious, UserInfo* info,
                                                HANDLE* token);

/* As TAVSecurityUI_DoLogin, with the caption "Idle Timeout
 * re-authentication required". The host calls it when it has been idle for
 * TAVSecurityUI_GetIdleTimeout() minutes. Any user may log on, not only the
 * one who left: after a logon (0) the host asks TAVSecurityUI_IsUserAllowed
 * again, as after TAVSecurityUI_DoLogin, and when the answer is 0, or the
 * idle login returned anything but 0, it logs off (TAVSecurityUI_DoLogout)
 * and asks for a full login, so that nobody takes over the idle session.
 * The sample host tav-host does so (src/apps/tav-host/idle_relogin.h). */
TAVSECURITYUI_API int32_t TAVSecurityUI_DoIdleLogin(HWND parent, BOOL usePrevious,
                                                    UserInfo* info, HANDLE* token);

/* Shows the User Login dialog and confirms a user without logging anybody
 * on: the logged-on user and the token stay as they are. With usePrevious
 * the dialog starts with the last confirmed user. Returns 0 (confirmed;
 * *info describes the user) or -1 (cancelled). */
TAVSECURITYUI_API int32_t TAVSecurityUI_DoAuthCheck(HWND parent, BOOL usePrevious,
                                                    UserInfo* info);

/* Logs the current user off and ends the library's token. Returns 0. */
TAVSECURITYUI_API int32_t TAVSecurityUI_DoLogout(void);

/* Fills *info (when not null) with the current user, empty when nobody is
 * logged on. Stores the library's own token in *token (when not null): the
 * caller must not close it, and it becomes invalid with the next logon or
 * logoff. Returns 1 when somebody is logged on, else 0 (and a null token). */
TAVSECURITYUI_API int32_t TAVSecurityUI_GetLoginUser(HANDLE* token, UserInfo* info);

/* Makes the owner of `token` the logged-on user. On 1 the library owns the
 * token (the caller must not close it) and *info (when not null) describes
 * the user. 0 for a null token or one that cannot be used; the previous
 * logon then stays in force and *info is not written. */
TAVSECURITYUI_API int32_t TAVSecurityUI_SetLoginUser(HANDLE token, UserInfo* info);

/* Closes a token that the caller owns (the equivalent of the system's
 * CloseHandle for tokens). Returns 1, or 0 for a null, closed or unknown
 * handle, which is left alone. */
TAVSECURITYUI_API BOOL TAVSecurityUI_CloseToken(HANDLE token);

/* ---- Access queries ---------------------------------------------------- */

/* 1 while the 21 CFR Part 11 features are on, else 0. */
TAVSECURITYUI_API int32_t TAVSecurityUI_IsUserSecurityEnabled(void);

/* The two audit comment flags of a data type, stored as 0 or 1 through the
 * pointers that are not null. Returns the configuration service's result:
 * 0 on success; on any other result nothing is stored. */
TAVSECURITYUI_API int32_t TAVSecurityUI_GetAuditCommentSetting(int32_t dataType, int32_t* first,
                                                               int32_t* second);

/* Minutes of inactivity after which the host asks for the password again
 * (TAVSecurityUI_DoIdleLogin); 0 means never. When the settings cannot be
 * read (no usable security store, a damaged database) the answer is 15, not
 * never, as every other setting then fails safe too. */
TAVSECURITYUI_API int32_t TAVSecurityUI_GetIdleTimeout(void);

/* 1 when the current user may perform the controlled activity; else shows
 * why in a message box and returns 0. Always 1 while the features are off. */
TAVSECURITYUI_API int32_t TAVSecurityUI_IsUserAllowedAccess(int32_t activity);

/* The same answer as TAVSecurityUI_IsUserAllowedAccess, never with a
 * message. */
TAVSECURITYUI_API int32_t TAVSecurityUI_IsUserAllowedAccessStealth(int32_t activity);

/* 1 when the current user may run the software (is a member of one of the
 * suite's user groups); else shows why in a message box and returns 0. A
 * host asks after each TAVSecurityUI_DoLogin and asks for another login
 * while the answer is 0. Always 1 while the features are off. */
TAVSECURITYUI_API int32_t TAVSecurityUI_IsUserAllowed(void);

/* 1 when changes to documents of the data type are audited, else 0. */
TAVSECURITYUI_API int32_t TAVSecurityUI_IsAuditRecordingForDataType(int32_t dataType);

/* Nonzero when the system user running the host is an administrator. */
TAVSECURITYUI_API int32_t TAVSecurityUI_IsWindowsUserAdmin(void);

/* ---- Electronic signatures --------------------------------------------- */

/* Empties the list of signer groups. Returns 0. */
TAVSECURITYUI_API int32_t TAVSecurityUI_ResetESignatureGroups(void);

/* Adds a group whose members may sign. Returns the number of groups. */
TAVSECURITYUI_API int32_t TAVSecurityUI_AddESignatureGroup(const char* group);

/* Empties the registry of signature reasons. Returns 0. */
TAVSECURITYUI_API int32_t TAVSecurityUI_ResetESignatureReasons(void);

/* Registers the configuration service's predefined reasons. Returns 0. */
TAVSECURITYUI_API int32_t TAVSecurityUI_InitESignatureReasons(void);

/* Registers a reason for a data type. Returns the number of reasons of that
 * data type, or -1 on failure. */
TAVSECURITYUI_API int32_t TAVSecurityUI_AddESignatureReason(int32_t number, const char* name,
                                                            int32_t dataType);

/* Sets the folder under which signatures are filed. Returns 0. */
TAVSECURITYUI_API int32_t TAVSecurityUI_SetESignatureRootPath(const char* path);

/* Collects an electronic signature for a document (`file` may be null). On
 * 0 the signer is the logged-on user, *info describes the signature and
 * *previousToken holds the token to give back to TAVSecurityUI_EndESignature
 * (null when nobody was logged on; with previousToken null that logon is
 * ended). -1: cancelled; after the dialog -3 no user name, -4 no full name,
 * -5 no password, -6 in no signer group, -7 the signer could not be logged
 * on; -8 no reason is enabled for dataType (no dialog). On every result but
 * 0 the previous logon is in force again and *info is not written. */
TAVSECURITYUI_API int32_t TAVSecurityUI_BeginESignature(HWND parent, TAV2FileManager* file,
                                                        const char* documentName,
                                                        BOOL showComment, BOOL allowSubfolder,
                                                        const char* subfolder, ESigInfo* info,
                                                        HANDLE* previousToken, int32_t dataType);

/* Makes the user who was logged on before the signature current again.
 * Results as TAVSecurityUI_SetLoginUser. */
TAVSECURITYUI_API int32_t TAVSecurityUI_EndESignature(HANDLE previousToken);

/* ---- Compliance dialogs ------------------------------------------------ */

/* The System Audit viewer, on the system event log. Returns 0. */
TAVSECURITYUI_API int32_t TAVSecurityUI_DoSysEventViewer(HWND parent);

/* The System Audit viewer, on the configuration audit trail. Returns 0. */
TAVSECURITYUI_API int32_t TAVSecurityUI_DoSysAuditTrail(HWND parent);

/* The Run List Manager. Returns 0.
 *
 * Host messages. The manager asks its host to open a run file ("Open") and,
 * before it deletes one, whether the host has it open. A Qt host receives
 * two events on the parent widget given here:
 *
 *   TAVSECURITYUI_EVENT_OPEN_FILE     posted; the host opens the file.
 *   TAVSECURITYUI_EVENT_IS_FILE_OPEN  sent (the manager waits); the host
 *                                     answers whether the file is open.
 *
 * In the host's QWidget::event (or customEvent), with `e` the QEvent*:
 *
 *   if (e->type() == TAVSECURITYUI_EVENT_IS_FILE_OPEN) {
 *     TAVRunListFileMessage* m = TAVSecurityUI_GetRunListFileMessage(e);
 *     if (HostHasOpen(m->path)) m->result = 1;   // refuse the deletion
 *     else m->path[0] = '\0';                    // allow it
 *     return true;
 *   }
 *
 * A deletion goes ahead only when the answer is 0 and the host has cleared
 * the path, so a host that does not answer refuses every deletion. The
 * message and its path belong to the event: valid while the host handles
 * it, freed by the library (never by the host) afterwards.
 *
 * A host without Qt (or one that prefers a function) registers a callback
 * instead; while one is registered the manager calls it rather than sending
 * events, with TAVSECURITYUI_MSG_OPEN_FILE or TAVSECURITYUI_MSG_IS_FILE_OPEN,
 * the path as a writable NUL-terminated copy, and the caller's context. For
 * "is file open" the return value and the path answer as above; for "open
 * file" the return value is ignored. "is file open" comes while the manager
 * is up, before the deletion; "open file" comes as the event does, after
 * the manager has closed: the callback is called just before
 * TAVSecurityUI_DoRunListManager returns. The path belongs to the library
 * and lives until the callback returns: a host that needs it later copies
 * it. Without a parent and without a callback, "Open" and "Delete" do
 * nothing. */
#define TAVSECURITYUI_EVENT_OPEN_FILE 1364    /* QEvent::User + 364 */
#define TAVSECURITYUI_EVENT_IS_FILE_OPEN 1365 /* QEvent::User + 365 */
#define TAVSECURITYUI_MSG_OPEN_FILE 0x56C
#define TAVSECURITYUI_MSG_IS_FILE_OPEN 0x56D

typedef struct TAVRunListFileMessage {
  char* path;     /* the file's full path, NUL-terminated, writable */
  int32_t result; /* the host's answer to "is file open"; starts at 0 */
} TAVRunListFileMessage;

typedef int32_t (*TAVRunListHostCallback)(int32_t message, char* path, void* context);

TAVSECURITYUI_API int32_t TAVSecurityUI_DoRunListManager(HWND parent);

/* The message of one of the two events (a QEvent* as void*), or null for
 * any other event. */
TAVSECURITYUI_API TAVRunListFileMessage* TAVSecurityUI_GetRunListFileMessage(void* event);

/* Registers the callback (null: none; events again). Replaces the one
 * registered before. */
TAVSECURITYUI_API void TAVSecurityUI_SetRunListHostCallback(TAVRunListHostCallback callback,
                                                            void* context);

/* The 21 CFR Part 11 configuration dialog. Returns the dialog's result. */
TAVSECURITYUI_API int32_t TAVSecurityUI_showModal21CFR11Dialog(void);

/* Releases what the configuration dialog keeps between openings. Optional:
 * unloading the library does it too. Calling it twice does nothing more. */
TAVSECURITYUI_API void TAVSecurityUI_Config21cfr11ArrayCleanup(void);

/* ---- Records ----------------------------------------------------------- */

/* Gives every string field a new empty string and isAdmin 0. Whatever the
 * record held before is overwritten without being freed.
 * REQUIRES: info is not null. */
TAVSECURITYUI_API void TAVSecurityUI_initEmptyUserInfo(UserInfo* info);

/* Frees the record's strings and sets them to null; isAdmin becomes 0.
 * REQUIRES: info is not null. */
TAVSECURITYUI_API void TAVSecurityUI_freeUserInfo(UserInfo* info);

/* As TAVSecurityUI_initEmptyUserInfo; also reason -1 and signTime 0. */
TAVSECURITYUI_API void TAVSecurityUI_initEmptyESigInfo(ESigInfo* info);

/* As TAVSecurityUI_freeUserInfo; also reason -1 and signTime 0. */
TAVSECURITYUI_API void TAVSecurityUI_freeESigInfo(ESigInfo* info);

#ifdef __cplusplus
} /* extern "C" */

#include <list>
#include <string>

#include "TAVSecurityUI_CXErr.h"

/* The logged-on user, for the host and for the library's own dialogs. The
 * one instance lives until the process ends; its members read the library's
 * logon state on every call. Not thread-safe: use it on the thread that
 * calls the library. */
class TAVSECURITYUI_API TAVCurrentUser {
 public:
  static TAVCurrentUser* GetInstance();

  /* Copies nothing (the object has no state); returns *this. */
  TAVCurrentUser& operator=(const TAVCurrentUser& other);

  /* The account name; empty while nobody is logged on. */
  std::string GetUserID();
  std::string GetUserFullName();
  std::string GetUserDomain();
  /* Replaces the content of `groups` by the user's groups, in order. */
  void GetUserGroups(std::list<std::string>& groups);
  /* A new duplicate of the library's token, which the caller owns; null
   * while nobody is logged on or when it cannot be made. */
  HANDLE GetUserToken();
  /* 1 for an administrator, else 0. */
  int32_t IsUserAdmin();

 protected:
  TAVCurrentUser();
};
#endif /* __cplusplus */

#endif /* TAVSECURITYUI_H_ */
