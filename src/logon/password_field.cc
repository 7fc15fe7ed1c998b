#include "logon/password_field.h"

#include <string.h>

#include <QByteArray>

namespace tav {

bool ReadPasswordField(const QString& text, SecretString* out) {
  // The old buffer is wiped as it is released.
  *out = SecretString(kMaxPasswordBytes + 1);
  QByteArray utf8 = text.toUtf8();
  for (char c : utf8) {
    if (!out->Append(c)) break;
  }
  explicit_bzero(utf8.data(), static_cast<size_t>(utf8.size()));
  return out->size() <= kMaxPasswordBytes;
}

}  // namespace tav
