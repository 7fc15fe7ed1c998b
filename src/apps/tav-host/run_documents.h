// RunDocuments: the run files tav-host has open, each in a document window
// (dlgRunDocument) that shows its records as `tavsec records dump` prints
// them. It answers the Run List Manager's two messages: "open file" opens
// the file (or raises its window), and "is file open" refuses the deletion
// of a file that has a window and allows any other.
//
// Threads: the GUI thread. Ownership: the windows are top-level widgets
// deleted when closed, or with the host window.
#ifndef TAV_APPS_TAV_HOST_RUN_DOCUMENTS_H_
#define TAV_APPS_TAV_HOST_RUN_DOCUMENTS_H_

#include <QPointer>
#include <QString>

#include <map>
#include <string>

class QEvent;
class QWidget;

namespace tav::host {

// The property tree of every record of the file, one line per property, or
// what kept the file from being read.
std::string DescribeRunFile(const std::string& path);

class RunDocuments {
 public:
  explicit RunDocuments(QWidget* host) : host_(host) {}
  RunDocuments(const RunDocuments&) = delete;
  RunDocuments& operator=(const RunDocuments&) = delete;

  // Handles the Run List Manager's events; false for any other event.
  bool HandleEvent(QEvent* event);

  void Open(const std::string& path);
  bool IsOpen(const std::string& path) const;
  QWidget* Window(const std::string& path) const;

 private:
  // Files are known by their resolved path, so that a link or "a/../a"
  // names the same open file.
  static std::string Key(const std::string& path);

  QWidget* host_;
  std::map<std::string, QPointer<QWidget>> open_;
};

}  // namespace tav::host

#endif  // TAV_APPS_TAV_HOST_RUN_DOCUMENTS_H_
