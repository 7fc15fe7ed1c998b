#include "apps/tav-host/run_documents.h"

#include <stdlib.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <memory>
#include <vector>

#include "TAVSecurityUI.h"
#include "apps/tav-host/optional_exports.h"
#include "records/chunk_file.h"
#include "records/component.h"
#include "records/property_item.h"
#include "util/file.h"
#include "util/strings.h"

namespace tav::host {

std::string DescribeRunFile(const std::string& path) {
  try {
    CDiskFile file(path, CDiskFile::modeRead);
    CheckedChunkFile read = ReadChunkFileChecked(&file);
    CPropertyItemList tree;
    for (const auto& chunk : read.chunks) {
      chunk->AppendHeaderProperties(tree);
      chunk->AppendProperties(tree);
    }
    std::string text;
    tree.DescribeAll(std::string(), text, std::string_view());
    for (const auto& issue : read.issues) {
      text += "\r\n" + path + ": offset " + std::to_string(issue.offset) + ": " + issue.text;
    }
    return CrlfToLf(text);
  } catch (const CFileException& e) {
    return e.what();
  }
}

std::string RunDocuments::Key(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string key(real);
  ::free(real);
  return key;
}

bool RunDocuments::HandleEvent(QEvent* event) {
  const int type = event->type();
  if (type != TAVSECURITYUI_EVENT_OPEN_FILE && type != TAVSECURITYUI_EVENT_IS_FILE_OPEN) {
    return false;
  }
  const auto get_message = Optional().run_list_file_message;
  TAVRunListFileMessage* message = get_message != nullptr ? get_message(event) : nullptr;
  if (message == nullptr) return false;
  if (type == TAVSECURITYUI_EVENT_OPEN_FILE) {
    Open(message->path);
  } else if (IsOpen(message->path)) {
    message->result = 1;
  } else {
    message->path[0] = '\0';
  }
  return true;
}

void RunDocuments::Open(const std::string& path) {
  if (QWidget* window = Window(path)) {
    window->raise();
    window->activateWindow();
    return;
  }
  auto* view = new QPlainTextEdit(host_);
  view->setWindowFlag(Qt::Window);
  view->setAttribute(Qt::WA_DeleteOnClose);
  view->setObjectName("dlgRunDocument");
  view->setReadOnly(true);
  view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view->setWindowTitle(QCoreApplication::translate("tav::host::RunDocuments", "%1 - Run Document")
                           .arg(QFileInfo(QString::fromStdString(path)).fileName()));
  view->setPlainText(QString::fromStdString(DescribeRunFile(path)));
  view->resize(640, 420);
  open_[Key(path)] = view;
  view->show();
}

QWidget* RunDocuments::Window(const std::string& path) const {
  const auto found = open_.find(Key(path));
  return found != open_.end() ? found->second.data() : nullptr;
}

bool RunDocuments::IsOpen(const std::string& path) const { return Window(path) != nullptr; }

}  // namespace tav::host
