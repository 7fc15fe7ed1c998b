// The refusal of an attempt whose system event cannot be stored.
//
// A logon, an identity check and a signature attempt each write a system
// event; when the event log cannot store it (a full disk, a damaged or
// read-only database) the attempt is refused rather than left unrecorded,
// whatever the credentials were. The message replaces the authentication
// message, so that nobody learns from an unrecorded attempt whether a
// password was right.
//
// Threads: the GUI thread.
#ifndef TAV_LOGON_UNRECORDED_EVENT_H_
#define TAV_LOGON_UNRECORDED_EVENT_H_

#include <string>

#include "services/filelib/store_status.h"
#include "util/shown_text.h"

class QWidget;

namespace tav {

// What the refused attempt was.
enum class RecordedWork { kLogon, kIdentityCheck, kSignature };

inline constexpr char kUnrecordedEventCaption[] =
    TAV_TR_NOOP("tav::Logon", "System event log error");
// One %s each: why the event could not be stored.
inline constexpr char kUnrecordedLogonFormat[] =
    TAV_TR_NOOP("tav::Logon",
                "This logon attempt could not be recorded in the system event log:\n    %s\n\n"
                "The logon is refused, since every logon attempt must be recorded.\n"
                "Please contact your Administrator.");
inline constexpr char kUnrecordedCheckFormat[] =
    TAV_TR_NOOP("tav::Logon",
                "This identity check could not be recorded in the system event log:\n    %s\n\n"
                "The identity check is refused, since every attempt must be recorded.\n"
                "Please contact your Administrator.");
inline constexpr char kUnrecordedSignatureFormat[] =
    TAV_TR_NOOP("tav::Logon",
                "This signature attempt could not be recorded in the system event log:\n    %s\n\n"
                "The signature is refused, since every failed signature attempt must be recorded.\n"
                "Please contact your Administrator.");

// The message for `work` whose event failed with `status`.
std::string UnrecordedEventText(RecordedWork work, const StoreStatus& status);

// Shows it in a stealth-aware, task-modal error box owned by `owner`'s
// window (or by none when null).
void ShowUnrecordedEvent(QWidget* owner, RecordedWork work, const StoreStatus& status);

}  // namespace tav

#endif  // TAV_LOGON_UNRECORDED_EVENT_H_
