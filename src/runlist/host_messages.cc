#include "runlist/host_messages.h"

#include <QCoreApplication>
#include <QObject>

#include <optional>

namespace tav {
namespace {

struct HostCallback {
  TAVRunListHostCallback function = nullptr;
  void* context = nullptr;
};

HostCallback& TheCallback() {
  static HostCallback callback;
  return callback;
}

// An "open file" for a host's callback, waiting for the dialog to close.
struct PostedOpen {
  HostCallback callback;
  std::string path;
};

std::optional<PostedOpen>& ThePostedOpen() {
  static std::optional<PostedOpen> posted;
  return posted;
}

// Calls the host with a writable NUL-terminated copy of `path`; the copy
// lives for the call.
int32_t CallHost(const HostCallback& callback, int32_t message, const std::string& path,
                 bool* cleared = nullptr) {
  std::vector<char> copy(path.begin(), path.end());
  copy.push_back('\0');
  const int32_t answer = callback.function(message, copy.data(), callback.context);
  if (cleared != nullptr) *cleared = copy[0] == '\0';
  return answer;
}

}  // namespace

RunListFileEvent::RunListFileEvent(int type, const std::string& path)
    : QEvent(static_cast<QEvent::Type>(type)), path_(path.begin(), path.end()) {
  path_.push_back('\0');
  message_.path = path_.data();
  message_.result = 0;
}

RunListFileEvent::~RunListFileEvent() = default;

TAVRunListFileMessage* RunListFileEvent::MessageOf(QEvent* event) {
  if (event == nullptr) return nullptr;
  const int type = event->type();
  if (type != TAVSECURITYUI_EVENT_OPEN_FILE && type != TAVSECURITYUI_EVENT_IS_FILE_OPEN) {
    return nullptr;
  }
  // Another component may use the same type numbers: only our own events.
  auto* own = dynamic_cast<RunListFileEvent*>(event);
  return own != nullptr ? own->message() : nullptr;
}

void SetRunListHostCallback(TAVRunListHostCallback callback, void* context) {
  TheCallback() = HostCallback{callback, context};
  // A request kept for the callback that is replaced goes with it.
  ThePostedOpen().reset();
}

bool HasRunListHost(QObject* host) {
  return TheCallback().function != nullptr || host != nullptr;
}

void PostOpenFile(QObject* host, const std::string& path) {
  const HostCallback callback = TheCallback();
  if (callback.function != nullptr) {
    ThePostedOpen() = PostedOpen{callback, path};
    return;
  }
  if (host == nullptr) return;
  QCoreApplication::postEvent(host, new RunListFileEvent(TAVSECURITYUI_EVENT_OPEN_FILE, path));
}

void DeliverPostedOpenFile() {
  std::optional<PostedOpen> posted = std::move(ThePostedOpen());
  ThePostedOpen().reset();
  if (posted) CallHost(posted->callback, TAVSECURITYUI_MSG_OPEN_FILE, posted->path);
}

bool HostAllowsDeletion(QObject* host, const std::string& path) {
  const HostCallback callback = TheCallback();
  if (callback.function != nullptr) {
    bool cleared = false;
    const int32_t answer = CallHost(callback, TAVSECURITYUI_MSG_IS_FILE_OPEN, path, &cleared);
    return answer == 0 && cleared;
  }
  if (host == nullptr) return false;
  RunListFileEvent event(TAVSECURITYUI_EVENT_IS_FILE_OPEN, path);
  QCoreApplication::sendEvent(host, &event);
  return event.message()->result == 0 && event.message()->path[0] == '\0';
}

}  // namespace tav
