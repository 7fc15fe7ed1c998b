#include "logon/password_field.h"

#include <string.h>

#include <QByteArray>

namespace tav {

void ReadPasswordField(const QString& text, SecretString* out) {
  out->Clear();
  QByteArray utf8 = text.toUtf8();
  for (char c : utf8) {
    if (!out->Append(c)) break;
  }
  explicit_bzero(utf8.data(), static_cast<size_t>(utf8.size()));
}

}  // namespace tav
