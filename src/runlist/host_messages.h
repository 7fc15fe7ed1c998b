// The two messages of the Run List Manager to its host: "open file"
// (posted) and "is file open" (sent, and answered), as QEvents on the
// host's widget or through the host's registered C callback
// (TAVSecurityUI.h describes the protocol).
//
// Threads: the GUI thread.
#ifndef TAV_RUNLIST_HOST_MESSAGES_H_
#define TAV_RUNLIST_HOST_MESSAGES_H_

#include <QEvent>
#include <string>
#include <vector>

#include "TAVSecurityUI.h"

class QObject;

namespace tav {

// The event of both messages: it owns the writable copy of the path.
class RunListFileEvent : public QEvent {
 public:
  RunListFileEvent(int type, const std::string& path);
  ~RunListFileEvent() override;
  RunListFileEvent(const RunListFileEvent&) = delete;
  RunListFileEvent& operator=(const RunListFileEvent&) = delete;

  TAVRunListFileMessage* message() { return &message_; }

  // The message of `event` when it is one of the two types, else null.
  static TAVRunListFileMessage* MessageOf(QEvent* event);

 private:
  std::vector<char> path_;
  TAVRunListFileMessage message_;
};

void SetRunListHostCallback(TAVRunListHostCallback callback, void* context);

// Whether the host can be told anything: a callback or a host widget.
bool HasRunListHost(QObject* host);

// Asks the host to open `path` once the manager's dialog has closed: as an
// event posted to `host`, or, for a host with a callback, kept until
// DeliverPostedOpenFile. A second request before then replaces the first.
void PostOpenFile(QObject* host, const std::string& path);

// Calls the callback that was registered when PostOpenFile kept a path,
// with a copy of that path, and forgets it; nothing when none is kept. The
// one who runs the manager's dialog calls it after the dialog has closed.
void DeliverPostedOpenFile();

// True only when the host answered 0 and cleared the path.
bool HostAllowsDeletion(QObject* host, const std::string& path);

}  // namespace tav

#endif  // TAV_RUNLIST_HOST_MESSAGES_H_
