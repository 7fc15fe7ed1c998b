#include "apps/tav-host/sign_document.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <memory>
#include <utility>

#include "records/chunk_file.h"
#include "records/esig_event_comp.h"
#include "records/list_comp.h"
#include "records/value_comps.h"
#include "services/config/system_table.h"
#include "services/filelib/file_manager.h"
#include "util/file.h"
#include "util/ole_date.h"

namespace tav::host {

namespace {

using Chunks = std::vector<std::unique_ptr<CComponent>>;

QString Text(const char* s) { return s != nullptr ? QString::fromUtf8(s) : QString(); }
std::string Str(const char* s) { return s != nullptr ? std::string(s) : std::string(); }

// Reads every top-level chunk of the file; false when any is damaged or the
// file cannot be read, since writing back part of a document loses the rest.
bool ReadDocument(const std::string& path, Chunks* chunks, std::string* error) {
  try {
    CDiskFile file(path, CDiskFile::modeRead);
    ChunkFileError read_error;
    *chunks = ReadChunkFile(&file, &read_error);
    if (read_error.code != kRecordOk) {
      *error = path + ": damaged at offset " + std::to_string(read_error.offset) + ": " +
               read_error.text;
      return false;
    }
    return true;
  } catch (const CFileException& e) {
    *error = e.what();
    return false;
  }
}

QString& NextDocumentPath() {
  static QString path;
  return path;
}

QString BeginResult(int result) {
  switch (result) {
    case 0: return "0 (signed)";
    case -1: return "-1 (cancelled)";
    case -3: return "-3 (no user name)";
    case -4: return "-4 (the signer's account has no full name)";
    case -5: return "-5 (no password)";
    case -6: return "-6 (the signer is in no signer group)";
    case -7: return "-7 (the signer could not be logged on)";
    case -8: return "-8 (no reason can be offered; set up e-signatures first?)";
    default: return QString::number(result);
  }
}

}  // namespace

DocumentSignature SignatureFor(const ESigInfo& info, int32_t data_type,
                               const TAV2FileManager& document) {
  DocumentSignature signature;
  signature.user_name = Str(info.userName);
  signature.sign_time = info.signTime;
  signature.full_name = Str(info.fullName);
  signature.comment = Str(info.comment);
  ESigReason reason;
  if (SystemTable::GetESigReason(info.reason, reason, data_type)) {
    signature.reason_id = reason.reason_id;
    signature.item_code = reason.item_code;
    for (const std::string& tag_path : reason.tag_paths) {
      if (tag_path.empty()) break;
      if (document.FindComponent(tag_path) != nullptr) signature.tag_paths.push_back(tag_path);
    }
  }
  return signature;
}

bool AppendSignatureToDocument(const std::string& path, const DocumentSignature& signature,
                               std::string* error) {
  Chunks chunks;
  if (!ReadDocument(path, &chunks, error)) return false;
  CESigListComp* list = nullptr;
  for (const auto& chunk : chunks) {
    list = dynamic_cast<CESigListComp*>(chunk.get());
    if (list != nullptr) break;
  }
  if (list == nullptr) {
    chunks.push_back(std::make_unique<CESigListComp>());
    list = static_cast<CESigListComp*>(chunks.back().get());
  }
  if (list->AddSignature(signature.user_name, signature.sign_time, signature.reason_id,
                         signature.item_code, signature.tag_paths, signature.full_name,
                         signature.comment) != kRecordOk) {
    *error = path + ": the signature list is full";
    return false;
  }
  try {
    CMemFile out;
    if (const int code = WriteChunkFile(&out, chunks); code != kRecordOk) {
      *error = path + ": cannot write the document (code " + std::to_string(code) + ")";
      return false;
    }
    WriteFileAtomically(path, out.view());
  } catch (const CFileException& e) {
    *error = e.what();
    return false;
  }
  return true;
}

bool ListSignatures(const std::string& path, std::vector<std::string>* lines,
                    std::string* error) {
  Chunks chunks;
  if (!ReadDocument(path, &chunks, error)) return false;
  lines->clear();
  for (const auto& chunk : chunks) {
    const auto* list = dynamic_cast<const CESigListComp*>(chunk.get());
    if (list == nullptr) continue;
    for (POSITION pos = list->GetFirstChildPosition(); pos != nullptr;) {
      const auto* event = dynamic_cast<const CESigEventComp*>(list->GetNextChild(pos));
      if (event == nullptr) continue;
      std::string meaning = SystemTable::GetESigReasonName(event->GetReason(), event->GetItem());
      if (!meaning.empty()) {
        meaning = QCoreApplication::translate("tav::Names", meaning.c_str()).toStdString();
      } else {
        meaning = "reason " + std::to_string(event->GetReason()) + ", item " +
                  std::to_string(event->GetItem());
      }
      std::string line = FormatOleDate(event->GetDate(), "%Y-%m-%d %H:%M:%S") +
                         "  " + event->GetUserName() + " (" +
                         event->GetSignerFullName() + ")  " + meaning;
      for (size_t i = 0; i < event->GetTagPaths().size(); ++i) {
        line += (i == 0 ? "  [" : ", ") + event->GetTagPaths()[i];
        if (i + 1 == event->GetTagPaths().size()) line += "]";
      }
      if (!event->GetComment().empty()) line += "  \"" + event->GetComment() + "\"";
      lines->push_back(std::move(line));
    }
  }
  return true;
}

bool WriteExampleDocument(const std::string& path, std::string* error) {
  Chunks chunks;
  chunks.push_back(std::make_unique<CLongComp>("VERS", 3));
  chunks.push_back(std::make_unique<CTextComp>("PINM", "Assay plate 42"));
  auto plate = std::make_unique<CListComp>("PICX");
  plate->AddComponent(std::make_unique<CTextComp>("PINM", "Assay plate 42"));
  plate->AddComponent(std::make_unique<CTextComp>("PIBC", "BC-000421-A"));
  chunks.push_back(std::move(plate));
  chunks.push_back(std::make_unique<CTextComp>("COMT", "Plate set up; not run yet"));
  try {
    CMemFile out;
    if (WriteChunkFile(&out, chunks) != kRecordOk) {
      *error = "cannot build the example document";
      return false;
    }
    WriteFileAtomically(path, out.view());
  } catch (const CFileException& e) {
    *error = e.what();
    return false;
  }
  return true;
}

void SetNextDocumentPath(const QString& path) { NextDocumentPath() = path; }

QString ChooseDocument(QWidget* parent, const QString& caption) {
  if (!NextDocumentPath().isEmpty()) return std::exchange(NextDocumentPath(), QString());
  return QFileDialog::getOpenFileName(
      parent, caption, QString(),
      QCoreApplication::translate(
          "tav::host::SignDocument",
          "Documents of the suite (*.tav *.tvc *.tvt *.tvs *.tvr *.tvm);;All files (*)"));
}

QStringList SignDocument(QWidget* parent, const QString& qpath) {
  QStringList log;
  const QFileInfo file(qpath);
  const std::string path = QFile::encodeName(qpath).toStdString();
  const int32_t data_type =
      SystemTable::GetAuditableDataTypeFromExt(file.suffix().toUtf8().constData());
  if (data_type == kDataTypeUnknown) {
    log << "Not a document of the suite: " + qpath;
    return log;
  }
  TAV2FileManager document;
  if (document.Open(path) != 0) {
    log << QString::fromStdString("Cannot open " + path + ": " + document.GetLastError());
    return log;
  }

  ESigInfo info;
  TAVSecurityUI_initEmptyESigInfo(&info);
  HANDLE previous = nullptr;
  // Each document's signatures are filed in a sub-folder named after it.
  const QByteArray name = file.fileName().toUtf8();
  const QByteArray subfolder = file.completeBaseName().toUtf8();
  const int result = TAVSecurityUI_BeginESignature(parent, &document, name.constData(), 1, 1,
                                                   subfolder.constData(), &info, &previous,
                                                   data_type);
  log << "TAVSecurityUI_BeginESignature -> " + BeginResult(result);
  if (result == 0) {
    log << QString("  signed by %1 (%2), reason %3, at %4, folder %5")
               .arg(Text(info.userName), Text(info.fullName))
               .arg(info.reason)
               .arg(QString::fromStdString(FormatOleDate(info.signTime, "%Y-%m-%d %H:%M:%S")),
                    Text(info.folder));
    std::string error;
    if (AppendSignatureToDocument(path, SignatureFor(info, data_type, document), &error)) {
      log << "  signature saved in " + qpath;
    } else {
      log << QString::fromStdString("  the signature was NOT saved: " + error);
    }
    log << QString("TAVSecurityUI_EndESignature -> %1").arg(TAVSecurityUI_EndESignature(previous));
  }
  TAVSecurityUI_freeESigInfo(&info);
  return log;
}

void ShowSignatures(QWidget* parent, const QString& qpath) {
  std::vector<std::string> lines;
  std::string error;
  QString text;
  if (!ListSignatures(QFile::encodeName(qpath).toStdString(), &lines, &error)) {
    text = QString::fromStdString(error);
  } else if (lines.empty()) {
    text = QCoreApplication::translate("tav::host::SignDocument", "%1 holds no signatures.")
               .arg(QFileInfo(qpath).fileName());
  } else {
    text = QCoreApplication::translate("tav::host::SignDocument", "%1 holds %n signature(s):", "",
                                       static_cast<int>(lines.size()))
               .arg(QFileInfo(qpath).fileName()) +
           "\n";
    for (const std::string& line : lines) text += "\n" + QString::fromStdString(line);
  }
  QMessageBox box(QMessageBox::Information,
                  QCoreApplication::translate("tav::host::SignDocument", "Signatures"), text,
                  QMessageBox::Ok, parent);
  box.setObjectName("dlgSignatures");
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace tav::host
